#pragma once

// How the Linux host answers for GetUserDefaultLangID and
// EnumSystemLocalesA: from the POSIX locale settings, turned into Windows
// identifiers with ICU.

#include "localisation/LanguageDetection.h"

namespace PosixLocales
{
// The locale name that decides the user's messages language, by POSIX
// precedence; null and empty values count as unset.
juce::String chooseLocaleName (const char* lcAll, const char* lcMessages, const char* lang);

// A POSIX locale name ("fr_CA.UTF-8", "de_DE@euro", "zh_TW") to its
// Windows LCID; 0 for C, POSIX, empty and anything ICU does not know.
juce::uint32 lcidForLocaleName (const juce::String& posixName);

// The text that EnumSystemLocalesA would have passed for that locale:
// the LCID as eight upper-case hex digits ("00000C0C"); empty for a name
// that stands for no real locale (C, POSIX, unknown).
juce::String localeTextForName (const juce::String& posixName);

// Hands the locale text of each name to callback, skipping the names that
// have none, and stops as soon as callback returns 0.
void enumerateLocaleNames (const juce::StringArray& posixNames, LocaleEnumProc callback);

// The names `locale -a` prints; if it cannot be run, the locales compiled
// one per folder under /usr/lib/locale.
juce::StringArray listInstalledLocaleNames();
} // namespace PosixLocales
