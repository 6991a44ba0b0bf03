// ProgressLookAndFeel and LangLookAndFeel, drawn for real into images. A
// recording renderer also notes the font and the fallback font name of every
// glyph, so that "which font drew this" can be asked of the real drawing.

#include <gtest/gtest.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include "localisation/TextTables.h"
#include "localisation/TxtLoader.h"
#include "GlyphRecorder.h"
#include "ImageChecks.h"
#include "MessageLoop.h"
#include "ui/LangLookAndFeel.h"
#include "ui/ProgressLookAndFeel.h"

#include <vector>

namespace
{
juce::String utf8 (const char* text)
{
    return juce::String::fromUTF8 (text);
}

// Pixels in the area matching a predicate.
template <typename Predicate>
int countPixels (const juce::Image& image, juce::Rectangle<int> area, Predicate predicate)
{
    int n = 0;

    for (int y = area.getY(); y < area.getBottom(); ++y)
        for (int x = area.getX(); x < area.getRight(); ++x)
            if (predicate (image.getPixelAt (x, y)))
                ++n;

    return n;
}

//==============================================================================
constexpr juce::uint32 troughColour = 0xff203040;

class ProgressLookAndFeelTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        bar.setColour (juce::ProgressBar::backgroundColourId, juce::Colour (troughColour));
        // Not ours to use: it must not show up anywhere.
        bar.setColour (juce::ProgressBar::foregroundColourId, juce::Colour (0xffff0000));
        bar.setLookAndFeel (&lookAndFeel);
    }

    void TearDown() override { bar.setLookAndFeel (nullptr); }

    juce::Image draw (int width, int height, double progress, const juce::String& text,
                      std::vector<GlyphInfo>* glyphs = nullptr, const juce::Font* startFont = nullptr)
    {
        juce::Image image (juce::Image::ARGB, width, height, true);
        GlyphRecorder recorder (image);

        {
            juce::Graphics g (recorder);

            if (startFont != nullptr)
                g.setFont (*startFont);

            lookAndFeel.drawProgressBar (g, bar, width, height, progress, text);
        }

        if (glyphs != nullptr)
            *glyphs = recorder.glyphs;

        return image;
    }

    static bool isGrey (juce::Colour c)
    {
        return c.getRed() == c.getGreen() && c.getGreen() == c.getBlue() && c.getAlpha() == 255;
    }

    ProgressLookAndFeel lookAndFeel;
    double value = 0.5;
    juce::ProgressBar bar { value };
};
} // namespace

TEST_F (ProgressLookAndFeelTest, HalfProgressFillsTroughAndBarRectangle)
{
    const auto image = draw (400, 20, 0.5, {});

    // Trough: the 2-pixel margin on every side, and right of the bar.
    for (int x = 0; x < 400; ++x)
    {
        ASSERT_TRUE (pixelIs (image, x, 0, troughColour));
        ASSERT_TRUE (pixelIs (image, x, 1, troughColour));
        ASSERT_TRUE (pixelIs (image, x, 18, troughColour));
        ASSERT_TRUE (pixelIs (image, x, 19, troughColour));
    }

    for (int y = 2; y < 18; ++y)
    {
        ASSERT_TRUE (pixelIs (image, 0, y, troughColour));
        ASSERT_TRUE (pixelIs (image, 1, y, troughColour));

        // Bar (2, 2, 198, 16): columns 2..199 are bar, 200 onwards trough.
        for (int x = 2; x < 200; ++x)
            ASSERT_TRUE (isGrey (image.getPixelAt (x, y))) << x << ", " << y;

        for (int x = 200; x < 400; ++x)
            ASSERT_TRUE (pixelIs (image, x, y, troughColour));
    }

    EXPECT_EQ (countPixels (image, image.getBounds(), [] (juce::Colour c) { return c.getRed() > 0xc0; }), 0)
        << "no text and no foreground colour expected";
}

TEST_F (ProgressLookAndFeelTest, BarIsShadedTopToMiddleToBottom)
{
    const auto image = draw (400, 20, 0.5, {});

    // The gradient runs from y = 2 to y = height - 4 = 16, so the rows below
    // 16 keep the bottom colour. JUCE samples it at the pixel centres.
    auto expectedGrey = [] (int y) {
        const double p = juce::jlimit (0.0, 1.0, (y + 0.5 - 2) / 14.0);
        return p < 0.5 ? 0xa7 + (0x64 - 0xa7) * (p / 0.5)
                       : 0x64 + (0x6c - 0x64) * ((p - 0.5) / 0.5);
    };

    for (int y = 2; y < 18; ++y)
        EXPECT_NEAR (image.getPixelAt (100, y).getRed(), expectedGrey (y), 3.0) << "row " << y;

    EXPECT_NEAR (image.getPixelAt (100, 2).getRed(), 0xa7, 6);
    EXPECT_NEAR (image.getPixelAt (100, 9).getRed(), 0x64, 3);
    EXPECT_TRUE (pixelIs (image, 100, 16, 0xff6c6c6c));
    EXPECT_TRUE (pixelIs (image, 100, 17, 0xff6c6c6c));

    // Vertical only: every column of a row is alike.
    for (int y = 2; y < 18; ++y)
        EXPECT_EQ (pixel (image, 2, y), pixel (image, 199, y));
}

TEST_F (ProgressLookAndFeelTest, OutOfRangeProgressIsClampedToEmptyOrFull)
{
    const auto empty = draw (400, 20, 0.0, {});
    const auto full = draw (400, 20, 1.0, {});

    EXPECT_TRUE (pixelIs (empty, 2, 10, troughColour));
    EXPECT_TRUE (pixelIs (empty, 200, 10, troughColour));

    EXPECT_TRUE (isGrey (full.getPixelAt (2, 2)));
    EXPECT_TRUE (isGrey (full.getPixelAt (397, 17)));
    EXPECT_TRUE (pixelIs (full, 398, 10, troughColour));
    EXPECT_TRUE (pixelIs (full, 397, 18, troughColour));

    EXPECT_TRUE (imagesEqual (draw (400, 20, -1.0, {}), empty));
    EXPECT_TRUE (imagesEqual (draw (400, 20, 2.0, {}), full));
}

TEST_F (ProgressLookAndFeelTest, BarWidthIsNotRoundedToWholePixels)
{
    // (401 - 4) x 0.5 = 198.5: column 200 is half bar, half trough.
    const auto image = draw (401, 20, 0.5, {});
    const auto edge = image.getPixelAt (200, 10);

    EXPECT_TRUE (isGrey (image.getPixelAt (199, 10)));
    EXPECT_NE (edge.getARGB(), troughColour);
    EXPECT_NE (edge.getARGB(), pixel (image, 199, 10));
    EXPECT_TRUE (pixelIs (image, 201, 10, troughColour));
}

TEST_F (ProgressLookAndFeelTest, TextIsWhiteCentredAtFourFifthsOfTheHeightAndOnlyWhenGiven)
{
    std::vector<GlyphInfo> glyphs;
    const juce::Font startFont ("Verdana", 30.0f, juce::Font::bold);
    const auto image = draw (400, 20, 0.5, "50%", &glyphs, &startFont);

    auto isWhitish = [] (juce::Colour c) { return c.getRed() > 0xe0 && c.getGreen() > 0xe0 && c.getBlue() > 0xe0; };

    const auto ink = boundsOfPixels (image, isWhitish);
    ASSERT_FALSE (ink.isEmpty()) << "no white text";
    EXPECT_NEAR (ink.getCentreX(), 200, 3);
    EXPECT_NEAR (ink.getCentreY(), 10, 3);

    // The current font's typeface and style are kept, only the height changes.
    ASSERT_EQ (glyphs.size(), 3u);

    for (auto& g : glyphs)
    {
        EXPECT_EQ (g.font.getTypefaceName(), "Verdana");
        EXPECT_TRUE (g.font.isBold());
        EXPECT_FLOAT_EQ (g.font.getHeight(), 16.0f);
    }

    // The bar underneath is unchanged away from the text.
    EXPECT_TRUE (pixelIs (image, 300, 10, troughColour));

    std::vector<GlyphInfo> none;
    const auto noText = draw (400, 20, 0.5, {}, &none);
    EXPECT_TRUE (none.empty());
    EXPECT_TRUE (boundsOfPixels (noText, isWhitish).isEmpty());
}

TEST_F (ProgressLookAndFeelTest, RealProgressBarPaintsThroughIt)
{
    bar.setSize (400, 20);

    juce::Image image (juce::Image::ARGB, 400, 20, true);
    {
        juce::Graphics g (image);
        bar.paintEntireComponent (g, false);
    }

    // 0.5 at construction: half bar, "50%" in white, the trough elsewhere.
    EXPECT_TRUE (pixelIs (image, 1, 10, troughColour));
    EXPECT_TRUE (isGrey (image.getPixelAt (10, 10)));
    EXPECT_TRUE (pixelIs (image, 350, 10, troughColour));
    EXPECT_GT (countPixels (image, { 150, 0, 100, 20 }, [] (juce::Colour c) { return c.getRed() > 0xe0; }), 10);
}

//==============================================================================
namespace
{
struct ItemOptions
{
    int width = 200, height = 24;
    bool isSeparator = false, isActive = true, isHighlighted = false, isTicked = false, hasSubMenu = false;
    juce::String shortcut;
    const juce::Colour* textColour = nullptr;
    juce::uint32 background = 0xffffffff;
};

struct ItemDrawing
{
    juce::Image image;
    std::vector<GlyphInfo> glyphs;
};

class LangLookAndFeelTest : public ::testing::Test
{
protected:
    // The look is the default one, as the main component makes it: JUCE
    // makes every typeface through the default look-and-feel, so only then
    // do the program's font names reach real fonts.
    void SetUp() override
    {
        savedFallback = juce::Font::getFallbackFontName();
        juce::Font::setFallbackFontName (sentinel);
        juce::LookAndFeel::setDefaultLookAndFeel (&lookAndFeel);
        juce::Typeface::clearTypefaceCache();
    }

    void TearDown() override
    {
        juce::LookAndFeel::setDefaultLookAndFeel (nullptr);
        juce::Typeface::clearTypefaceCache();
        juce::Font::setFallbackFontName (savedFallback);
    }

    ItemDrawing drawItem (const juce::String& text, const ItemOptions& o = {})
    {
        ItemDrawing d { juce::Image (juce::Image::ARGB, o.width, o.height, true), {} };
        GlyphRecorder recorder (d.image);

        {
            juce::Graphics g (recorder);
            g.fillAll (juce::Colour (o.background));
            lookAndFeel.drawPopupMenuItem (g, { 0, 0, o.width, o.height }, o.isSeparator, o.isActive,
                                           o.isHighlighted, o.isTicked, o.hasSubMenu, text, o.shortcut,
                                           nullptr, o.textColour);
        }

        d.glyphs = recorder.glyphs;
        return d;
    }

    // The text as the item draws it, but straight through Graphics.
    juce::Image drawDirectly (const juce::String& text, const juce::Font& font, int width = 200, int height = 24)
    {
        juce::Image image (juce::Image::ARGB, width, height, true);
        juce::Graphics g (image);
        g.fillAll (juce::Colours::white);
        g.setColour (lookAndFeel.findColour (juce::PopupMenu::textColourId));
        g.setFont (font);

        auto r = juce::Rectangle<int> (0, 0, width, height).reduced (1);
        r.removeFromLeft ((r.getHeight() * 5) / 4);
        r.removeFromRight (3);
        g.drawFittedText (text, r, juce::Justification::centredLeft, 1);
        return image;
    }

    juce::String popupFontName() { return lookAndFeel.getPopupMenuFont().getTypefaceName(); }

    juce::LangLookAndFeel lookAndFeel;
    const juce::String sentinel { "Sentinel Fallback" };
    juce::String savedFallback;
};
} // namespace

TEST_F (LangLookAndFeelTest, ComboBoxFontIsSelectedLanguagesFontAtCappedHeight)
{
    auto* catalogue = TxtLoader::getInstance();
    juce::ComboBox box;

    for (int i = 0; i < kLanguageCount; ++i)
        box.addItem (catalogue->getLanguageName (i), i + 1);

    box.addItem ("Not a language", 13);

    box.setSize (200, 20);
    box.setSelectedId (12, juce::dontSendNotification);
    auto font = lookAndFeel.getComboBoxFont (box);
    EXPECT_EQ (font.getTypefaceName(), "MS PGothic");
    EXPECT_FLOAT_EQ (font.getHeight(), 15.0f); // 0.85 x 20 = 17, capped
    EXPECT_EQ (font.getStyleFlags(), (int) juce::Font::plain);

    box.setSize (200, 10);
    EXPECT_NEAR (lookAndFeel.getComboBoxFont (box).getHeight(), 8.5f, 1.0e-4f);

    box.setSelectedId (9, juce::dontSendNotification);
    EXPECT_EQ (lookAndFeel.getComboBoxFont (box).getTypefaceName(), "Microsoft YaHei");

    box.setSelectedId (1, juce::dontSendNotification);
    EXPECT_EQ (lookAndFeel.getComboBoxFont (box).getTypefaceName(), "Verdana");

    box.setSelectedId (13, juce::dontSendNotification);
    EXPECT_EQ (lookAndFeel.getComboBoxFont (box).getTypefaceName(), juce::String());

    box.setSelectedId (0, juce::dontSendNotification);
    EXPECT_EQ (box.getSelectedId(), 0);
    EXPECT_EQ (lookAndFeel.getComboBoxFont (box).getTypefaceName(), juce::String());
}

TEST_F (LangLookAndFeelTest, LaidOutComboBoxDrawsItsTextInTheSelectedLanguagesFont)
{
    juce::ComboBox box;

    for (int i = 0; i < kLanguageCount; ++i)
        box.addItem (kLanguageNames[i], i + 1);

    box.setLookAndFeel (&lookAndFeel);
    box.setSelectedId (12, juce::dontSendNotification);
    box.setBounds (0, 0, 200, 20); // lays the text out with getComboBoxFont

    juce::Image image (juce::Image::ARGB, 200, 20, true);
    GlyphRecorder recorder (image);
    {
        juce::Graphics g (recorder);
        box.paintEntireComponent (g, false);
    }

    ASSERT_EQ (recorder.glyphs.size(), 3u); // 日本語

    for (auto& g : recorder.glyphs)
    {
        EXPECT_EQ (g.font.getTypefaceName(), "MS PGothic");
        EXPECT_FLOAT_EQ (g.font.getHeight(), 15.0f);
    }

    box.setLookAndFeel (nullptr);
}

TEST_F (LangLookAndFeelTest, HighlightIsFixedNavyWhateverTheColourScheme)
{
    lookAndFeel.setColour (juce::PopupMenu::highlightedBackgroundColourId, juce::Colour (0xffff0000));
    lookAndFeel.setColour (juce::PopupMenu::highlightedTextColourId, juce::Colour (0xff00ff00));
    const juce::Colour red (0xffff0000);

    ItemOptions highlighted;
    highlighted.isHighlighted = true;
    highlighted.textColour = &red; // the highlight's text colour wins over it
    const auto on = drawItem ("Deutsch", highlighted);

    // Filled inside a 1-pixel margin.
    EXPECT_TRUE (pixelIs (on.image, 1, 1, 0xff000040));
    EXPECT_TRUE (pixelIs (on.image, 198, 22, 0xff000040));
    EXPECT_TRUE (pixelIs (on.image, 190, 12, 0xff000040));
    EXPECT_TRUE (pixelIs (on.image, 0, 0, 0xffffffff));
    EXPECT_TRUE (pixelIs (on.image, 199, 23, 0xffffffff));

    auto greenish = [] (juce::Colour c) { return c.getGreen() > 0xc0 && c.getRed() < 0x40; };
    auto reddish = [] (juce::Colour c) { return c.getRed() > 0xc0 && c.getGreen() < 0x40; };
    EXPECT_GT (countPixels (on.image, on.image.getBounds(), greenish), 10);
    EXPECT_EQ (countPixels (on.image, on.image.getBounds(), reddish), 0);

    // Not highlighted: no fill, the given text colour.
    ItemOptions plain;
    plain.textColour = &red;
    const auto off = drawItem ("Deutsch", plain);
    EXPECT_TRUE (pixelIs (off.image, 1, 1, 0xffffffff));
    EXPECT_TRUE (pixelIs (off.image, 190, 12, 0xffffffff));
    EXPECT_GT (countPixels (off.image, off.image.getBounds(), reddish), 10);
}

TEST_F (LangLookAndFeelTest, LanguageNamesAreDrawnInTheirOwnFont)
{
    const auto japanese = drawItem (utf8 (u8"日本語"));

    ASSERT_EQ (japanese.glyphs.size(), 3u);

    for (auto& g : japanese.glyphs)
    {
        EXPECT_EQ (g.font.getTypefaceName(), "MS PGothic");
        EXPECT_FLOAT_EQ (g.font.getHeight(), 17.0f);
        EXPECT_EQ (g.fallbackFontName, "MS PGothic");
    }

    // Pixel for pixel the text drawn directly in MS PGothic, and not what
    // another font gives.
    EXPECT_TRUE (imagesEqual (japanese.image, drawDirectly (utf8 (u8"日本語"), juce::Font ("MS PGothic", 17.0f, juce::Font::plain))));
    EXPECT_FALSE (imagesEqual (japanese.image, drawDirectly (utf8 (u8"日本語"), juce::Font ("Verdana", 17.0f, juce::Font::plain))));

    const struct
    {
        const char* text;
        const char* font;
    } cases[] = {
        { u8"简体中文", "Microsoft YaHei" },
        { u8"繁體中文", "Microsoft JhengHei" },
        { u8"한국어", "Malgun Gothic" },
        { u8"Русский", "Verdana" },
        { u8"English", "Verdana" },
    };

    for (auto& c : cases)
    {
        const auto d = drawItem (utf8 (c.text));
        ASSERT_FALSE (d.glyphs.empty()) << c.text;

        for (auto& g : d.glyphs)
        {
            EXPECT_EQ (g.font.getTypefaceName(), c.font) << c.text;
            EXPECT_EQ (g.fallbackFontName, c.font) << c.text;
        }

        EXPECT_EQ (juce::Font::getFallbackFontName(), sentinel) << c.text;
    }

    const auto russian = drawItem (utf8 (u8"Русский"));
    EXPECT_TRUE (imagesEqual (russian.image, drawDirectly (utf8 (u8"Русский"), juce::Font ("Verdana", 17.0f, juce::Font::plain))));
}

TEST_F (LangLookAndFeelTest, FallbackMatchIgnoresAsciiCaseFontMatchIsExact)
{
    const struct
    {
        const char* text;
        const char* fallback;
        bool languageFont;
    } cases[] = {
        { u8"Deutsch", "Verdana", true },
        { u8"DEUTSCH", "Verdana", false },
        { u8"deutsch", "Verdana", false },
        { u8"ESPAñOL", "Verdana", false }, // ASCII letters folded, ñ kept
        { u8"ESPAÑOL", nullptr, false },   // Ñ is not ñ: no ASCII folding
        { u8"РУССКИЙ", nullptr, false },
        { u8"Deutsch!", nullptr, false },
        { u8"Settings", nullptr, false },
    };

    for (auto& c : cases)
    {
        const auto d = drawItem (utf8 (c.text));
        ASSERT_FALSE (d.glyphs.empty()) << c.text;

        const juce::String expectedFallback = c.fallback != nullptr ? juce::String (c.fallback) : sentinel;
        const juce::String expectedFont = c.languageFont ? juce::String ("Verdana") : popupFontName();

        for (auto& g : d.glyphs)
        {
            EXPECT_EQ (g.fallbackFontName, expectedFallback) << c.text;
            EXPECT_EQ (g.font.getTypefaceName(), expectedFont) << c.text;
        }

        EXPECT_EQ (juce::Font::getFallbackFontName(), sentinel) << "not restored after " << c.text;
    }
}

TEST_F (LangLookAndFeelTest, FontHeightIsCappedToItemHeightOver1Point3)
{
    ItemOptions small;
    small.height = 18;

    const auto language = drawItem ("Deutsch", small);
    ASSERT_FALSE (language.glyphs.empty());
    EXPECT_EQ (language.glyphs.front().font.getTypefaceName(), "Verdana");
    EXPECT_NEAR (language.glyphs.front().font.getHeight(), 18.0f / 1.3f, 1.0e-3f);

    const auto other = drawItem ("Settings", small);
    ASSERT_FALSE (other.glyphs.empty());
    EXPECT_EQ (other.glyphs.front().font.getTypefaceName(), popupFontName());
    EXPECT_NEAR (other.glyphs.front().font.getHeight(),
                 juce::jmin (lookAndFeel.getPopupMenuFont().getHeight(), 18.0f / 1.3f), 1.0e-3f);

    ItemOptions tall;
    tall.height = 30;
    const auto uncapped = drawItem ("Deutsch", tall);
    ASSERT_FALSE (uncapped.glyphs.empty());
    EXPECT_FLOAT_EQ (uncapped.glyphs.front().font.getHeight(), 17.0f);
}

TEST_F (LangLookAndFeelTest, SeparatorDrawsTwoRowsAndNothingElse)
{
    ItemOptions separator;
    separator.isSeparator = true;
    separator.height = 9;
    separator.background = 0xff808080;

    juce::Font::setFallbackFontName ("Before");
    const auto d = drawItem ("Deutsch", separator);
    EXPECT_EQ (juce::Font::getFallbackFontName(), "Before");
    EXPECT_TRUE (d.glyphs.empty());

    // 9 / 2 - 1 = 3: row 3 darker, row 4 lighter, 5 pixels in from each side.
    for (int x = 5; x < 195; ++x)
    {
        ASSERT_NEAR (d.image.getPixelAt (x, 3).getRed(), 0x80 * 0.8, 3) << x;
        ASSERT_NEAR (d.image.getPixelAt (x, 4).getRed(), 0x80 + 0x7f * 0.4, 3) << x;
    }

    for (int y = 0; y < 9; ++y)
    {
        EXPECT_TRUE (pixelIs (d.image, 4, y, 0xff808080));
        EXPECT_TRUE (pixelIs (d.image, 195, y, 0xff808080));

        if (y != 3 && y != 4)
        {
            for (int x = 0; x < 200; ++x)
                ASSERT_TRUE (pixelIs (d.image, x, y, 0xff808080));
        }
    }
}

TEST_F (LangLookAndFeelTest, TickSubMenuArrowAndShortcutGoWhereTheyBelong)
{
    auto dark = [] (juce::Colour c) { return c.getBrightness() < 0.6f; };

    const juce::Rectangle<int> iconBox (4, 4, 21, 16);    // (1,1,27,22) reduced by 3
    const juce::Rectangle<int> rightEnd (150, 1, 49, 22); // clear of "Deutsch"

    const auto plain = drawItem ("Deutsch");
    EXPECT_EQ (countPixels (plain.image, iconBox, dark), 0);
    EXPECT_EQ (countPixels (plain.image, rightEnd, dark), 0);
    EXPECT_GT (countPixels (plain.image, { 28, 1, 120, 22 }, dark), 10); // the name itself

    ItemOptions ticked;
    ticked.isTicked = true;
    EXPECT_GT (countPixels (drawItem ("Deutsch", ticked).image, iconBox, dark), 10);

    ItemOptions subMenu;
    subMenu.hasSubMenu = true;
    EXPECT_GT (countPixels (drawItem ("Deutsch", subMenu).image, rightEnd, dark), 5);

    ItemOptions shortcut;
    shortcut.shortcut = "Ctrl+D";
    const auto withShortcut = drawItem ("Deutsch", shortcut);
    EXPECT_GT (countPixels (withShortcut.image, rightEnd, dark), 10);
    ASSERT_EQ (withShortcut.glyphs.size(), 7u + 6u);

    // The shortcut is a copy of the item's font, 3/4 high and a little narrower.
    const auto& shortcutFont = withShortcut.glyphs.back().font;
    EXPECT_EQ (shortcutFont.getTypefaceName(), "Verdana");
    EXPECT_NEAR (shortcutFont.getHeight(), 17.0f * 0.75f, 1.0e-3f);
    EXPECT_NEAR (shortcutFont.getHorizontalScale(), 0.95f, 1.0e-3f);
    EXPECT_EQ (withShortcut.glyphs.back().fallbackFontName, "Verdana");
    EXPECT_EQ (juce::Font::getFallbackFontName(), sentinel);
}

TEST_F (LangLookAndFeelTest, InactiveItemIsDrawnAtThirtyPercent)
{
    auto darkest = [] (const juce::Image& image) {
        int lowest = 255;

        for (int y = 0; y < image.getHeight(); ++y)
            for (int x = 0; x < image.getWidth(); ++x)
                lowest = juce::jmin (lowest, (int) image.getPixelAt (x, y).getRed());

        return lowest;
    };

    EXPECT_LT (darkest (drawItem ("Deutsch").image), 0x30);

    ItemOptions inactive;
    inactive.isActive = false;
    const auto d = darkest (drawItem ("Deutsch", inactive).image);
    EXPECT_NEAR (d, 0xff * 0.7, 6); // black at 0.3 over white
}
