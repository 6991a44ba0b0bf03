// The Windows host source: GetUserDefaultLangID and EnumSystemLocalesA, as
// the start-language rules see them.

#include <gtest/gtest.h>

#include "localisation/LanguageDetection.h"
#include "localisation/TxtLoader.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace
{
std::vector<std::string> received;
size_t stopAfter = 0;

int recordLocale (const char* text)
{
    received.emplace_back (text);
    return (stopAfter > 0 && received.size() >= stopAfter) ? 0 : 1;
}

std::vector<std::string> enumerateHostLocales (size_t stopAfterCount = 0)
{
    received.clear();
    stopAfter = stopAfterCount;
    HostLocaleSource().enumerateInstalledLocales (recordLocale);
    return received;
}

bool isEightHexDigits (const std::string& text)
{
    return text.size() == 8 && text.find_first_not_of ("0123456789abcdefABCDEF") == std::string::npos;
}
} // namespace

TEST (HostLocaleSourceWindows, EnumeratesInstalledLocalesAsEightHexDigits)
{
    const auto all = enumerateHostLocales();

    // English (United States) is installed on every Windows.
    ASSERT_FALSE (all.empty());
    EXPECT_NE (all.end(), std::find (all.begin(), all.end(), "00000409"));

    for (auto& text : all)
        EXPECT_TRUE (isEightHexDigits (text)) << text;
}

TEST (HostLocaleSourceWindows, EnumerationStopsWhenTheCallbackSaysSo)
{
    ASSERT_GT (enumerateHostLocales().size(), 2u);
    EXPECT_EQ (1u, enumerateHostLocales (1).size());
    EXPECT_EQ (2u, enumerateHostLocales (2).size());
}

// The start language from the user's language. Which language that is
// depends on the machine, so the run says what to expect: the Wine run
// starts with LANG=de_DE.UTF-8 and VQD_EXPECTED_LANGID=0407.
TEST (HostLocaleSourceWindows, StartLanguageFollowsTheUsersLanguage)
{
    const char* expected = std::getenv ("VQD_EXPECTED_LANGID");

    if (expected == nullptr)
        GTEST_SKIP() << "VQD_EXPECTED_LANGID not set";

    const auto langId = (juce::uint16) std::strtoul (expected, nullptr, 16);
    EXPECT_EQ (langId, HostLocaleSource().userDefaultLangId());

    ASSERT_NE (nullptr, dynamic_cast<HostLocaleSource*> (&getLocaleSource()));
    int expectedLanguage = -1;

    for (int i = 0; i < kLanguageCount; ++i)
        if (languageIds[i] == langId)
            expectedLanguage = i;

    ASSERT_GE (expectedLanguage, 0) << "no language of the program has the identifier " << expected;
    EXPECT_EQ (expectedLanguage, chooseStartLanguage (getLocaleSource()).language);
}
