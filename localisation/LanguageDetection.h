#pragma once

// Which languages the user may pick and which one the program starts in.
// The rules are those of the Windows program, which asked Windows for the
// user's default language identifier (GetUserDefaultLangID) and for the
// installed locales (EnumSystemLocalesA with LCID_INSTALLED). Here both come
// from a LocaleSource: the host one reads the POSIX locale settings, tests put
// in their own so that they never depend on the machine they run on.

#include "localisation/Languages.h"

#include <juce_core/juce_core.h>

#include <array>

// The Windows language identifier of each language, by language index. Only
// the low byte (the primary language) takes part in the comparisons, except
// for Chinese, where the whole identifier tells Simplified from Traditional.
extern const juce::uint16 languageIds[kLanguageCount];

// The shape of EnumSystemLocalesA's callback: one eight-hex-digit locale
// identifier text per call; nonzero (TRUE) goes on, 0 (FALSE) stops.
using LocaleEnumProc = int (*) (const char* localeText);

class LocaleSource
{
public:
    virtual ~LocaleSource() = default;

    // The user's default language identifier (the low 16 bits of an LCID);
    // a value that matches no language when the host cannot tell.
    virtual juce::uint16 userDefaultLangId() = 0;

    // Calls callback synchronously, on this thread, once per installed
    // locale, until it returns 0 or the locales run out.
    virtual void enumerateInstalledLocales (LocaleEnumProc callback) = 0;
};

// The host's answers. On Windows they are GetUserDefaultLangID and
// EnumSystemLocalesA themselves; on Linux the user locale is LC_ALL, else
// LC_MESSAGES, else LANG, and the installed locales are what `locale -a`
// lists, both turned into Windows identifiers (HostLocaleSourceLinux.h).
// Each platform has a file of its own.
class HostLocaleSource : public LocaleSource
{
public:
    juce::uint16 userDefaultLangId() override;
    void enumerateInstalledLocales (LocaleEnumProc callback) override;
};

// A source with fixed answers, for tests and for trying a language by hand.
class FixedLocaleSource : public LocaleSource
{
public:
    FixedLocaleSource (juce::uint16 langId, juce::StringArray localeTexts)
        : userLangId (langId), installed (std::move (localeTexts)) {}

    juce::uint16 userDefaultLangId() override { return userLangId; }

    void enumerateInstalledLocales (LocaleEnumProc callback) override
    {
        for (auto& text : installed)
            if (callback (text.toRawUTF8()) == 0)
                break;
    }

    juce::uint16 userLangId;
    juce::StringArray installed;
};

// The source the catalogue asks at its start; nullptr puts the host source back.
void setLocaleSource (LocaleSource* source);
LocaleSource& getLocaleSource();

// Swaps in a source for the lifetime of the object.
class ScopedLocaleSource
{
public:
    explicit ScopedLocaleSource (LocaleSource& source) : previous (&getLocaleSource()) { setLocaleSource (&source); }
    ~ScopedLocaleSource() { setLocaleSource (previous); }

private:
    LocaleSource* previous;
    JUCE_DECLARE_NON_COPYABLE (ScopedLocaleSource)
};

// Which languages the user may pick, by language index, and which one the
// program starts in.
struct StartLanguageChoice
{
    std::array<bool, kLanguageCount> available {};
    int language = 0; // 0..11
};

// The choice the source's answers lead to: English always available, the
// others when a locale of their primary language is installed; the start
// language is the user's when it is available, else English. It reads
// nothing but the source, so the catalogue can take it while it is made.
StartLanguageChoice chooseStartLanguage (LocaleSource& source);

// What the locale enumeration's callback does with one locale text: marks
// every language 1..11 whose primary language matches its last two hex
// digits (either case) as available. Returns 0 (FALSE) for a null text,
// which ends the enumeration, else 1 (TRUE).
int markInstalledLocale (const char* localeText, std::array<bool, kLanguageCount>& available);
