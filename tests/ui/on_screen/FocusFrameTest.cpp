// AlineButton's focus frame, the grey rectangle that shows where Return
// acts. JUCE gives the keyboard focus only to a component on a focused
// window, so this runs on a screen (under Xvfb), as the rest of this folder.
#include "ImageChecks.h"
#include "MessageLoop.h"
#include "XScreen.h"
#include "ui/AlineButton.h"
#include "ui/LangLookAndFeel.h"

#include <gtest/gtest.h>

namespace
{
constexpr juce::uint32 faceColour = 0xffeaeaea; // the main page's button colour

juce::Image paintIntoImage (juce::Component& c)
{
    juce::Image image (juce::Image::ARGB, c.getWidth(), c.getHeight(), true);
    juce::Graphics g (image);
    c.paintEntireComponent (g, false);
    return image;
}

class FocusFrameTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // The program's look, as the page has it.
        juce::LookAndFeel::setDefaultLookAndFeel (&programLook);
        button.setBounds (0, 0, 100, 20);
        button.setColour (juce::TextButton::buttonColourId, juce::Colour (faceColour));
        button.setColour (juce::TextButton::buttonOnColourId, juce::Colour (faceColour));
    }

    void TearDown() override
    {
        MessageLoop::runUntilIdle();
        juce::LookAndFeel::setDefaultLookAndFeel (nullptr);
    }

    juce::LangLookAndFeel programLook;
    AlineButton button { "OK" };
};
} // namespace

// The frame (5, 3, 90, 14), 0.5 thick, covers half of row 3 and of column 5
// on a 100 x 20 button; without the focus those pixels are the face
// (ButtonTest).
TEST_F (FocusFrameTest, ShowsWhileTheButtonOrItsChildHasKeyboardFocus)
{
    // JUCE only gives keyboard focus to a component on a focused window, so
    // this needs a screen (run under Xvfb).
    if (! hasScreen())
        GTEST_SKIP() << "no display: keyboard focus needs a window";

    if (! ignoreXErrorsLikeAJuceApplication())
        GTEST_SKIP() << "cannot guard against X errors";

    juce::Component window;
    window.setBounds (10, 10, 100, 20);
    window.addAndMakeVisible (button);
    button.setWantsKeyboardFocus (true);
    window.addToDesktop (0);
    window.setVisible (true);

    juce::Component child;
    child.setBounds (0, 0, 1, 1);
    child.setWantsKeyboardFocus (true);
    button.addAndMakeVisible (child);

    auto focusOn = [] (juce::Component& c) {
        return MessageLoop::runUntil ([&c] { if (! c.hasKeyboardFocus (false)) c.grabKeyboardFocus();
                                             return c.hasKeyboardFocus (false); }, 3000);
    };

    if (! focusOn (button))
    {
        window.removeFromDesktop();
        GTEST_SKIP() << "the window manager did not give the window the focus";
    }

    auto grey = [] (const juce::Image& image, int x, int y) {
        const auto c = image.getPixelAt (x, y);
        return c.getRed() < 0xe0 && c.getRed() > 0x90 && c.getRed() == c.getGreen() && c.getGreen() == c.getBlue();
    };

    auto focused = paintIntoImage (button);
    EXPECT_TRUE (grey (focused, 20, 3));
    EXPECT_TRUE (grey (focused, 20, 16));
    EXPECT_TRUE (grey (focused, 5, 10));
    EXPECT_TRUE (grey (focused, 94, 10));
    EXPECT_TRUE (pixelIs (focused, 20, 5, faceColour)); // inside the frame
    EXPECT_TRUE (pixelIs (focused, 3, 10, faceColour)); // outside it

    // A focused child counts too.
    ASSERT_TRUE (focusOn (child));
    EXPECT_TRUE (grey (paintIntoImage (button), 20, 3));

    button.removeChildComponent (&child);
    window.removeFromDesktop();
    window.removeChildComponent (&button);
}
