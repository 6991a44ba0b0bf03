#pragma once

#include "localisation/Languages.h"
#include "localisation/TextKeys.h"

#include <juce_core/juce_core.h>

//==============================================================================
// The one catalogue of the program. It always holds the 29 texts of a single
// language, so a screen asks for a text by its key alone and a language change
// costs 29 reference-counted copies. Message thread only; no lock.
class TxtLoader
{
public:
    TxtLoader();
    virtual ~TxtLoader();

    // Creates the shared object on first use, lets the start-language rules
    // pick its language and returns it; never null afterwards.
    static TxtLoader* getInstance();

    // Deletes the shared object; the next getInstance builds a fresh one and
    // chooses the start language again.
    static void releaseInstance();

    // The key's text in the current language, placeholders unfilled; empty
    // while no language is set.
    const juce::String& getText (TextKey key) const;

    // 0..11, or 12 while no language is set (only inside a fresh object).
    int getCurrentLanguage() const noexcept { return currentLanguage; }

    // Makes 0..11 current and (re)loads its texts, even when it is current
    // already; any other value is ignored.
    void setLanguage (int language);

    // Display name / font name of a language; emptyText outside 0..11.
    const juce::String& getLanguageName (int language) const;
    const juce::String& getFontName (int language) const;

    // The current language's font name, or emptyText while no language is set.
    const juce::String& getCurrentFontName() const;

    bool isLanguageAvailable (int language) const noexcept;
    void setLanguageAvailable (int language, bool available) noexcept;

    // 1: fontNames from kPlatformFonts, 2: fontNames from kAlternativeFonts,
    // 3: languageNames from kLanguageNames, 4: texts of currentLanguage
    // (which must be 0..11). Any other number does nothing.
    void loadTextSet (int set);

private:
    int currentLanguage;
    juce::String emptyText;
    bool availableLanguages[kLanguageCount];
    juce::String fontNames[kLanguageCount];
    juce::String languageNames[kLanguageCount];
    juce::String texts[kTextCount];

    static TxtLoader* instance;

    static bool isLanguageIndex (int language) noexcept { return language >= 0 && language < kLanguageCount; }

    JUCE_DECLARE_NON_COPYABLE (TxtLoader)
};
