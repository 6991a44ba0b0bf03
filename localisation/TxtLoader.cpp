#include "localisation/TxtLoader.h"
#include "localisation/TextTables.h"
#include "localisation/LanguageDetection.h"

#include <memory>

TxtLoader* TxtLoader::instance = nullptr;

TxtLoader::TxtLoader()
    : currentLanguage (kLanguageCount) // 12: no language set yet
{
    // The String members start empty; only the flags need writing.
    for (auto& available : availableLanguages)
        available = false;

    loadTextSet (1);

    // The effect of set 3, done directly: the names never change afterwards.
    for (int i = 0; i < kLanguageCount; ++i)
        languageNames[i] = kLanguageNames[i];
}

TxtLoader::~TxtLoader() = default;

TxtLoader* TxtLoader::getInstance()
{
    if (instance == nullptr)
    {
        // The choice reads only the locale source; the catalogue takes it.
        const auto choice = chooseStartLanguage (getLocaleSource());
        auto catalogue = std::make_unique<TxtLoader>();

        for (int i = 0; i < kLanguageCount; ++i)
            catalogue->setLanguageAvailable (i, choice.available[(size_t) i]);

        if (isLanguageIndex (choice.language))
        {
            catalogue->currentLanguage = choice.language;
            catalogue->loadTextSet (4);
        }

        instance = catalogue.release();
    }

    return instance;
}

void TxtLoader::releaseInstance()
{
    delete instance;
    instance = nullptr;
}

const juce::String& TxtLoader::getText (TextKey key) const
{
    jassert (key >= 0 && key < kTextCount);
    return texts[key];
}

void TxtLoader::setLanguage (int language)
{
    if (! isLanguageIndex (language))
        return;

    currentLanguage = language;
    loadTextSet (4);
}

const juce::String& TxtLoader::getLanguageName (int language) const
{
    return isLanguageIndex (language) ? languageNames[language] : emptyText;
}

const juce::String& TxtLoader::getFontName (int language) const
{
    return isLanguageIndex (language) ? fontNames[language] : emptyText;
}

const juce::String& TxtLoader::getCurrentFontName() const
{
    return getFontName (currentLanguage);
}

bool TxtLoader::isLanguageAvailable (int language) const noexcept
{
    return isLanguageIndex (language) && availableLanguages[language];
}

void TxtLoader::setLanguageAvailable (int language, bool available) noexcept
{
    if (isLanguageIndex (language))
        availableLanguages[language] = available;
}

void TxtLoader::loadTextSet (int set)
{
    switch (set)
    {
        case 1:
            for (int i = 0; i < kLanguageCount; ++i)
                fontNames[i] = kPlatformFonts[i];
            break;

        case 2:
            for (int i = 0; i < kLanguageCount; ++i)
                fontNames[i] = kAlternativeFonts[i];
            break;

        case 3:
            for (int i = 0; i < kLanguageCount; ++i)
                languageNames[i] = kLanguageNames[i];
            break;

        case 4:
            // Only meaningful with a language set; a stray call on a fresh
            // object must not index the tables with 12.
            if (isLanguageIndex (currentLanguage))
                for (int k = 0; k < kTextCount; ++k)
                    texts[k] = kTextTables[k][currentLanguage];
            break;

        default:
            break;
    }
}
