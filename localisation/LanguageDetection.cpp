#include "LanguageDetection.h"

#include <unicode/uloc.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

const juce::uint16 languageIds[kLanguageCount] =
{
    0x0409,  // English (United States)
    0x040C,  // French (France)
    0x0407,  // German (Germany)
    0x040A,  // Spanish (traditional sort)
    0x0410,  // Italian (Italy)
    0x0413,  // Dutch (Netherlands)
    0x0419,  // Russian (Russia)
    0x0816,  // Portuguese (Portugal)
    0x0804,  // Chinese (PRC), Simplified
    0x0404,  // Chinese (Taiwan), Traditional
    0x0412,  // Korean (Korea)
    0x0411   // Japanese (Japan)
};

//==============================================================================
namespace
{
    HostLocaleSource hostLocaleSource;
    LocaleSource* currentLocaleSource = nullptr;

    constexpr int kSimplifiedChinese  = 8;
    constexpr int kTraditionalChinese = 9;

    char asciiLower (char c) noexcept
    {
        return (c >= 'A' && c <= 'Z') ? (char) (c - 'A' + 'a') : c;
    }

    // "fr_CA.UTF-8" -> "fr_CA", "de_DE@euro" -> "de_DE": the codeset and the
    // modifier say nothing about the language, and ICU would misread the
    // codeset as part of the region ("zh_TW.UTF-8" gives no LCID at all).
    juce::String stripCodesetAndModifier (const juce::String& posixName)
    {
        auto name = posixName.trim();
        const int cut = name.indexOfAnyOf (".@");
        return cut >= 0 ? name.substring (0, cut) : name;
    }

    bool isPlausibleLocaleName (const juce::String& name)
    {
        // language[_TERRITORY] (letters, digits for regions such as 419, and
        // the separators); this keeps stray text (paths, spaces, "x y!") away
        // from ICU, which is lenient enough to find a language in some of it.
        return name.isNotEmpty()
            && name.containsOnly ("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_-")
            && juce::CharacterFunctions::isLetter (name[0]);
    }
}

//==============================================================================
juce::String HostLocaleSource::chooseLocaleName (const char* lcAll, const char* lcMessages, const char* lang)
{
    for (auto* value : { lcAll, lcMessages, lang })
        if (value != nullptr && *value != 0)
            return juce::String (juce::CharPointer_UTF8 (value));

    return {};
}

juce::uint32 HostLocaleSource::lcidForLocaleName (const juce::String& posixName)
{
    const auto name = stripCodesetAndModifier (posixName);

    if (name == "C" || name == "POSIX" || ! isPlausibleLocaleName (name))
        return 0;

    // ICU knows every identifier the start-language rules tell apart, the
    // six Chinese ones included: zh_CN 0x0804, zh_TW 0x0404, zh_HK 0x0C04,
    // zh_MO 0x1404, zh_SG 0x1004 and zh_Hant 0x7C04 (glibc has no locale of
    // that last name, but a user may still set LANG=zh_Hant). No table of
    // our own is needed on top of it.
    return (juce::uint32) uloc_getLCID (name.toRawUTF8());
}

juce::String HostLocaleSource::localeTextForName (const juce::String& posixName)
{
    const auto lcid = lcidForLocaleName (posixName);

    // Windows never enumerates an LCID of 0; a locale we cannot identify is
    // not reported at all rather than as a language that matches nothing.
    if (lcid == 0)
        return {};

    char text[16];
    std::snprintf (text, sizeof (text), "%08X", (unsigned int) lcid);
    return text;
}

void HostLocaleSource::enumerateLocaleNames (const juce::StringArray& posixNames, LocaleEnumProc callback)
{
    for (auto& name : posixNames)
    {
        const auto text = localeTextForName (name);

        if (text.isNotEmpty() && callback (text.toRawUTF8()) == 0)
            return;
    }
}

juce::StringArray HostLocaleSource::listInstalledLocaleNames()
{
    juce::StringArray names;

    // `locale -a` is the one tool that knows both the compiled archive and
    // the locales installed as separate folders.
    juce::ChildProcess localeTool;

    if (localeTool.start (juce::StringArray { "locale", "-a" }, juce::ChildProcess::wantStdOut))
    {
        names.addLines (localeTool.readAllProcessOutput());
        localeTool.waitForProcessToFinish (5000);
    }

    names.trim();
    names.removeEmptyStrings();

    if (names.isEmpty())
    {
        for (const auto& entry : juce::RangedDirectoryIterator (juce::File ("/usr/lib/locale"), false, "*",
                                                                juce::File::findDirectories))
            if (entry.getFile().getChildFile ("LC_CTYPE").exists())
                names.add (entry.getFile().getFileName());
    }

    return names;
}

juce::uint16 HostLocaleSource::userDefaultLangId()
{
    const auto name = chooseLocaleName (std::getenv ("LC_ALL"), std::getenv ("LC_MESSAGES"), std::getenv ("LANG"));

    // The language identifier is the low word of the LCID; the high word
    // holds the sort order.
    return (juce::uint16) (lcidForLocaleName (name) & 0xFFFFu);
}

void HostLocaleSource::enumerateInstalledLocales (LocaleEnumProc callback)
{
    enumerateLocaleNames (listInstalledLocaleNames(), callback);
}

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
int markInstalledLocale (const char* localeText)
{
    if (localeText == nullptr)
        return 0;

    const auto length = std::strlen (localeText);

    if (length < 2)
        return 1;  // nothing to compare; let the enumeration go on

    const char* lowByte = localeText + length - 2;
    auto* catalogue = TxtLoader::getInstance();

    // English (0) is always available and never examined.
    for (int i = 1; i < kLanguageCount; ++i)
    {
        char digits[3];
        std::snprintf (digits, sizeof (digits), "%02x", (unsigned int) (languageIds[i] & 0xFF));

        if (asciiLower (lowByte[0]) == digits[0] && asciiLower (lowByte[1]) == digits[1])
            catalogue->setLanguageAvailable (i, true);
    }

    return 1;
}

int detectStartLanguage()
{
    auto* catalogue = TxtLoader::getInstance();
    auto& source = getLocaleSource();

    catalogue->setLanguageAvailable (0, true);

    for (int i = 1; i < kLanguageCount; ++i)
        catalogue->setLanguageAvailable (i, false);

    source.enumerateInstalledLocales (markInstalledLocale);

    const juce::uint16 langId = source.userDefaultLangId();
    const int primary = langId & 0xFF;

    auto ifAvailable = [catalogue] (int language) { return catalogue->isLanguageAvailable (language) ? language : 0; };

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
            return ifAvailable (kSimplifiedChinese);

        case 0x0404:
        case 0x0C04:
        case 0x1404:
        case 0x1004:
        case 0x7C04:
            return ifAvailable (kTraditionalChinese);

        default:
            return 0;
    }
}
