// The start-language rules and the locale callback, driven through a fixed
// locale source so that the results do not depend on the machine.

#include <gtest/gtest.h>

#include "localisation/LanguageDetection.h"
#include "localisation/TxtLoader.h"

#include <array>
#include <string>
#include <vector>

namespace
{
// Every test starts and ends without a shared catalogue, with a source
// that reports no locale and no known user language.
class CatalogueTest : public ::testing::Test
{
protected:
    void SetUp() override { TxtLoader::releaseInstance(); }
    void TearDown() override { TxtLoader::releaseInstance(); }

    FixedLocaleSource nothingInstalled { 0, {} };
    ScopedLocaleSource useSource { nothingInstalled };
};

std::vector<int> availableLanguages (const TxtLoader& catalogue)
{
    std::vector<int> result;

    for (int i = -1; i <= kLanguageCount; ++i)
        if (catalogue.isLanguageAvailable (i))
            result.push_back (i);

    return result;
}

std::vector<int> availableLanguages (const std::array<bool, kLanguageCount>& available)
{
    std::vector<int> result;

    for (int i = 0; i < kLanguageCount; ++i)
        if (available[(size_t) i])
            result.push_back (i);

    return result;
}

struct StartCase
{
    const char* what;
    juce::uint16 userLangId;
    std::vector<const char*> locales;
    int expectedLanguage;
    std::vector<int> expectedAvailable;
};

void PrintTo (const StartCase& c, std::ostream* os) { *os << c.what; }
} // namespace

//==============================================================================
class StartLanguage : public CatalogueTest,
                      public ::testing::WithParamInterface<StartCase>
{};

TEST_P (StartLanguage, FollowsUserLanguageAndInstalledLocales)
{
    const auto& c = GetParam();

    juce::StringArray locales;
    for (auto* l : c.locales)
        locales.add (l);

    FixedLocaleSource source (c.userLangId, locales);
    ScopedLocaleSource scoped (source);

    auto* catalogue = TxtLoader::getInstance();

    EXPECT_EQ (c.expectedLanguage, catalogue->getCurrentLanguage());
    EXPECT_EQ (c.expectedAvailable, availableLanguages (*catalogue));

    // The choice on its own gives the same answer again.
    const auto choice = chooseStartLanguage (source);
    EXPECT_EQ (c.expectedLanguage, choice.language);
    EXPECT_EQ (c.expectedAvailable, availableLanguages (choice.available));
}

INSTANTIATE_TEST_SUITE_P (Rules, StartLanguage, ::testing::Values (StartCase { "French Canada user, French locale", 0x0C0C, { "00000409", "0000040C" }, 1, { 0, 1 } }, StartCase { "Brazilian user, Brazilian locale", 0x0416, { "00000416" }, 7, { 0, 7 } }, StartCase { "Brazilian user, Portugal locale", 0x0416, { "00000816" }, 7, { 0, 7 } }, StartCase { "Singapore user, Chinese locale", 0x1004, { "00000804" }, 9, { 0, 8, 9 } }, StartCase { "Hong Kong user", 0x0C04, { "00000C04" }, 9, { 0, 8, 9 } }, StartCase { "Taiwan user", 0x0404, { "00000404" }, 9, { 0, 8, 9 } }, StartCase { "Macao user", 0x1404, { "00001404" }, 9, { 0, 8, 9 } }, StartCase { "neutral Traditional Chinese user", 0x7C04, { "00000404" }, 9, { 0, 8, 9 } }, StartCase { "PRC user", 0x0804, { "00000804" }, 8, { 0, 8, 9 } }, StartCase { "PRC user, only a Taiwan locale", 0x0804, { "00000404" }, 8, { 0, 8, 9 } }, StartCase { "other Chinese identifier", 0x7804, { "00000804" }, 0, { 0, 8, 9 } }, StartCase { "PRC user without a Chinese locale", 0x0804, { "00000409" }, 0, { 0 } }, StartCase { "Taiwan user without a Chinese locale", 0x0404, { "00000409" }, 0, { 0 } }, StartCase { "Singapore user without Chinese locale", 0x1004, { "00000411" }, 0, { 0, 11 } }, StartCase { "British user", 0x0809, { "00000809", "0000040C" }, 0, { 0, 1 } }, StartCase { "Polish user with a Polish locale", 0x0415, { "00000415" }, 0, { 0 } }, StartCase { "English-only system, German user", 0x0407, { "00000409", "00000809" }, 0, { 0 } }, StartCase { "German user, only Japanese installed", 0x0407, { "00000411" }, 0, { 0, 11 } }, StartCase { "Japanese user, Japanese locale", 0x0411, { "00000411" }, 11, { 0, 11 } }, StartCase { "Korean user, lower-case locale text", 0x0412, { "00000412" }, 10, { 0, 10 } }, StartCase { "French user, lower-case locale text", 0x040C, { "0000080c" }, 1, { 0, 1 } }, StartCase { "nothing enumerated", 0x040C, {}, 0, { 0 } }, StartCase { "user language unknown to the host", 0x0000, { "00000407" }, 0, { 0, 2 } }, StartCase { "every language installed, Dutch user", 0x0813, { "00000409", "0000040C", "00000407", "00000C0A", "00000410", "00000413", "00000419", "00000816", "00000804", "00000412", "00000411" }, 5, { 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11 } }));

//==============================================================================
TEST_F (CatalogueTest, StartLanguageLoadsThatLanguagesTexts)
{
    FixedLocaleSource german (0x0407, { "00000407" });
    ScopedLocaleSource scoped (german);

    auto* catalogue = TxtLoader::getInstance();

    EXPECT_EQ (juce::String ("Aktualisierungsprogramm"), catalogue->getText (txtTitle));
    EXPECT_EQ (juce::String ("Abbrechen"), catalogue->getText (txtCancel));
    EXPECT_EQ (juce::String ("Verdana"), catalogue->getCurrentFontName());
}

TEST_F (CatalogueTest, EnglishStartStillLoadsTexts)
{
    auto* catalogue = TxtLoader::getInstance();

    EXPECT_EQ (0, catalogue->getCurrentLanguage());
    EXPECT_EQ (juce::String ("Updater Program"), catalogue->getText (txtTitle));
}

//==============================================================================
TEST (MarkInstalledLocale, MatchesTheLowByteInEitherCase)
{
    struct Case
    {
        const char* text;
        std::vector<int> marked;
    };
    const Case cases[] = {
        { "0000040C", { 1 } },
        { "0000040c", { 1 } },
        { "0000080C", { 1 } }, // any French region
        { "00000407", { 2 } },
        { "00000C0A", { 3 } },
        { "0000040a", { 3 } },
        { "00000410", { 4 } },
        { "00000813", { 5 } },
        { "00000419", { 6 } },
        { "00000416", { 7 } },
        { "00000804", { 8, 9 } }, // both Chinese languages share 0x04
        { "00000C04", { 8, 9 } },
        { "00000412", { 10 } },
        { "00000411", { 11 } },
        { "00000409", {} },    // English is never examined
        { "00000415", {} },    // Polish: not a language of the program
        { "0409040C", { 1 } }, // only the last two characters count
        { "0C", { 1 } },
        { "000004ZZ", {} },
        { "C", {} },
        { "", {} },
    };

    for (auto& c : cases)
    {
        SCOPED_TRACE (c.text);
        std::array<bool, kLanguageCount> available {};

        EXPECT_EQ (1, markInstalledLocale (c.text, available));
        EXPECT_EQ (c.marked, availableLanguages (available));
    }
}

TEST (MarkInstalledLocale, AddsToEarlierMarksAndANullTextEndsTheEnumeration)
{
    std::array<bool, kLanguageCount> available {};

    markInstalledLocale ("00000407", available);
    markInstalledLocale ("00000411", available);
    markInstalledLocale ("00000409", available);
    EXPECT_EQ (0, markInstalledLocale (nullptr, available));

    EXPECT_EQ ((std::vector<int> { 2, 11 }), availableLanguages (available));
}
