// The repaint fallback on the real Windows platform layer. Under Wine the
// display's vertical blank never comes (Wine does not implement DXGI's wait
// for it), which is the machine the fallback is for; a display whose
// vertical blank works is stood in for by telling the fallback of one.
#include "app/RepaintFallback.h"

#include "MessageLoop.h"

#include <gtest/gtest.h>

namespace
{
// A window on the desktop that counts its paints.
struct CountingWindow : public juce::Component
{
    CountingWindow()
    {
        setOpaque (true);
        setBounds (40, 40, 200, 100);
        addToDesktop (juce::ComponentPeer::windowIsTemporary);
        setVisible (true);
    }

    ~CountingWindow() override { removeFromDesktop(); }

    void paint (juce::Graphics& g) override
    {
        ++paints;
        g.fillAll (juce::Colours::grey);
    }

    int paints = 0;
};

// Repaints the window now and then and says whether a paint followed each
// time within half a second.
bool everyRepaintIsPainted (CountingWindow& window, int times)
{
    for (int i = 0; i < times; ++i)
    {
        const auto before = window.paints;
        window.repaint();

        if (! MessageLoop::runUntil ([&] { return window.paints > before; }, 500))
            return false;
    }

    return true;
}
} // namespace

TEST (RepaintFallbackTest, PaintsWhatIsPendingWhenNoVerticalBlankComes)
{
    RepaintFallback fallback;
    CountingWindow window;
    MessageLoop::runFor (300);

    EXPECT_TRUE (everyRepaintIsPainted (window, 5));
    EXPECT_GT (fallback.getNumFallbackPaints(), 0);
}

TEST (RepaintFallbackTest, LeavesAWindowWithVerticalBlankAlone)
{
    RepaintFallback fallback;
    CountingWindow window;
    auto* peer = window.getPeer();
    ASSERT_NE (peer, nullptr);

    // A display at 60 Hz, for longer than the fallback waits before it
    // steps in, and repaints meanwhile: none of them is the fallback's.
    const auto start = juce::Time::getMillisecondCounter();
    while (juce::Time::getMillisecondCounter() - start < 800)
    {
        fallback.vBlankCameTo (*peer);
        window.repaint();
        MessageLoop::runFor (16);
    }
    EXPECT_EQ (fallback.getNumFallbackPaints(), 0);

    // Once the vertical blank stops, the fallback takes over.
    EXPECT_TRUE (everyRepaintIsPainted (window, 3));
    EXPECT_GT (fallback.getNumFallbackPaints(), 0);
}

TEST (RepaintFallbackTest, FollowsWindowsThatOpenAndClose)
{
    RepaintFallback fallback;
    {
        CountingWindow first;
        MessageLoop::runFor (300);
        EXPECT_TRUE (everyRepaintIsPainted (first, 2));
    }
    // A window opened after another closed, possibly at its address.
    CountingWindow second;
    MessageLoop::runFor (300);
    EXPECT_TRUE (everyRepaintIsPainted (second, 2));
}
