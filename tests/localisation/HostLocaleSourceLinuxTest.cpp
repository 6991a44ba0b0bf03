// How the Linux host stands in for GetUserDefaultLangID and
// EnumSystemLocalesA: POSIX locale names read from the environment and from
// `locale -a`, turned into Windows identifiers.

#include <gtest/gtest.h>

#include "localisation/HostLocaleSourceLinux.h"

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

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
    PosixLocales::enumerateLocaleNames (names, recordLocale);
    return received;
}
} // namespace

TEST (PosixLocales, MapsPosixNamesToWindowsIdentifiers)
{
    struct Case
    {
        const char* name;
        juce::uint32 lcid;
    };
    const Case cases[] = {
        { "fr_CA.UTF-8", 0x0C0C },
        { "fr_FR", 0x040C },
        { "pt_BR", 0x0416 },
        { "pt_PT.utf8", 0x0816 },
        { "de_DE@euro", 0x0407 },
        { "de_DE.UTF-8@euro", 0x0407 },
        { "en_US.UTF-8", 0x0409 },
        { "en_GB", 0x0809 },
        { "es_ES.utf8", 0x0C0A },
        { "it_IT", 0x0410 },
        { "nl_NL", 0x0413 },
        { "ru_RU.KOI8-R", 0x0419 },
        { "ja_JP.eucJP", 0x0411 },
        { "ko_KR.UTF-8", 0x0412 },
        { "pl_PL", 0x0415 },
        { "zh_CN.UTF-8", 0x0804 },
        { "zh_TW", 0x0404 },
        { "zh_TW.UTF-8", 0x0404 },
        { "zh_HK.utf8", 0x0C04 },
        { "zh_MO", 0x1404 },
        { "zh_SG", 0x1004 },
        { "zh_Hant", 0x7C04 },
        { "fr", 0x000C },
        { "C", 0 },
        { "C.UTF-8", 0 },
        { "C.utf8", 0 },
        { "POSIX", 0 },
        { "", 0 },
        { "   ", 0 },
        { "garbage", 0 },
        { "no such/locale", 0 },
        { "_FR", 0 },
        { "@euro", 0 },
    };

    for (auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        EXPECT_EQ (c.lcid, PosixLocales::lcidForLocaleName (c.name));
    }
}

TEST (PosixLocales, WritesLocaleTextsAsEightUpperCaseHexDigits)
{
    EXPECT_EQ (juce::String ("00000C0C"), PosixLocales::localeTextForName ("fr_CA.UTF-8"));
    EXPECT_EQ (juce::String ("00000816"), PosixLocales::localeTextForName ("pt_PT"));
    EXPECT_EQ (juce::String ("00007C04"), PosixLocales::localeTextForName ("zh_Hant"));
    EXPECT_TRUE (PosixLocales::localeTextForName ("C").isEmpty());
    EXPECT_TRUE (PosixLocales::localeTextForName ("POSIX").isEmpty());
    EXPECT_TRUE (PosixLocales::localeTextForName ("garbage").isEmpty());
}

TEST (PosixLocales, EnumerationSkipsNonLocalesAndStopsOnFalse)
{
    const juce::StringArray names { "C", "C.utf8", "POSIX", "fr_FR.utf8", "garbage", "ja_JP.UTF-8", "de_DE@euro" };

    EXPECT_EQ ((std::vector<std::string> { "0000040C", "00000411", "00000407" }), enumerate (names));
    EXPECT_EQ ((std::vector<std::string> { "0000040C" }), enumerate (names, 1));
    EXPECT_EQ ((std::vector<std::string> { "0000040C", "00000411" }), enumerate (names, 2));
    EXPECT_TRUE (enumerate ({ "C", "POSIX" }).empty());
}

TEST (PosixLocales, ChoosesLocaleByPosixPrecedence)
{
    EXPECT_EQ (juce::String ("fr_CA.UTF-8"), PosixLocales::chooseLocaleName ("fr_CA.UTF-8", "de_DE", "ja_JP"));
    EXPECT_EQ (juce::String ("de_DE"), PosixLocales::chooseLocaleName ("", "de_DE", "ja_JP"));
    EXPECT_EQ (juce::String ("de_DE"), PosixLocales::chooseLocaleName (nullptr, "de_DE", "ja_JP"));
    EXPECT_EQ (juce::String ("ja_JP"), PosixLocales::chooseLocaleName (nullptr, "", "ja_JP"));
    EXPECT_EQ (juce::String(), PosixLocales::chooseLocaleName (nullptr, nullptr, nullptr));
    EXPECT_EQ (juce::String(), PosixLocales::chooseLocaleName ("", "", ""));
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
} // namespace

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

TEST (PosixLocales, ListsTheLocalesTheSystemReports)
{
    // glibc's `locale -a` always reports POSIX; if the list came back empty
    // or garbled, reading the tool's output would be broken.
    const auto names = PosixLocales::listInstalledLocaleNames();
    EXPECT_TRUE (names.contains ("POSIX")) << names.joinIntoString (" ");

    for (auto& name : names)
        EXPECT_FALSE (name.containsAnyOf (" \t\r\n")) << name;
}
