#include "localisation/LanguageDetection.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

const juce::uint16 languageIds[kLanguageCount] = {
    0x0409, // English (United States)
    0x040C, // French (France)
    0x0407, // German (Germany)
    0x040A, // Spanish (traditional sort)
    0x0410, // Italian (Italy)
    0x0413, // Dutch (Netherlands)
    0x0419, // Russian (Russia)
    0x0816, // Portuguese (Portugal)
    0x0804, // Chinese (PRC), Simplified
    0x0404, // Chinese (Taiwan), Traditional
    0x0412, // Korean (Korea)
    0x0411  // Japanese (Japan)
};

//==============================================================================
namespace
{
HostLocaleSource hostLocaleSource;
LocaleSource* currentLocaleSource = nullptr;

// The enumeration takes a plain function without context and calls it on
// the calling thread; the flags of the choice under way wait here.
thread_local std::array<bool, kLanguageCount>* markedLanguages = nullptr;

int markIntoChoice (const char* localeText)
{
    return markedLanguages != nullptr ? markInstalledLocale (localeText, *markedLanguages) : 0;
}

constexpr int simplifiedChinese = 8;
constexpr int traditionalChinese = 9;

char asciiLower (char c) noexcept
{
    return (c >= 'A' && c <= 'Z') ? (char) (c - 'A' + 'a') : c;
}
} // namespace

//==============================================================================
void setLocaleSource (LocaleSource* source)
{
    currentLocaleSource = source;
}

LocaleSource& getLocaleSource()
{
    return currentLocaleSource != nullptr ? *currentLocaleSource : hostLocaleSource;
}

//==============================================================================
int markInstalledLocale (const char* localeText, std::array<bool, kLanguageCount>& available)
{
    if (localeText == nullptr)
        return 0;

    const auto length = std::strlen (localeText);

    if (length < 2)
        return 1; // nothing to compare; let the enumeration go on

    const char* lowByte = localeText + length - 2;

    // English (0) is always available and never examined.
    for (int i = 1; i < kLanguageCount; ++i)
    {
        char digits[3];
        std::snprintf (digits, sizeof (digits), "%02x", (unsigned int) (languageIds[i] & 0xFF));

        if (asciiLower (lowByte[0]) == digits[0] && asciiLower (lowByte[1]) == digits[1])
            available[(size_t) i] = true;
    }

    return 1;
}

namespace
{
// The rules for the user's language identifier, given what is available.
int startLanguageOf (juce::uint16 langId, const std::array<bool, kLanguageCount>& available)
{
    const int primary = langId & 0xFF;

    auto ifAvailable = [&available] (int language) { return available[(size_t) language] ? language : 0; };

    if (primary != 0x04)
    {
        for (int i = 0; i < kLanguageCount; ++i)
            if ((languageIds[i] & 0xFF) == primary)
                return ifAvailable (i);

        return 0;
    }

    // Both Chinese languages share the primary 0x04, so the region decides:
    // only the PRC leads to Simplified Chinese; Singapore goes with Taiwan,
    // Hong Kong, Macao and the neutral Traditional identifier.
    switch (langId)
    {
        case 0x0804:
            return ifAvailable (simplifiedChinese);

        case 0x0404:
        case 0x0C04:
        case 0x1404:
        case 0x1004:
        case 0x7C04:
            return ifAvailable (traditionalChinese);

        default:
            return 0;
    }
}
} // namespace

StartLanguageChoice chooseStartLanguage (LocaleSource& source)
{
    StartLanguageChoice choice;
    choice.available[0] = true;

    const auto previous = std::exchange (markedLanguages, &choice.available);
    source.enumerateInstalledLocales (markIntoChoice);
    markedLanguages = previous;

    choice.language = startLanguageOf (source.userDefaultLangId(), choice.available);
    return choice;
}
