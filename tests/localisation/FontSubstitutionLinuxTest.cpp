// The Windows font names of the program reach installed host fonts: through
// the program's default look-and-feel, with every language's title drawn in
// real glyphs rather than the font's missing-glyph box.

#include <gtest/gtest.h>

#include <juce_gui_basics/juce_gui_basics.h>

#include "localisation/FontSubstitution.h"
#include "localisation/TxtLoader.h"
#include "ui/LangLookAndFeel.h"

namespace
{
constexpr float height = 20.0f;

// One character, drawn black on white at a fixed place.
juce::Image renderCharacter (const juce::Font& font, juce::juce_wchar c)
{
    juce::Image image (juce::Image::RGB, 40, 40, true);
    juce::Graphics g (image);
    g.fillAll (juce::Colours::white);
    g.setColour (juce::Colours::black);
    g.setFont (font);
    g.drawSingleLineText (juce::String::charToString (c), 8, 28);
    return image;
}

bool samePixels (const juce::Image& a, const juce::Image& b)
{
    for (int y = 0; y < a.getHeight(); ++y)
        for (int x = 0; x < a.getWidth(); ++x)
            if (a.getPixelAt (x, y) != b.getPixelAt (x, y))
                return false;

    return true;
}

int inkedPixels (const juce::Image& image)
{
    int count = 0;

    for (int y = 0; y < image.getHeight(); ++y)
        for (int x = 0; x < image.getWidth(); ++x)
            if (image.getPixelAt (x, y).getBrightness() < 0.5f)
                ++count;

    return count;
}

// U+FFFF is a noncharacter that no font maps, so it shows what the font
// draws for a character it does not have.
constexpr juce::juce_wchar noCharacter = 0xFFFF;

bool drawsAsMissing (const juce::Font& font, juce::juce_wchar c)
{
    return samePixels (renderCharacter (font, c), renderCharacter (font, noCharacter));
}

// JUCE keeps every typeface it made; a test that changes the default
// look-and-feel must not meet typefaces the previous one made.
void makeDefault (juce::LookAndFeel* lookAndFeel)
{
    juce::LookAndFeel::setDefaultLookAndFeel (lookAndFeel);
    juce::Typeface::clearTypefaceCache();
}

// The program's look as the default one, as the main component sets it.
class FontSubstitutionTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        makeDefault (&programLook);
    }

    void TearDown() override
    {
        makeDefault (nullptr);
        juce::Font::setFallbackFontName (savedFallback);
    }

    juce::LangLookAndFeel programLook;
    juce::String savedFallback { juce::Font::getFallbackFontName() };
};
} // namespace

//==============================================================================
TEST (FontSubstitutionTable, MapsTheProgramsWindowsFonts)
{
    EXPECT_EQ (juce::String ("DejaVu Sans"), FontSubstitution::hostFontFor ("Verdana"));
    EXPECT_EQ (juce::String ("Noto Sans CJK SC"), FontSubstitution::hostFontFor ("Microsoft YaHei"));
    EXPECT_EQ (juce::String ("Noto Sans CJK TC"), FontSubstitution::hostFontFor ("Microsoft JhengHei"));
    EXPECT_EQ (juce::String ("Noto Sans CJK KR"), FontSubstitution::hostFontFor ("Malgun Gothic"));
    EXPECT_EQ (juce::String ("Noto Sans CJK JP"), FontSubstitution::hostFontFor ("MS PGothic"));

    EXPECT_TRUE (FontSubstitution::hostFontFor ("DejaVu Sans").isEmpty());
    EXPECT_TRUE (FontSubstitution::hostFontFor ("Geneva CY").isEmpty());
    EXPECT_TRUE (FontSubstitution::hostFontFor ({}).isEmpty());
    EXPECT_TRUE (FontSubstitution::hostFontFor (juce::Font::getDefaultSansSerifFontName()).isEmpty());
}

TEST_F (FontSubstitutionTest, OnlyTheProgramsDefaultLookAndFeelSubstitutes)
{
    {
        // JUCE on its own finds no font of that name: the typeface is a
        // nameless one.
        juce::LookAndFeel_V2 jucesOwn;
        makeDefault (&jucesOwn);
        EXPECT_NE (juce::String ("DejaVu Sans"), juce::Font ("Verdana", height, juce::Font::plain).getTypefacePtr()->getName());
        makeDefault (nullptr);
    }

    makeDefault (&programLook);
    EXPECT_EQ (juce::String ("DejaVu Sans"), juce::Font ("Verdana", height, juce::Font::plain).getTypefacePtr()->getName());
}

TEST_F (FontSubstitutionTest, WindowsNamesGetTheHostTypefaceInTheSameStyle)
{
    const char* windowsNames[] = { "Verdana", "Microsoft YaHei", "Microsoft JhengHei", "Malgun Gothic", "MS PGothic" };

    for (auto* name : windowsNames)
    {
        SCOPED_TRACE (name);
        const auto host = FontSubstitution::hostFontFor (name);

        auto plain = juce::Font (name, height, juce::Font::plain).getTypefacePtr();
        EXPECT_EQ (host, plain->getName());
        EXPECT_FALSE (plain->getStyle().containsIgnoreCase ("Bold")) << plain->getStyle(); // DejaVu calls it "Book"

        auto bold = juce::Font (name, height, juce::Font::bold).getTypefacePtr();
        EXPECT_EQ (host, bold->getName());
        EXPECT_EQ (juce::String ("Bold"), bold->getStyle());

        // Italic exists in none of them: the family's regular face serves.
        auto italic = juce::Font (name, height, juce::Font::italic).getTypefacePtr();
        EXPECT_EQ (host, italic->getName());
    }
}

TEST_F (FontSubstitutionTest, EachLanguagesTitleDrawsRealGlyphs)
{
    TxtLoader catalogue;

    for (int language = 0; language < kLanguageCount; ++language)
    {
        catalogue.setLanguage (language);
        const auto& title = catalogue.getText (txtTitle);
        const juce::Font font (catalogue.getFontName (language), height, juce::Font::plain);
        SCOPED_TRACE (juce::String (language) + " " + title + " in " + font.getTypefaceName());

        EXPECT_EQ (FontSubstitution::hostFontFor (font.getTypefaceName()), font.getTypefacePtr()->getName());

        // The reference really is the missing-glyph drawing: another
        // character no font has looks the same.
        ASSERT_TRUE (drawsAsMissing (font, 0x10FFFD));

        for (auto c : juce::Array<juce::juce_wchar> (title.toUTF32().getAddress(), (int) title.length()))
        {
            if (c == ' ')
                continue;

            EXPECT_FALSE (drawsAsMissing (font, c)) << "U+" << juce::String::toHexString ((int) c);
            EXPECT_GT (inkedPixels (renderCharacter (font, c)), 0) << "U+" << juce::String::toHexString ((int) c);
        }

        // The whole title, as a screen draws text.
        juce::Image image (juce::Image::RGB, 400, 40, true);
        {
            juce::Graphics g (image);
            g.fillAll (juce::Colours::white);
            g.setColour (juce::Colours::black);
            g.setFont (font);
            g.drawText (title, image.getBounds(), juce::Justification::centredLeft, false);
        }
        EXPECT_GT (inkedPixels (image), 5 * title.length());
    }
}

TEST_F (FontSubstitutionTest, MissingGlyphsAreDetectable)
{
    // The check above must be able to fail: CJK text in the Latin font is
    // drawn as boxes.
    const juce::Font verdana ("Verdana", height, juce::Font::plain);
    EXPECT_TRUE (drawsAsMissing (verdana, 0x66F4)); // 更
    EXPECT_TRUE (drawsAsMissing (verdana, 0xC5C5)); // 업
    EXPECT_FALSE (drawsAsMissing (verdana, 'U'));
}

TEST_F (FontSubstitutionTest, DefaultSansSerifOfTheLookAndFeelIsSubstituted)
{
    juce::LangLookAndFeel lookAndFeel;
    FontSubstitution::setDefaultSansSerifTypefaceName (lookAndFeel, "MS PGothic");
    makeDefault (&lookAndFeel);

    const juce::Font general (height); // the "<Sans-Serif>" placeholder
    EXPECT_EQ (juce::String ("Noto Sans CJK JP"), general.getTypefacePtr()->getName());
    EXPECT_FALSE (drawsAsMissing (general, 0x30A2)); // ア
    EXPECT_FALSE (drawsAsMissing (general, 'A'));

    const juce::Font generalBold (height, juce::Font::bold);
    EXPECT_EQ (juce::String ("Bold"), generalBold.getTypefacePtr()->getStyle());

    makeDefault (nullptr);
}

TEST_F (FontSubstitutionTest, FamiliesMissingOnTheHostBecomeTheHostDefault)
{
    // A look-and-feel told the Windows name directly: JUCE cannot tell us
    // the name, but the font still gets a typeface with glyphs.
    juce::LangLookAndFeel lookAndFeel;
    lookAndFeel.setDefaultSansSerifTypefaceName ("MS PGothic");
    makeDefault (&lookAndFeel);

    const juce::Font general (height);
    EXPECT_TRUE (general.getTypefacePtr()->getName().isNotEmpty());
    EXPECT_FALSE (drawsAsMissing (general, 'A'));
    EXPECT_GT (inkedPixels (renderCharacter (general, 'A')), 0);

    // The macOS names of the second font table have no substitute.
    const juce::Font geneva ("Geneva CY", height, juce::Font::plain);
    EXPECT_TRUE (geneva.getTypefacePtr()->getName().isNotEmpty());
    EXPECT_GT (inkedPixels (renderCharacter (geneva, 0x0416)), 0); // Ж

    makeDefault (nullptr);
}

TEST_F (FontSubstitutionTest, FallbackFontNameGoesThroughTheTable)
{
    // Typeface::getFallbackTypeface is protected; it makes exactly this font,
    // whose style is empty unless someone set one.
    auto fallbackTypeface = [] {
        return juce::Font (juce::Font::getFallbackFontName(), juce::Font::getFallbackFontStyle(), 10.0f).getTypefacePtr();
    };

    juce::Font::setFallbackFontName ("Microsoft JhengHei");
    EXPECT_EQ (juce::String ("Noto Sans CJK TC"), fallbackTypeface()->getName());
    EXPECT_EQ (juce::String ("Regular"), fallbackTypeface()->getStyle());

    juce::Font::setFallbackFontName ("Malgun Gothic");
    EXPECT_EQ (juce::String ("Noto Sans CJK KR"), fallbackTypeface()->getName());
}

TEST_F (FontSubstitutionTest, OtherHostFontsPassThrough)
{
    EXPECT_EQ (juce::String ("DejaVu Serif"), juce::Font ("DejaVu Serif", height, juce::Font::plain).getTypefacePtr()->getName());
    EXPECT_EQ (juce::String ("Noto Sans CJK JP"), juce::Font ("Noto Sans CJK JP", height, juce::Font::plain).getTypefacePtr()->getName());
}
