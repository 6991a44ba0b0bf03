#include "localisation/HostLocaleSourceLinux.h"

#include <unicode/uloc.h>

#include <cstdio>
#include <cstdlib>

namespace
{
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
} // namespace

//==============================================================================
juce::String PosixLocales::chooseLocaleName (const char* lcAll, const char* lcMessages, const char* lang)
{
    for (auto* value : { lcAll, lcMessages, lang })
        if (value != nullptr && *value != 0)
            return juce::String (juce::CharPointer_UTF8 (value));

    return {};
}

juce::uint32 PosixLocales::lcidForLocaleName (const juce::String& posixName)
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

juce::String PosixLocales::localeTextForName (const juce::String& posixName)
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

void PosixLocales::enumerateLocaleNames (const juce::StringArray& posixNames, LocaleEnumProc callback)
{
    for (auto& name : posixNames)
    {
        const auto text = localeTextForName (name);

        if (text.isNotEmpty() && callback (text.toRawUTF8()) == 0)
            return;
    }
}

juce::StringArray PosixLocales::listInstalledLocaleNames()
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
    const auto name = PosixLocales::chooseLocaleName (std::getenv ("LC_ALL"), std::getenv ("LC_MESSAGES"), std::getenv ("LANG"));

    // The language identifier is the low word of the LCID; the high word
    // holds the sort order.
    return (juce::uint16) (PosixLocales::lcidForLocaleName (name) & 0xFFFFu);
}

void HostLocaleSource::enumerateInstalledLocales (LocaleEnumProc callback)
{
    PosixLocales::enumerateLocaleNames (PosixLocales::listInstalledLocaleNames(), callback);
}
