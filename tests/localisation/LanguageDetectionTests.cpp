// The start-language rules and the locale callback, driven through a fixed
// locale source so that the results do not depend on the machine; and the
// host source's reading of POSIX locale names.

#include <gtest/gtest.h>

#include "localisation/LanguageDetection.h"
#include "localisation/TxtLoader.h"

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace
{
    // Every test starts and ends without a shared catalogue, with a source
    // that reports no locale and no known user language.
    class CatalogueTest  : public ::testing::Test
    {
    protected:
        void SetUp() override       { TxtLoader::releaseInstance(); }
        void TearDown() override    { TxtLoader::releaseInstance(); }

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

    void clearAvailability (TxtLoader& catalogue)
    {
        for (int i = 0; i < kLanguageCount; ++i)
            catalogue.setLanguageAvailable (i, false);
    }

    struct StartCase
    {
        const char* what;
        juce::uint16 userLangId;
        std::vector<const char*> locales;
        int expectedLanguage;
        std::vector<int> expectedAvailable;
    };

    void PrintTo (const StartCase& c, std::ostream* os)    { *os << c.what; }
}

//==============================================================================
class StartLanguage  : public CatalogueTest,
                       public ::testing::WithParamInterface<StartCase> {};

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

    // detectStartLanguage on its own gives the same answer again.
    EXPECT_EQ (c.expectedLanguage, detectStartLanguage());
    EXPECT_EQ (c.expectedAvailable, availableLanguages (*catalogue));
}

INSTANTIATE_TEST_SUITE_P (Rules, StartLanguage, ::testing::Values (
    StartCase { "French Canada user, French locale",      0x0C0C, { "00000409", "0000040C" }, 1, { 0, 1 } },
    StartCase { "Brazilian user, Brazilian locale",       0x0416, { "00000416" },             7, { 0, 7 } },
    StartCase { "Brazilian user, Portugal locale",        0x0416, { "00000816" },             7, { 0, 7 } },
    StartCase { "Singapore user, Chinese locale",         0x1004, { "00000804" },             9, { 0, 8, 9 } },
    StartCase { "Hong Kong user",                         0x0C04, { "00000C04" },             9, { 0, 8, 9 } },
    StartCase { "Taiwan user",                            0x0404, { "00000404" },             9, { 0, 8, 9 } },
    StartCase { "Macao user",                             0x1404, { "00001404" },             9, { 0, 8, 9 } },
    StartCase { "neutral Traditional Chinese user",       0x7C04, { "00000404" },             9, { 0, 8, 9 } },
    StartCase { "PRC user",                               0x0804, { "00000804" },             8, { 0, 8, 9 } },
    StartCase { "PRC user, only a Taiwan locale",         0x0804, { "00000404" },             8, { 0, 8, 9 } },
    StartCase { "other Chinese identifier",               0x7804, { "00000804" },             0, { 0, 8, 9 } },
    StartCase { "PRC user without a Chinese locale",      0x0804, { "00000409" },             0, { 0 } },
    StartCase { "Taiwan user without a Chinese locale",   0x0404, { "00000409" },             0, { 0 } },
    StartCase { "Singapore user without Chinese locale",  0x1004, { "00000411" },             0, { 0, 11 } },
    StartCase { "British user",                           0x0809, { "00000809", "0000040C" }, 0, { 0, 1 } },
    StartCase { "Polish user with a Polish locale",       0x0415, { "00000415" },             0, { 0 } },
    StartCase { "English-only system, German user",       0x0407, { "00000409", "00000809" }, 0, { 0 } },
    StartCase { "German user, only Japanese installed",   0x0407, { "00000411" },             0, { 0, 11 } },
    StartCase { "Japanese user, Japanese locale",         0x0411, { "00000411" },            11, { 0, 11 } },
    StartCase { "Korean user, lower-case locale text",    0x0412, { "00000412" },            10, { 0, 10 } },
    StartCase { "French user, lower-case locale text",    0x040C, { "0000080c" },             1, { 0, 1 } },
    StartCase { "nothing enumerated",                     0x040C, {},                         0, { 0 } },
    StartCase { "user language unknown to the host",      0x0000, { "00000407" },             0, { 0, 2 } },
    StartCase { "every language installed, Dutch user",   0x0813,
                { "00000409", "0000040C", "00000407", "00000C0A", "00000410", "00000413",
                  "00000419", "00000816", "00000804", "00000412", "00000411" },
                5, { 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11 } }
));

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

TEST_F (CatalogueTest, DetectionStartsFromEnglishOnlyEveryTime)
{
    auto* catalogue = TxtLoader::getInstance();

    for (int i = 0; i < kLanguageCount; ++i)
        catalogue->setLanguageAvailable (i, true);

    catalogue->setLanguageAvailable (0, false);

    // Nothing installed: stale flags from before must not survive.
    EXPECT_EQ (0, detectStartLanguage());
    EXPECT_EQ (std::vector<int> { 0 }, availableLanguages (*catalogue));
}

//==============================================================================
TEST_F (CatalogueTest, MarkInstalledLocaleMatchesLowByteInEitherCase)
{
    auto* catalogue = TxtLoader::getInstance();

    struct Case { const char* text; std::vector<int> marked; };
    const Case cases[] =
    {
        { "0000040C", { 1 } },
        { "0000040c", { 1 } },
        { "0000080C", { 1 } },      // any French region
        { "00000407", { 2 } },
        { "00000C0A", { 3 } },
        { "0000040a", { 3 } },
        { "00000410", { 4 } },
        { "00000813", { 5 } },
        { "00000419", { 6 } },
        { "00000416", { 7 } },
        { "00000804", { 8, 9 } },   // both Chinese languages share 0x04
        { "00000C04", { 8, 9 } },
        { "00000412", { 10 } },
        { "00000411", { 11 } },
        { "00000409", {} },         // English is never examined
        { "00000415", {} },         // Polish: not a language of the program
        { "0409040C", { 1 } },      // only the last two characters count
        { "0C",       { 1 } },
        { "000004ZZ", {} },
        { "C",        {} },
        { "",         {} },
    };

    for (auto& c : cases)
    {
        SCOPED_TRACE (c.text);
        clearAvailability (*catalogue);

        EXPECT_EQ (1, markInstalledLocale (c.text));
        EXPECT_EQ (c.marked, availableLanguages (*catalogue));
    }
}

TEST_F (CatalogueTest, MarkInstalledLocaleAddsToEarlierMarks)
{
    auto* catalogue = TxtLoader::getInstance();
    clearAvailability (*catalogue);

    markInstalledLocale ("00000407");
    markInstalledLocale ("00000411");
    markInstalledLocale ("00000409");

    EXPECT_EQ ((std::vector<int> { 2, 11 }), availableLanguages (*catalogue));
}

TEST_F (CatalogueTest, NullLocaleTextEndsEnumerationWithoutMarking)
{
    auto* catalogue = TxtLoader::getInstance();
    clearAvailability (*catalogue);

    EXPECT_EQ (0, markInstalledLocale (nullptr));
    EXPECT_TRUE (availableLanguages (*catalogue).empty());
}

TEST_F (CatalogueTest, MarkInstalledLocaleWritesTheSharedCatalogue)
{
    // Called before anything else, the callback brings the shared object
    // into being and marks it; the mark is still there afterwards.
    EXPECT_EQ (1, markInstalledLocale ("00000410"));
    EXPECT_TRUE (TxtLoader::getInstance()->isLanguageAvailable (4));
}

//==============================================================================
namespace
{
    std::vector<std::string> received;
    int stopAfter = -1;

    int recordLocale (const char* text)
    {
        received.emplace_back (text);
        return (stopAfter >= 0 && (int) received.size() >= stopAfter) ? 0 : 1;
    }

    std::vector<std::string> enumerate (const juce::StringArray& names, int stopAfterCount = -1)
    {
        received.clear();
        stopAfter = stopAfterCount;
        HostLocaleSource::enumerateLocaleNames (names, recordLocale);
        return received;
    }
}

TEST (HostLocaleSource, MapsPosixNamesToWindowsIdentifiers)
{
    struct Case { const char* name; juce::uint32 lcid; };
    const Case cases[] =
    {
        { "fr_CA.UTF-8",   0x0C0C },
        { "fr_FR",         0x040C },
        { "pt_BR",         0x0416 },
        { "pt_PT.utf8",    0x0816 },
        { "de_DE@euro",    0x0407 },
        { "de_DE.UTF-8@euro", 0x0407 },
        { "en_US.UTF-8",   0x0409 },
        { "en_GB",         0x0809 },
        { "es_ES.utf8",    0x0C0A },
        { "it_IT",         0x0410 },
        { "nl_NL",         0x0413 },
        { "ru_RU.KOI8-R",  0x0419 },
        { "ja_JP.eucJP",   0x0411 },
        { "ko_KR.UTF-8",   0x0412 },
        { "pl_PL",         0x0415 },
        { "zh_CN.UTF-8",   0x0804 },
        { "zh_TW",         0x0404 },
        { "zh_TW.UTF-8",   0x0404 },
        { "zh_HK.utf8",    0x0C04 },
        { "zh_MO",         0x1404 },
        { "zh_SG",         0x1004 },
        { "zh_Hant",       0x7C04 },
        { "fr",            0x000C },
        { "C",             0 },
        { "C.UTF-8",       0 },
        { "C.utf8",        0 },
        { "POSIX",         0 },
        { "",              0 },
        { "   ",           0 },
        { "garbage",       0 },
        { "no such/locale", 0 },
        { "_FR",           0 },
        { "@euro",         0 },
    };

    for (auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        EXPECT_EQ (c.lcid, HostLocaleSource::lcidForLocaleName (c.name));
    }
}

TEST (HostLocaleSource, WritesLocaleTextsAsEightUpperCaseHexDigits)
{
    EXPECT_EQ (juce::String ("00000C0C"), HostLocaleSource::localeTextForName ("fr_CA.UTF-8"));
    EXPECT_EQ (juce::String ("00000816"), HostLocaleSource::localeTextForName ("pt_PT"));
    EXPECT_EQ (juce::String ("00007C04"), HostLocaleSource::localeTextForName ("zh_Hant"));
    EXPECT_TRUE (HostLocaleSource::localeTextForName ("C").isEmpty());
    EXPECT_TRUE (HostLocaleSource::localeTextForName ("POSIX").isEmpty());
    EXPECT_TRUE (HostLocaleSource::localeTextForName ("garbage").isEmpty());
}

TEST (HostLocaleSource, EnumerationSkipsNonLocalesAndStopsOnFalse)
{
    const juce::StringArray names { "C", "C.utf8", "POSIX", "fr_FR.utf8", "garbage", "ja_JP.UTF-8", "de_DE@euro" };

    EXPECT_EQ ((std::vector<std::string> { "0000040C", "00000411", "00000407" }), enumerate (names));
    EXPECT_EQ ((std::vector<std::string> { "0000040C" }), enumerate (names, 1));
    EXPECT_EQ ((std::vector<std::string> { "0000040C", "00000411" }), enumerate (names, 2));
    EXPECT_TRUE (enumerate ({ "C", "POSIX" }).empty());
}

TEST (HostLocaleSource, ChoosesLocaleByPosixPrecedence)
{
    EXPECT_EQ (juce::String ("fr_CA.UTF-8"), HostLocaleSource::chooseLocaleName ("fr_CA.UTF-8", "de_DE", "ja_JP"));
    EXPECT_EQ (juce::String ("de_DE"),       HostLocaleSource::chooseLocaleName ("", "de_DE", "ja_JP"));
    EXPECT_EQ (juce::String ("de_DE"),       HostLocaleSource::chooseLocaleName (nullptr, "de_DE", "ja_JP"));
    EXPECT_EQ (juce::String ("ja_JP"),       HostLocaleSource::chooseLocaleName (nullptr, "", "ja_JP"));
    EXPECT_EQ (juce::String(),               HostLocaleSource::chooseLocaleName (nullptr, nullptr, nullptr));
    EXPECT_EQ (juce::String(),               HostLocaleSource::chooseLocaleName ("", "", ""));
}

namespace
{
    // Sets the three locale variables for the test's lifetime and puts the
    // previous values back afterwards.
    class ScopedLocaleEnvironment
    {
    public:
        ScopedLocaleEnvironment (const char* lcAll, const char* lcMessages, const char* lang)
        {
            for (auto* name : names)
            {
                auto* value = std::getenv (name);
                saved.push_back (value != nullptr ? std::optional<std::string> (value) : std::nullopt);
            }

            set ("LC_ALL", lcAll);
            set ("LC_MESSAGES", lcMessages);
            set ("LANG", lang);
        }

        ~ScopedLocaleEnvironment()
        {
            for (size_t i = 0; i < 3; ++i)
                set (names[i], saved[i] ? saved[i]->c_str() : nullptr);
        }

    private:
        static constexpr const char* names[3] = { "LC_ALL", "LC_MESSAGES", "LANG" };
        std::vector<std::optional<std::string>> saved;

        static void set (const char* name, const char* value)
        {
            if (value != nullptr)
                setenv (name, value, 1);
            else
                unsetenv (name);
        }
    };
}

TEST (HostLocaleSource, ReadsUserLanguageFromTheEnvironment)
{
    HostLocaleSource host;

    {
        ScopedLocaleEnvironment env ("fr_CA.UTF-8", "de_DE.UTF-8", "ja_JP.UTF-8");
        EXPECT_EQ (0x0C0C, host.userDefaultLangId());
    }
    {
        ScopedLocaleEnvironment env ("", "zh_SG.UTF-8", "ja_JP.UTF-8");
        EXPECT_EQ (0x1004, host.userDefaultLangId());
    }
    {
        ScopedLocaleEnvironment env (nullptr, nullptr, "pt_BR.UTF-8");
        EXPECT_EQ (0x0416, host.userDefaultLangId());
    }
    {
        ScopedLocaleEnvironment env ("C", nullptr, "fr_FR.UTF-8");
        EXPECT_EQ (0, host.userDefaultLangId());
    }
    {
        ScopedLocaleEnvironment env (nullptr, nullptr, nullptr);
        EXPECT_EQ (0, host.userDefaultLangId());
    }
}

TEST (HostLocaleSource, ListsTheLocalesTheSystemReports)
{
    // glibc's `locale -a` always reports POSIX; if the list came back empty
    // or garbled, reading the tool's output would be broken.
    const auto names = HostLocaleSource::listInstalledLocaleNames();
    EXPECT_TRUE (names.contains ("POSIX")) << names.joinIntoString (" ");

    for (auto& name : names)
        EXPECT_FALSE (name.containsAnyOf (" \t\r\n")) << name;
}

TEST (HostLocaleSource, IsTheDefaultSourceAndComesBackAfterAScopedOne)
{
    HostLocaleSource* host = dynamic_cast<HostLocaleSource*> (&getLocaleSource());
    ASSERT_NE (nullptr, host);

    {
        FixedLocaleSource fixed (0x0407, {});
        ScopedLocaleSource scoped (fixed);
        EXPECT_EQ (&fixed, &getLocaleSource());
    }

    EXPECT_EQ (host, &getLocaleSource());
}
