// AlineButton and BtnLookAndFeel, painted for real into images: the bevel,
// the face, the caption's box and font, the focus frame, and the Return key's
// press-then-click.

#include <gtest/gtest.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include "GlyphRecorder.h"
#include "ImageChecks.h"
#include "MessageLoop.h"
#include "ui/AlineButton.h"
#include "ui/BtnLookAndFeel.h"
#include "ui/LangLookAndFeel.h"

#include <vector>

namespace
{
constexpr juce::uint32 whitePixel = 0xffffffff;
constexpr juce::uint32 blackPixel = 0xff000000;
constexpr juce::uint32 faceColour = 0xffeaeaea; // the main page's button colour

juce::Image paintIntoImage (juce::Component& c, std::vector<juce::Font>* glyphFonts = nullptr)
{
    juce::Image image (juce::Image::ARGB, c.getWidth(), c.getHeight(), true);
    GlyphRecorder recorder (image);

    {
        juce::Graphics g (recorder);
        c.paintEntireComponent (g, false);
    }

    if (glyphFonts != nullptr)
    {
        glyphFonts->clear();

        for (const auto& glyph : recorder.glyphs)
            glyphFonts->push_back (glyph.font);
    }

    return image;
}

// For edges that are fully covered in theory: JUCE's anti-aliasing may
// leave a pixel a step or two short of the stroke's colour.
::testing::AssertionResult pixelNear (const juce::Image& image, int x, int y, juce::uint32 expected, int tolerance = 8)
{
    const auto actual = image.getPixelAt (x, y);
    const juce::Colour wanted (expected);

    if (std::abs (actual.getAlpha() - wanted.getAlpha()) <= tolerance
        && std::abs (actual.getRed() - wanted.getRed()) <= tolerance
        && std::abs (actual.getGreen() - wanted.getGreen()) <= tolerance
        && std::abs (actual.getBlue() - wanted.getBlue()) <= tolerance)
        return ::testing::AssertionSuccess();

    return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is 0x"
                                         << juce::String::toHexString ((int) actual.getARGB())
                                         << ", expected about 0x" << juce::String::toHexString ((int) expected);
}

// Caption pixels: clearly darker than the light grey face, inside the
// bevel. Returns the bounding box of them (empty if none).
juce::Rectangle<int> darkPixelBounds (const juce::Image& image, int margin = 3)
{
    return boundsOfPixels (image, image.getBounds().reduced (margin),
                           [] (juce::Colour colour) { return colour.getBrightness() < 0.5f; });
}

struct ClickCounter : public juce::Button::Listener
{
    void buttonClicked (juce::Button*) override { ++clicks; }
    int clicks = 0;
};

// Counts the button's repaint requests: JUCE hands every repaint of a
// visible component to its cached image first.
struct RepaintCounter : public juce::CachedComponentImage
{
    void paint (juce::Graphics&) override {}
    bool invalidateAll() override
    {
        ++repaints;
        return true;
    }
    bool invalidate (const juce::Rectangle<int>&) override
    {
        ++repaints;
        return true;
    }
    void releaseResources() override {}

    int repaints = 0;
};

class AlineButtonTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // Captions resolve their fonts as in the program. JUCE keeps the
        // glyphs of every text it laid out, keyed by the font's name and
        // not by its typeface, for the rest of the process: a caption laid
        // out here with another typeface would later be drawn on the page.
        juce::LookAndFeel::setDefaultLookAndFeel (&programLook);
        juce::Typeface::clearTypefaceCache();

        button.setBounds (0, 0, 100, 20);
        button.setColour (juce::TextButton::buttonColourId, juce::Colour (faceColour));
        button.setColour (juce::TextButton::buttonOnColourId, juce::Colour (faceColour));
        button.addListener (&listener);
    }

    void TearDown() override
    {
        button.removeListener (&listener);
        // Leave no command message behind for the next test.
        MessageLoop::runUntilIdle();
        juce::LookAndFeel::setDefaultLookAndFeel (nullptr);
        juce::Typeface::clearTypefaceCache();
    }

    juce::LangLookAndFeel programLook;
    AlineButton button { "OK" };
    ClickCounter listener;
};
} // namespace

//==============================================================================
TEST (AlineButtonConstruction, NameIsCaptionAndLookIsOwnFlatWhiteBevel)
{
    AlineButton button ("Cancel");
    button.setBounds (0, 0, 100, 20);

    EXPECT_EQ (button.getName(), "Cancel");
    EXPECT_EQ (button.getButtonText(), "Cancel");
    EXPECT_EQ (button.getFontName(), juce::Font::getDefaultSansSerifFontName());
    EXPECT_EQ (button.getFontStyle(), 0);
    EXPECT_FALSE (button.isReturnKeyDown());
    EXPECT_TRUE (button.isConnectedOnLeft() && button.isConnectedOnRight()
                 && button.isConnectedOnTop() && button.isConnectedOnBottom());
    EXPECT_NE (dynamic_cast<BtnLookAndFeel*> (&button.getLookAndFeel()), nullptr);

    // Face and bevel with the constructor's own colours: a white face, a
    // white top/left and a black right/bottom line, all square-cornered.
    const auto image = paintIntoImage (button);
    EXPECT_TRUE (pixelIs (image, 8, 10, whitePixel));
    EXPECT_TRUE (pixelNear (image, 0, 0, whitePixel));
    EXPECT_TRUE (pixelNear (image, 99, 10, blackPixel));
    EXPECT_TRUE (pixelNear (image, 50, 19, blackPixel));
    // The dark line runs to the very corner, over the end of the light one.
    EXPECT_TRUE (pixelNear (image, 0, 19, blackPixel, 0x30));
}

TEST_F (AlineButtonTest, BevelIsLightTopLeftWhileUpAndSwappedWhileDown)
{
    button.setCaption ({});

    const auto up = paintIntoImage (button);
    EXPECT_TRUE (pixelNear (up, 50, 0, whitePixel));
    EXPECT_TRUE (pixelNear (up, 0, 10, whitePixel));
    EXPECT_TRUE (pixelNear (up, 99, 10, blackPixel));
    EXPECT_TRUE (pixelNear (up, 50, 19, blackPixel));

    // The face is one flat colour from the bevel inwards.
    for (int y = 2; y < 18; ++y)
        for (int x = 2; x < 98; ++x)
            ASSERT_TRUE (pixelIs (up, x, y, faceColour));

    button.setState (juce::Button::buttonDown);
    const auto down = paintIntoImage (button);
    EXPECT_TRUE (pixelNear (down, 50, 0, blackPixel));
    EXPECT_TRUE (pixelNear (down, 0, 10, blackPixel));
    EXPECT_TRUE (pixelNear (down, 99, 10, whitePixel));
    EXPECT_TRUE (pixelNear (down, 50, 19, whitePixel));
    EXPECT_TRUE (pixelIs (down, 50, 10, faceColour));
}

TEST_F (AlineButtonTest, HoverAndDisabledStateDrawExactlyLikeNormal)
{
    const auto normal = paintIntoImage (button);

    button.setState (juce::Button::buttonOver);
    EXPECT_TRUE (imagesEqual (paintIntoImage (button), normal));

    button.setState (juce::Button::buttonNormal);
    button.setEnabled (false);
    EXPECT_TRUE (imagesEqual (paintIntoImage (button), normal));
}

TEST_F (AlineButtonTest, ToggleStateTakesTheButtonOnColour)
{
    button.setCaption ({});
    button.setColour (juce::TextButton::buttonColourId, juce::Colour (0xff00ff00));
    button.setColour (juce::TextButton::buttonOnColourId, juce::Colour (0xffff0000));

    EXPECT_TRUE (pixelIs (paintIntoImage (button), 50, 10, 0xff00ff00));

    button.setToggleState (true, juce::dontSendNotification);
    EXPECT_TRUE (pixelIs (paintIntoImage (button), 50, 10, 0xffff0000));

    // The colour is the button's own; a parent's colour is not inherited.
    juce::Component parent;
    parent.setColour (juce::TextButton::buttonOnColourId, juce::Colour (0xff0000ff));
    parent.addAndMakeVisible (button);
    button.removeColour (juce::TextButton::buttonOnColourId);
    EXPECT_NE (pixel (paintIntoImage (button), 50, 10), 0xff0000ffu);
    parent.removeChildComponent (&button);
}

TEST_F (AlineButtonTest, CaptionIsCentredInItsBoxAndSinksOnePixelWhileDown)
{
    button.setCaption ("OK");

    const auto up = paintIntoImage (button);
    button.setState (juce::Button::buttonDown);
    const auto down = paintIntoImage (button);

    const auto upInk = darkPixelBounds (up);
    const auto downInk = darkPixelBounds (down);

    ASSERT_FALSE (upInk.isEmpty()) << "no caption drawn";

    // Centred in (4, 4, 92, 12): its middle is (50, 10).
    EXPECT_NEAR (upInk.getCentreX(), 50, 2);
    EXPECT_NEAR (upInk.getCentreY(), 10, 2);
    EXPECT_TRUE (juce::Rectangle<int> (3, 3, 94, 14).contains (upInk));

    // Down: the box is (5, 5, 92, 12), so the same ink one pixel right and down.
    EXPECT_EQ (downInk, upInk.translated (1, 1));

    for (int y = upInk.getY(); y < upInk.getBottom(); ++y)
        for (int x = upInk.getX(); x < upInk.getRight(); ++x)
            ASSERT_EQ (pixel (up, x, y), pixel (down, x + 1, y + 1)) << "at " << x << ", " << y;
}

TEST_F (AlineButtonTest, CaptionFontUsesNameStyleAndHeightCappedAt13)
{
    button.setFontName ("Verdana");
    button.setFontStyle (juce::Font::bold);

    std::vector<juce::Font> fonts;
    paintIntoImage (button, &fonts);

    ASSERT_EQ (fonts.size(), 2u); // "O" and "K"

    for (auto& f : fonts)
    {
        EXPECT_EQ (f.getTypefaceName(), "Verdana");
        EXPECT_TRUE (f.isBold());
        EXPECT_FALSE (f.isItalic());
        EXPECT_FLOAT_EQ (f.getHeight(), 13.0f); // 0.8 x 20 = 16, capped
    }

    button.setSize (100, 15);
    paintIntoImage (button, &fonts);
    ASSERT_FALSE (fonts.empty());
    EXPECT_NEAR (fonts.front().getHeight(), 12.0f, 1.0e-4f); // 0.8 x 15

    button.setSize (100, 10);
    paintIntoImage (button, &fonts);
    ASSERT_FALSE (fonts.empty());
    EXPECT_NEAR (fonts.front().getHeight(), 8.0f, 1.0e-4f);
}

TEST_F (AlineButtonTest, SetCaptionAlwaysRepaintsOnceAndFontSettersNever)
{
    auto* counter = new RepaintCounter();
    button.setCachedComponentImage (counter); // owned by the button
    button.setVisible (true);
    counter->repaints = 0;

    button.setCaption ("OK"); // unchanged
    EXPECT_EQ (counter->repaints, 1);

    button.setCaption ("Start");
    EXPECT_EQ (counter->repaints, 2);

    button.setFontName ("MS PGothic");
    button.setFontStyle (juce::Font::italic);
    EXPECT_EQ (counter->repaints, 2);

    EXPECT_TRUE (button.keyPressed (juce::KeyPress (juce::KeyPress::returnKey)));
    EXPECT_EQ (counter->repaints, 3);

    button.setCachedComponentImage (nullptr);
}

//==============================================================================
TEST_F (AlineButtonTest, ReturnOrSpaceIsConsumedLooksPressedAndClicksOnceAfterRelease)
{
    const auto up = paintIntoImage (button);
    int clicks = 0;

    for (const int key : { (int) juce::KeyPress::returnKey, (int) juce::KeyPress::spaceKey })
    {
        SCOPED_TRACE (key == juce::KeyPress::returnKey ? "Return" : "Space");
        EXPECT_FALSE (button.isReturnKeyDown());

        EXPECT_TRUE (button.keyPressed (juce::KeyPress (key)));
        EXPECT_TRUE (button.isReturnKeyDown());
        EXPECT_EQ (listener.clicks, clicks); // no immediate click, unlike juce::Button

        // The key is not physically down here, so this paint is the one that
        // sees it released: it still shows the press, then clicks.
        const auto pressed = paintIntoImage (button);
        EXPECT_TRUE (pixelNear (pressed, 50, 0, blackPixel));
        EXPECT_TRUE (pixelNear (pressed, 99, 10, whitePixel));
        EXPECT_EQ (darkPixelBounds (pressed, 3), darkPixelBounds (up, 3).translated (1, 1));
        EXPECT_FALSE (button.isReturnKeyDown());

        // The click goes through the message queue.
        ++clicks;
        EXPECT_TRUE (MessageLoop::runUntil ([&] { return listener.clicks == clicks; }, 3000));

        // Another paint must not click again: a click would be posted by now.
        paintIntoImage (button);
        MessageLoop::runUntilIdle();
        EXPECT_EQ (listener.clicks, clicks);
    }
}

TEST_F (AlineButtonTest, ReturnOrSpaceWithShiftCtrlOrAltAndOtherKeysAreLeftAlone)
{
    const auto up = paintIntoImage (button);

    const juce::ModifierKeys modifiers[] = { juce::ModifierKeys (juce::ModifierKeys::shiftModifier),
                                             juce::ModifierKeys (juce::ModifierKeys::ctrlModifier),
                                             juce::ModifierKeys (juce::ModifierKeys::altModifier),
                                             juce::ModifierKeys (juce::ModifierKeys::shiftModifier
                                                                 | juce::ModifierKeys::altModifier) };

    for (auto& m : modifiers)
        for (const int key : { (int) juce::KeyPress::returnKey, (int) juce::KeyPress::spaceKey })
        {
            EXPECT_FALSE (button.keyPressed (juce::KeyPress (key, m, 0)));
            EXPECT_FALSE (button.isReturnKeyDown());
            EXPECT_TRUE (imagesEqual (paintIntoImage (button), up));
        }

    EXPECT_FALSE (button.keyPressed (juce::KeyPress ('a')));
    EXPECT_FALSE (button.keyPressed (juce::KeyPress (juce::KeyPress::escapeKey)));
    EXPECT_FALSE (button.isReturnKeyDown());

    MessageLoop::runUntilIdle();
    EXPECT_EQ (listener.clicks, 0);
}

TEST_F (AlineButtonTest, ReturnOnDisabledButtonLooksPressedButDoesNotClick)
{
    button.setEnabled (false);

    EXPECT_TRUE (button.keyPressed (juce::KeyPress (juce::KeyPress::returnKey)));
    const auto pressed = paintIntoImage (button);
    EXPECT_TRUE (pixelNear (pressed, 50, 0, blackPixel));
    EXPECT_FALSE (button.isReturnKeyDown());

    MessageLoop::runUntilIdle();
    EXPECT_EQ (listener.clicks, 0);
}

//==============================================================================
// The frame (5, 3, 90, 14), 0.5 thick, covers half of row 3 and of column 5
// on a 100 x 20 button.
TEST_F (AlineButtonTest, NoFocusFrameWithoutKeyboardFocus)
{
    juce::Component parent;
    parent.setSize (100, 20);
    parent.addAndMakeVisible (button);
    button.setWantsKeyboardFocus (true);

    ASSERT_FALSE (button.hasKeyboardFocus (true));
    const auto image = paintIntoImage (button);
    EXPECT_TRUE (pixelIs (image, 20, 3, faceColour));
    EXPECT_TRUE (pixelIs (image, 20, 16, faceColour));
    EXPECT_TRUE (pixelIs (image, 5, 10, faceColour));
    EXPECT_TRUE (pixelIs (image, 94, 10, faceColour));

    parent.removeChildComponent (&button);
}

//==============================================================================
// BtnLookAndFeel on a plain TextButton with an empty caption: only the
// background shows.
class BtnLookAndFeelTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        button.setLookAndFeel (&lookAndFeel);
        button.setColour (juce::TextButton::buttonColourId, juce::Colour (faceColour));
        button.setBounds (0, 0, 100, 20);
    }

    void TearDown() override { button.setLookAndFeel (nullptr); }

    BtnLookAndFeel lookAndFeel;
    juce::TextButton button;
};

TEST_F (BtnLookAndFeelTest, UnconnectedButtonIsALozengeInsetOnEverySide)
{
    const auto up = paintIntoImage (button);

    // Rounded ends: the corners stay transparent.
    for (auto p : { juce::Point<int> (0, 0), { 1, 1 }, { 99, 0 }, { 98, 1 }, { 0, 19 }, { 1, 18 }, { 99, 19 }, { 98, 18 } })
        EXPECT_EQ (up.getPixelAt (p.x, p.y).getAlpha(), 0) << "corner pixel " << p.x << ", " << p.y;

    for (auto p : { juce::Point<int> (2, 2), { 97, 2 }, { 2, 17 }, { 97, 17 } })
        EXPECT_LT (up.getPixelAt (p.x, p.y).getAlpha(), 0x10) << "corner pixel " << p.x << ", " << p.y;

    EXPECT_TRUE (pixelIs (up, 50, 10, faceColour));
    EXPECT_TRUE (pixelNear (up, 50, 0, whitePixel));
    EXPECT_TRUE (pixelNear (up, 0, 10, whitePixel));
    EXPECT_TRUE (pixelNear (up, 50, 19, blackPixel));
    EXPECT_TRUE (pixelNear (up, 99, 10, blackPixel));

    // Inset 1.25: the 2.5 stroke reaches 2.5 pixels in, so rows 2 and 17 are
    // half covered (on a connected edge they would be pure face).
    const auto row2 = up.getPixelAt (50, 2);
    const auto row17 = up.getPixelAt (50, 17);
    EXPECT_GT (row2.getRed(), 0xea + 5);
    EXPECT_NEAR (row17.getRed(), 0xea / 2, 0x18);

    button.setState (juce::Button::buttonDown);
    const auto down = paintIntoImage (button);
    EXPECT_TRUE (pixelNear (down, 50, 0, blackPixel));
    EXPECT_TRUE (pixelNear (down, 0, 10, blackPixel));
    EXPECT_TRUE (pixelNear (down, 50, 19, whitePixel));
    EXPECT_TRUE (pixelNear (down, 99, 10, whitePixel));
    EXPECT_EQ (down.getPixelAt (1, 1).getAlpha(), 0);
}

TEST_F (BtnLookAndFeelTest, OnlyCornersWithNoConnectedEdgeAreRounded)
{
    button.setConnectedEdges (juce::Button::ConnectedOnLeft);
    const auto image = paintIntoImage (button);

    // Left corners are square, right ones rounded.
    EXPECT_GT (image.getPixelAt (0, 1).getAlpha(), 0xf0);
    EXPECT_GT (image.getPixelAt (0, 18).getAlpha(), 0xf0);
    EXPECT_EQ (image.getPixelAt (97, 1).getAlpha(), 0);
    EXPECT_EQ (image.getPixelAt (97, 18).getAlpha(), 0);

    // The free top edge is inset, the connected left edge is not.
    EXPECT_TRUE (pixelIs (image, 2, 10, faceColour));
    EXPECT_NE (pixel (image, 50, 2), faceColour);

    // Connected on all sides, as every AlineButton is: a square face with
    // the bevel on the very edge pixels.
    // Connected on top only: the top corners are square, the bottom ones round.
    button.setConnectedEdges (juce::Button::ConnectedOnTop);
    const auto topOnly = paintIntoImage (button);
    EXPECT_GT (topOnly.getPixelAt (2, 0).getAlpha(), 0xf0);
    EXPECT_GT (topOnly.getPixelAt (97, 0).getAlpha(), 0xf0);
    EXPECT_EQ (topOnly.getPixelAt (2, 18).getAlpha(), 0);
    EXPECT_EQ (topOnly.getPixelAt (97, 18).getAlpha(), 0);

    button.setConnectedEdges (15);
    const auto square = paintIntoImage (button);
    EXPECT_TRUE (pixelNear (square, 0, 1, whitePixel));
    EXPECT_TRUE (pixelNear (square, 1, 0, whitePixel));
    EXPECT_TRUE (pixelNear (square, 99, 18, blackPixel));
    EXPECT_TRUE (pixelIs (square, 50, 2, faceColour));
    EXPECT_TRUE (pixelIs (square, 50, 17, faceColour));
}

TEST_F (BtnLookAndFeelTest, BodyOf2Point5OrLessDrawsNothing)
{
    auto isBlank = [] (const juce::Image& image) {
        for (int y = 0; y < image.getHeight(); ++y)
            for (int x = 0; x < image.getWidth(); ++x)
                if (image.getPixelAt (x, y).getAlpha() != 0)
                    return false;
        return true;
    };

    button.setSize (5, 20); // 5 - 2 x 1.25 = 2.5
    EXPECT_TRUE (isBlank (paintIntoImage (button)));

    button.setSize (6, 20);
    EXPECT_FALSE (isBlank (paintIntoImage (button)));

    button.setConnectedEdges (15);
    button.setSize (20, 2); // 2 - 2 x 0.1 = 1.8
    EXPECT_TRUE (isBlank (paintIntoImage (button)));

    button.setSize (20, 3);
    EXPECT_FALSE (isBlank (paintIntoImage (button)));
}
