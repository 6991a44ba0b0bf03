#include "app/RepaintFallback.h"

#include <algorithm>

namespace
{
// Looking only: cheap enough to cost nothing where vertical blank works.
constexpr int checkIntervalMs = 100;
// Painting: about the rate of a display.
constexpr int fallbackPaintHz = 60;

double nowMs()
{
    return juce::Time::getMillisecondCounterHiRes();
}

// A peer is known by its unique ID, never by its address alone: a new
// window may be given the address of one that closed.
juce::ComponentPeer* findPeer (juce::uint32 uniqueID)
{
    for (int i = juce::ComponentPeer::getNumPeers(); --i >= 0;)
        if (auto* peer = juce::ComponentPeer::getPeer (i); peer != nullptr && peer->getUniqueID() == uniqueID)
            return peer;

    return nullptr;
}
} // namespace

// One window's vertical blanks, as JUCE calls them on the message thread.
struct RepaintFallback::Watch : public juce::ComponentPeer::VBlankListener
{
    Watch (RepaintFallback& ownerIn, juce::ComponentPeer& peerIn, double now)
        : owner (ownerIn), peerID (peerIn.getUniqueID()), lastVBlankMs (now)
    {
        peerIn.addVBlankListener (this);
    }

    void onVBlank() override
    {
        if (auto* peer = findPeer (peerID))
            owner.vBlankCameTo (*peer);
    }

    RepaintFallback& owner;
    const juce::uint32 peerID;
    double lastVBlankMs;
};

RepaintFallback::RepaintFallback (int quietMilliseconds)
    : quietMs (quietMilliseconds)
{
    startTimer (checkIntervalMs);
}

RepaintFallback::~RepaintFallback()
{
    stopTimer();

    for (auto& watch : watches)
        if (auto* peer = findPeer (watch->peerID))
            peer->removeVBlankListener (watch.get());
}

void RepaintFallback::vBlankCameTo (juce::ComponentPeer& peer)
{
    for (auto& watch : watches)
        if (watch->peerID == peer.getUniqueID())
            watch->lastVBlankMs = nowMs();
}

void RepaintFallback::timerCallback()
{
    const auto now = nowMs();
    forgetClosedPeers();
    watchNewPeers (now);

    const auto painted = paintQuietPeers (now);
    const auto interval = painted ? 1000 / fallbackPaintHz : checkIntervalMs;

    if (getTimerInterval() != interval)
        startTimer (interval);
}

void RepaintFallback::watchNewPeers (double now)
{
    for (int i = 0; i < juce::ComponentPeer::getNumPeers(); ++i)
    {
        auto* peer = juce::ComponentPeer::getPeer (i);

        if (peer == nullptr)
            continue;

        const auto watched = std::any_of (watches.begin(), watches.end(),
                                          [peer] (const auto& w) { return w->peerID == peer->getUniqueID(); });
        if (! watched)
            watches.push_back (std::make_unique<Watch> (*this, *peer, now));
    }
}

void RepaintFallback::forgetClosedPeers()
{
    // A closed window took its listener list with it: nothing to remove from.
    watches.erase (std::remove_if (watches.begin(), watches.end(),
                                   [] (const auto& w) { return findPeer (w->peerID) == nullptr; }),
                   watches.end());
}

bool RepaintFallback::paintQuietPeers (double now)
{
    auto paintedAny = false;

    for (auto& watch : watches)
    {
        if (now - watch->lastVBlankMs < quietMs)
            continue;

        if (auto* peer = findPeer (watch->peerID))
        {
            peer->performAnyPendingRepaintsNow();
            ++numFallbackPaints;
            paintedAny = true;
        }
    }

    return paintedAny;
}
