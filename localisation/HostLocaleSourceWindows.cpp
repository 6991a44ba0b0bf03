#include "localisation/LanguageDetection.h"

#ifndef NOMINMAX
 #define NOMINMAX
#endif
#include <windows.h>

namespace
{
// EnumSystemLocalesA takes a plain function and no context, and calls it
// synchronously on the calling thread; the callback of the enumeration
// under way waits here. Only the message thread enumerates.
LocaleEnumProc currentCallback = nullptr;

BOOL CALLBACK forwardLocale (LPSTR localeText)
{
    return currentCallback != nullptr ? (BOOL) currentCallback (localeText) : FALSE;
}
} // namespace

juce::uint16 HostLocaleSource::userDefaultLangId()
{
    return (juce::uint16) GetUserDefaultLangID();
}

void HostLocaleSource::enumerateInstalledLocales (LocaleEnumProc callback)
{
    const auto previous = currentCallback;
    currentCallback = callback;
    EnumSystemLocalesA (&forwardLocale, LCID_INSTALLED);
    currentCallback = previous;
}
