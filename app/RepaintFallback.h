#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>
#include <vector>

// JUCE 7 on Windows paints what is pending when the display's vertical blank
// comes, which a thread of JUCE's waits for through DXGI. Where no DXGI
// output matches the window's monitor (some virtual machines and remote
// sessions), or where the wait is not implemented (Wine), that never comes
// and a window stops repainting after its first paint.
//
// This watches every window's vertical blanks and paints a window's pending
// areas itself only while none has come to it for a while. Where vertical
// blank works it only looks, ten times a second; where it does not, it
// paints sixty times a second. Message thread only.
class RepaintFallback : private juce::Timer
{
public:
    // A window counts as without vertical blank once none has come to it for
    // this long (and for this long after it appeared).
    explicit RepaintFallback (int quietMilliseconds = 100);
    ~RepaintFallback() override;

    // How often a window's pending areas were painted here rather than on a
    // vertical blank.
    int getNumFallbackPaints() const noexcept { return numFallbackPaints; }

    // What a window's vertical blank tells this; public so that tests can
    // stand in for a display whose vertical blank works.
    void vBlankCameTo (juce::ComponentPeer& peer);

private:
    struct Watch;

    void timerCallback() override;
    void watchNewPeers (double now);
    void forgetClosedPeers();
    bool paintQuietPeers (double now);

    const double quietMs;
    std::vector<std::unique_ptr<Watch>> watches;
    int numFallbackPaints = 0;

    JUCE_DECLARE_NON_COPYABLE (RepaintFallback)
};
