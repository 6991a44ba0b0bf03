// The catalogue object: what a fresh object holds, how languages are set and
// ignored, the shared instance's life, and the texts that are easy to get
// subtly wrong (look-alike letters, quotes inside texts, odd spacing).

#include <gtest/gtest.h>

#include "localisation/FormatText.h"
#include "localisation/LanguageDetection.h"
#include "localisation/TxtLoader.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace
{
juce::String utf8 (const char* text) { return juce::String (juce::CharPointer_UTF8 (text)); }

std::vector<juce::String> allTexts (const TxtLoader& loader)
{
    std::vector<juce::String> texts;

    for (int k = 0; k < kTextCount; ++k)
        texts.push_back (loader.getText ((TextKey) k));

    return texts;
}

std::string hexBytes (const juce::String& text)
{
    std::string hex;

    for (auto* p = text.toRawUTF8(); *p != 0; ++p)
    {
        char b[4];
        std::snprintf (b, sizeof (b), "%02X ", (unsigned char) *p);
        hex += b;
    }

    return hex;
}

class SharedCatalogue : public ::testing::Test
{
protected:
    void SetUp() override { TxtLoader::releaseInstance(); }
    void TearDown() override { TxtLoader::releaseInstance(); }
};
} // namespace

//==============================================================================
TEST (TxtLoader, FreshObjectHasNoLanguageYet)
{
    TxtLoader loader;

    EXPECT_EQ (12, loader.getCurrentLanguage());
    EXPECT_TRUE (loader.getCurrentFontName().isEmpty());

    for (auto& text : allTexts (loader))
        EXPECT_TRUE (text.isEmpty()) << text;

    for (int i = 0; i < kLanguageCount; ++i)
        EXPECT_FALSE (loader.isLanguageAvailable (i)) << i;

    // Names and fonts are there from the start; only the texts wait.
    EXPECT_EQ (juce::String ("Microsoft YaHei"), loader.getFontName (8));
    EXPECT_EQ (utf8 ("Русский"), loader.getLanguageName (6));

    // A stray request for the current language's texts changes nothing.
    loader.loadTextSet (4);
    EXPECT_TRUE (loader.getText (txtTitle).isEmpty());
}

TEST (TxtLoader, IndicesOutsideTheLanguagesGiveEmptyOrFalse)
{
    TxtLoader loader;

    for (int i : { -1, 12, 13, 1000 })
    {
        EXPECT_TRUE (loader.getFontName (i).isEmpty()) << i;
        EXPECT_TRUE (loader.getLanguageName (i).isEmpty()) << i;
        EXPECT_FALSE (loader.isLanguageAvailable (i)) << i;

        loader.setLanguageAvailable (i, true); // must not write past the flags
        EXPECT_FALSE (loader.isLanguageAvailable (i)) << i;
    }
}

TEST (TxtLoader, LanguageNamesAndPlatformFonts)
{
    TxtLoader loader;

    const char* names[] = { "English", "Français", "Deutsch", "Español", "Italiano", "Nederlands",
                            "Русский", "Português", "简体中文", "繁體中文", "한국어", "日本語" };
    const char* fonts[] = { "Verdana", "Verdana", "Verdana", "Verdana", "Verdana", "Verdana", "Verdana", "Verdana",
                            "Microsoft YaHei", "Microsoft JhengHei", "Malgun Gothic", "MS PGothic" };

    for (int i = 0; i < kLanguageCount; ++i)
    {
        EXPECT_EQ (utf8 (names[i]), loader.getLanguageName (i)) << i;
        EXPECT_EQ (utf8 (fonts[i]), loader.getFontName (i)) << i;

        loader.setLanguage (i);
        EXPECT_EQ (utf8 (fonts[i]), loader.getCurrentFontName()) << i;
    }
}

TEST (TxtLoader, TextSetsTwoAndOneSwitchTheFontTable)
{
    TxtLoader loader;
    loader.loadTextSet (2);

    EXPECT_EQ (juce::String ("Verdana"), loader.getFontName (5));
    EXPECT_EQ (juce::String ("Geneva CY"), loader.getFontName (6));
    EXPECT_EQ (juce::String ("Verdana"), loader.getFontName (7));
    EXPECT_EQ (juce::String ("STHeiti"), loader.getFontName (8));
    EXPECT_EQ (juce::String ("STHeiti"), loader.getFontName (9));
    EXPECT_EQ (juce::String ("Apple SD Gothic Neo"), loader.getFontName (10));
    EXPECT_EQ (juce::String ("Hiragino Sans W5"), loader.getFontName (11));

    loader.loadTextSet (1);
    EXPECT_EQ (juce::String ("Verdana"), loader.getFontName (6));
    EXPECT_EQ (juce::String ("MS PGothic"), loader.getFontName (11));

    // Unknown set numbers do nothing.
    for (int set : { 0, 5, -1 })
        loader.loadTextSet (set);

    EXPECT_EQ (juce::String ("MS PGothic"), loader.getFontName (11));
    EXPECT_TRUE (loader.getText (txtOk).isEmpty());
}

TEST (TxtLoader, SettingALanguageLoadsItsTexts)
{
    TxtLoader loader;

    loader.setLanguage (8);
    EXPECT_EQ (8, loader.getCurrentLanguage());
    EXPECT_EQ (utf8 ("确定"), loader.getText (txtOk));
    EXPECT_EQ (utf8 ("当前版本: Ver. %s.%02s"), loader.getText (txtCurrentVersion));
    EXPECT_EQ (juce::String ("Microsoft YaHei"), loader.getCurrentFontName());

    loader.setLanguage (2);
    EXPECT_EQ (utf8 ("Schließen"), loader.getText (txtClose));
    EXPECT_EQ (utf8 ("Sprachenwahl"), loader.getText (txtLanguageSelections));

    loader.setLanguage (0);
    EXPECT_EQ (juce::String ("Please select a language."), loader.getText (txtSelectLanguage));
}

TEST (TxtLoader, OutOfRangeLanguagesAreIgnored)
{
    TxtLoader loader;
    loader.setLanguage (3);
    const auto before = allTexts (loader);

    for (int bad : { 12, -1, 100 })
    {
        loader.setLanguage (bad);
        EXPECT_EQ (3, loader.getCurrentLanguage()) << bad;
        EXPECT_EQ (before, allTexts (loader)) << bad;
        EXPECT_EQ (juce::String ("Verdana"), loader.getCurrentFontName());
    }

    // On a fresh object too: still no language, still no texts.
    TxtLoader fresh;
    fresh.setLanguage (12);
    EXPECT_EQ (12, fresh.getCurrentLanguage());
    EXPECT_TRUE (fresh.getText (txtTitle).isEmpty());
}

TEST (TxtLoader, TheSameLanguageCanBeLoadedAgain)
{
    TxtLoader loader;
    loader.setLanguage (5);
    const auto dutch = allTexts (loader);

    loader.setLanguage (5);
    EXPECT_EQ (dutch, allTexts (loader));
    EXPECT_EQ (juce::String ("Akkoord"), loader.getText (txtOk));
}

//==============================================================================
TEST (CatalogueTexts, FixedTextsAreTheSameInEveryLanguage)
{
    TxtLoader loader;

    for (int i = 0; i < kLanguageCount; ++i)
    {
        loader.setLanguage (i);
        EXPECT_TRUE (loader.getText (txtEmpty).isEmpty()) << i;
        EXPECT_EQ (juce::String ("VQD"), loader.getText (txtSeriesName)) << i;
        EXPECT_EQ (juce::String ("VQD-TRM4"), loader.getText (txtModelName)) << i;
    }
}

TEST (CatalogueTexts, EveryLanguageHasEveryTextAndOnlyItsPlaceholders)
{
    TxtLoader loader;

    for (int i = 0; i < kLanguageCount; ++i)
    {
        loader.setLanguage (i);

        for (int k = 1; k < kTextCount; ++k)
        {
            const auto& text = loader.getText ((TextKey) k);
            SCOPED_TRACE (juce::String (i) + "/" + juce::String (k) + ": " + text);

            EXPECT_TRUE (text.isNotEmpty());

            // No two keys share a text: one pasted under a second key shows twice.
            for (int other = 1; other < k; ++other)
                EXPECT_NE (text, loader.getText ((TextKey) other)) << "the same as key " << other;

            // Placeholders in the catalogue's order: the model name alone in
            // 11, 12, 15 and 17, major then minor in 13 and 14.
            juce::String placeholders;
            for (int pos = text.indexOfChar ('%'); pos >= 0; pos = text.indexOfChar (pos + 1, '%'))
                placeholders << text.substring (pos, text.indexOfChar (pos, 's') + 1) << "|";

            const bool twoKey17Exceptions = k == txtUpdateComplete && (i == 7 || i == 10);

            if (k == txtCurrentVersion || k == txtUpdateVersion)
                EXPECT_EQ (juce::String ("%s|%02s|"), placeholders);
            else if (k == txtNotConnected || k == txtUpdatesVersion || k == txtUpdateComplete)
                EXPECT_EQ (twoKey17Exceptions ? juce::String() : juce::String ("%s|"), placeholders);
            else if (k == txtUpdating)
                EXPECT_EQ (i == 7 ? juce::String ("% s|") : juce::String ("%s|"), placeholders);
            else
                EXPECT_TRUE (placeholders.isEmpty());
        }
    }
}

TEST (CatalogueTexts, LookAlikeAndUnusualTextsAreKeptExactly)
{
    TxtLoader loader;

    // Russian "OK" is Cyrillic O and K, not Latin.
    loader.setLanguage (6);
    EXPECT_EQ (std::string ("D0 9E D0 9A "), hexBytes (loader.getText (txtOk)));
    EXPECT_NE (juce::String ("OK"), loader.getText (txtOk));

    // Straight double quotes inside the Russian text are part of it.
    EXPECT_EQ (utf8 ("1. Нажмите кнопку \"Закрыть\", чтобы закрыть \"Обновление программы\"."),
               loader.getText (txtStep1Close));

    // Ideographic comma and full stop in Simplified Chinese steps, corner
    // brackets in Traditional Chinese.
    loader.setLanguage (8);
    EXPECT_EQ (utf8 ("1、单击关闭按钮关闭更新程序。"), loader.getText (txtStep1Close));
    loader.setLanguage (9);
    EXPECT_EQ (utf8 ("1. 按一下「關閉」按鈕以關閉「更新程式」。"), loader.getText (txtStep1Close));
    EXPECT_EQ (utf8 ("目前版本: %s.%02s版"), loader.getText (txtCurrentVersion));

    // The space before the colon in French step 3.
    loader.setLanguage (1);
    EXPECT_EQ (utf8 ("3. Mettez à nouveau à jour le microprogramme en suivant l'une des méthodes suivantes :"),
               loader.getText (txtStep3UpdateAgain));

    loader.setLanguage (7);
    EXPECT_EQ (utf8 ("Atualizando o firmware do seu% s."), loader.getText (txtUpdating));
    EXPECT_EQ (utf8 ("A versão foi actualizada."), loader.getText (txtUpdateComplete));

    loader.setLanguage (5);
    EXPECT_EQ (utf8 ("De firmware van uw %swordt bijgewerkt."), loader.getText (txtUpdating));

    loader.setLanguage (10);
    EXPECT_EQ (utf8 ("버전 업데이트 되었습니다."), loader.getText (txtUpdateComplete));

    loader.setLanguage (11);
    EXPECT_EQ (utf8 ("現在のバージョン: Ver%s.%02s"), loader.getText (txtCurrentVersion));
    EXPECT_EQ (utf8 ("サポートページからアップデートプログラムをダウンロードした場合"), loader.getText (txtIfDownloaded));
}

TEST (CatalogueTexts, FormattedVersionLinesAndModelName)
{
    TxtLoader loader;
    const juce::String model ("VQD-TRM4");

    loader.setLanguage (0);
    EXPECT_EQ (juce::String ("Current Version: Ver. 1.05"), formatText (loader.getText (txtCurrentVersion), "1", "5"));
    EXPECT_EQ (juce::String ("Update Version: Ver. 1.02"), formatText (loader.getText (txtUpdateVersion), "1", "02"));
    EXPECT_EQ (juce::String ("Your VQD-TRM4 is not connected."), formatText (loader.getText (txtNotConnected), model));

    loader.setLanguage (11);
    EXPECT_EQ (utf8 ("現在のバージョン: Ver1.05"), formatText (loader.getText (txtCurrentVersion), "1", "5"));

    loader.setLanguage (9);
    EXPECT_EQ (utf8 ("目前版本: 1.05版"), formatText (loader.getText (txtCurrentVersion), "1", "5"));

    loader.setLanguage (7);
    EXPECT_EQ (utf8 ("Atualizando o firmware do seuVQD-TRM4."), formatText (loader.getText (txtUpdating), model));
    EXPECT_EQ (utf8 ("A versão foi actualizada."), formatText (loader.getText (txtUpdateComplete), model));

    loader.setLanguage (5);
    EXPECT_EQ (utf8 ("De firmware van uw VQD-TRM4wordt bijgewerkt."), formatText (loader.getText (txtUpdating), model));

    loader.setLanguage (10);
    EXPECT_EQ (utf8 ("버전 업데이트 되었습니다."), formatText (loader.getText (txtUpdateComplete), model));
}

TEST (CatalogueTexts, FormattingNeverCutsACatalogueText)
{
    TxtLoader loader;
    size_t longest = 0;

    for (int i = 0; i < kLanguageCount; ++i)
    {
        loader.setLanguage (i);
        const auto model = loader.getText (txtModelName);

        for (int k = 0; k < kTextCount; ++k)
        {
            const auto& text = loader.getText ((TextKey) k);
            const auto formatted = formatText (text, model, "05");

            if (! text.containsChar ('%'))
                EXPECT_EQ (text, formatted) << i << "/" << k; // the 250-byte Russian text included
            else
                longest = std::max (longest, formatted.getNumBytesAsUTF8());
        }
    }

    // The Russian completion text with the model name.
    EXPECT_EQ (146u, longest);
    loader.setLanguage (6);
    EXPECT_TRUE (formatText (loader.getText (txtUpdateComplete), "VQD-TRM4").endsWith (utf8 ("VQD-TRM4 завершено.")));
}

//==============================================================================
TEST_F (SharedCatalogue, GetInstanceBuildsOnceAndPicksTheStartLanguage)
{
    FixedLocaleSource japanese (0x0411, { "00000411" });
    ScopedLocaleSource scoped (japanese);

    auto* first = TxtLoader::getInstance();
    ASSERT_NE (nullptr, first);
    EXPECT_EQ (11, first->getCurrentLanguage());
    EXPECT_EQ (utf8 ("アップデートプログラム"), first->getText (txtTitle));
    EXPECT_EQ (juce::String ("MS PGothic"), first->getCurrentFontName());

    // The user's choice lasts as long as the object does.
    first->setLanguage (3);
    EXPECT_EQ (first, TxtLoader::getInstance());
    EXPECT_EQ (3, TxtLoader::getInstance()->getCurrentLanguage());
}

TEST_F (SharedCatalogue, ReleaseThenGetInstanceStartsAfresh)
{
    {
        FixedLocaleSource french (0x040C, { "0000040C" });
        ScopedLocaleSource scoped (french);

        auto* catalogue = TxtLoader::getInstance();
        EXPECT_EQ (1, catalogue->getCurrentLanguage());
        catalogue->setLanguage (2);
        catalogue->setLanguageAvailable (2, true);
    }

    TxtLoader::releaseInstance();
    TxtLoader::releaseInstance(); // a second release is harmless

    FixedLocaleSource korean (0x0412, { "00000412" });
    ScopedLocaleSource scoped (korean);

    auto* fresh = TxtLoader::getInstance();
    EXPECT_EQ (10, fresh->getCurrentLanguage());
    EXPECT_EQ (utf8 ("업데이터 프로그램"), fresh->getText (txtTitle));
    EXPECT_FALSE (fresh->isLanguageAvailable (1));
    EXPECT_FALSE (fresh->isLanguageAvailable (2));
    EXPECT_TRUE (fresh->isLanguageAvailable (10));
}
