// The screens of the real main component, composed headless against the
// simulated controller: texts, boxes, title, controls and captions, in
// several languages; and the page painting.
#include "MessageLoop.h"
#include "TempFolder.h"
#include "VisibleText.h"
#include "localisation/LanguageDetection.h"
#include "localisation/TxtLoader.h"
#include "sim/SimControl.h"
#include "tools/UpdateFileMaker.h"
#include "ui/AlineButton.h"
#include "ui/MainComponent.h"
#include "ui/PageStyle.h"

#include <gtest/gtest.h>

#include <memory>

namespace
{
// Stands in for the main window: a parent whose name is the title.
class ScreenTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        UpdateFileMaker::parseDate ("20230715", scenario.date);
        ASSERT_TRUE (UpdateFileMaker::write (folder / "vqdtrm4__v102.bin", {}));
    }

    void TearDown() override
    {
        if (main != nullptr)
            main->stopWorker();

        window.removeAllChildren();
        main.reset();
        vqdsim::reset();
    }

    // Builds the main component with a start language: the user's language
    // identifier, with a locale of it installed.
    void build (juce::uint16 langId = 0x0409, const juce::String& installed = "00000409")
    {
        vqdsim::configure (scenario);
        FixedLocaleSource locales (langId, { "00000409", installed });
        const ScopedLocaleSource scoped (locales);

        window.setSize (1200, 800);
        main = std::make_unique<MainComponent>();
        main->setUpdateFolder (folder.get());
        window.addAndMakeVisible (*main);
        main->setSize (406, 154);
        MessageLoop::runUntilIdle(); // the list's first change notification
    }

    void setState (int state)
    {
        main->setUpdateState (state);
        main->composeScreen();
    }

    void runToReady()
    {
        main->buttonClicked (main->getActionButton());
        ASSERT_TRUE (MessageLoop::runUntil ([&] { return main->getUpdateState() == stateReady; }));
        MessageLoop::runUntilIdle();
    }

    juce::String text() const { return visibleText (main->getScreenText()); }
    juce::String t (TextKey key) const { return TxtLoader::getInstance()->getText (key); }

    juce::Rectangle<float> firstGlyphBox() const { return glyphs().getBoundingBox (0, 1, true); }
    juce::GlyphArrangement glyphs() const { return main->getScreenText(); }

    TempFolder folder;
    vqdsim::Scenario scenario;
    juce::Component window;
    std::unique_ptr<MainComponent> main;
};
} // namespace

TEST_F (ScreenTest, LanguageScreenInEnglish)
{
    build();
    EXPECT_EQ (window.getName(), "Updater Program");
    EXPECT_EQ (text(), withoutWhitespace ("Language Selections"
                                          "Please select a language."));

    // The heading starts in its box at (20, 20); the detail is indented by 40
    // and starts below an empty line.
    const auto heading = firstGlyphBox();
    EXPECT_NEAR (heading.getX(), 20.0f, 1.5f);
    EXPECT_GE (heading.getY(), 20.0f);
    const auto glyphs = this->glyphs();
    const int detailStart = juce::String ("Language Selections\n\n").length();
    const auto detail = glyphs.getBoundingBox (detailStart, 1, true);
    EXPECT_NEAR (detail.getX(), 40.0f, 1.5f);
    EXPECT_GT (detail.getY(), heading.getBottom() + 10.0f);

    auto* list = main->getLanguageList();
    EXPECT_TRUE (list->isVisible());
    EXPECT_FALSE (main->getProgressBar()->isVisible());
    EXPECT_EQ (list->getSelectedId(), 1);
    EXPECT_EQ (list->getBounds(), juce::Rectangle<int> (20, 74, 366, 20));
    EXPECT_EQ (main->getProgressBar()->getBounds(), juce::Rectangle<int> (20, 74, 366, 20));

    auto* ok = main->getActionButton();
    auto* cancel = main->getQuitButton();
    EXPECT_TRUE (ok->isVisible());
    EXPECT_TRUE (cancel->isVisible());
    EXPECT_EQ (ok->getButtonText(), "OK");
    EXPECT_EQ (cancel->getButtonText(), "Cancel");
    EXPECT_EQ (ok->getBounds(), juce::Rectangle<int> (286, 114, 100, 20));
    EXPECT_EQ (cancel->getBounds(), juce::Rectangle<int> (176, 114, 100, 20));
    EXPECT_EQ (ok->getFontName(), "Verdana");
}

TEST_F (ScreenTest, ChoosingGermanRecomposesEverythingAtOnce)
{
    build (0x0409, "00000407");
    auto* list = main->getLanguageList();
    ASSERT_EQ (list->getNumItems(), 2); // English and Deutsch only
    EXPECT_EQ (list->getItemText (1), "Deutsch");

    list->setSelectedId (3, juce::sendNotificationSync);
    EXPECT_EQ (TxtLoader::getInstance()->getCurrentLanguage(), 2);
    EXPECT_EQ (window.getName(), "Aktualisierungsprogramm");
    EXPECT_EQ (text(), withoutWhitespace (juce::CharPointer_UTF8 ("Sprachenwahl"
                                                                  "Bitte w\xc3\xa4hlen Sie eine Sprache.")));
    EXPECT_EQ (main->getQuitButton()->getButtonText(), "Abbrechen");
}

TEST_F (ScreenTest, StartLanguageFollowsTheUser)
{
    build (0x0411, "00000411");
    EXPECT_EQ (window.getName(), juce::String (juce::CharPointer_UTF8 ("\xe3\x82\xa2\xe3\x83\x83\xe3\x83\x97\xe3\x83\x87\xe3\x83\xbc\xe3\x83\x88\xe3\x83\x97\xe3\x83\xad\xe3\x82\xb0\xe3\x83\xa9\xe3\x83\xa0")));
    EXPECT_EQ (main->getLanguageList()->getSelectedId(), 12);
    EXPECT_EQ (main->getActionButton()->getFontName(), "MS PGothic");
    EXPECT_EQ (text(), withoutWhitespace (t (txtLanguageSelections) + t (txtSelectLanguage)));
}

TEST_F (ScreenTest, ReadyScreenShowsBothVersions)
{
    build();
    runToReady();
    EXPECT_EQ (text(), withoutWhitespace ("Updates the version of your VQD-TRM4 firmware."
                                          "Current Version: Ver. 1.00"
                                          "Update Version: Ver. 1.02"));
    EXPECT_FALSE (main->getLanguageList()->isVisible());
    EXPECT_EQ (main->getActionButton()->getButtonText(), "Start");
    EXPECT_EQ (main->getQuitButton()->getButtonText(), "Close");
    EXPECT_EQ (main->getQuitButton()->getBounds(), juce::Rectangle<int> (176, 114, 100, 20));

    // In Japanese the version lines lose the space after "Ver".
    TxtLoader::getInstance()->setLanguage (11);
    main->composeScreen();
    EXPECT_TRUE (text().contains ("Ver1.00"));
    EXPECT_TRUE (text().contains ("Ver1.02"));

    // Traditional Chinese puts the version before its suffix.
    TxtLoader::getInstance()->setLanguage (9);
    main->composeScreen();
    EXPECT_TRUE (text().contains (juce::String (juce::CharPointer_UTF8 ("1.02\xe7\x89\x88"))));
}

TEST_F (ScreenTest, ReadyScreenWithoutALoadedFileHasNoText)
{
    build();
    setState (stateReady);
    EXPECT_EQ (main->getScreenText().getNumGlyphs(), 0);
    EXPECT_TRUE (main->getActionButton()->isVisible());
    EXPECT_EQ (main->getActionButton()->getButtonText(), "Start");
}

TEST_F (ScreenTest, UpdatingScreenShowsTheBarAndNoButtons)
{
    build();
    setState (stateBlockData);
    EXPECT_EQ (text(), withoutWhitespace ("Updating your VQD-TRM4 firmware."
                                          "Please wait for a few moments until the update process is complete."));
    EXPECT_TRUE (main->getProgressBar()->isVisible());
    EXPECT_FALSE (main->getLanguageList()->isVisible());
    EXPECT_FALSE (main->getActionButton()->isVisible());
    EXPECT_FALSE (main->getQuitButton()->isVisible());

    // Image 0 is being written: the pink trough.
    EXPECT_EQ (main->getProgressBar()->findColour (juce::ProgressBar::backgroundColourId), juce::Colour (0xFFFA32C8));

    // Russian and Simplified Chinese texts come through whole.
    for (int language : { 6, 8 })
    {
        TxtLoader::getInstance()->setLanguage (language);
        main->composeScreen();
        EXPECT_EQ (text(), withoutWhitespace (t (txtUpdating).replace ("%s", "VQD-TRM4") + t (txtPleaseWait)));
    }
}

TEST_F (ScreenTest, NoTextScreenLeavesTheButtons)
{
    build();
    setState (statePrepare);
    EXPECT_EQ (main->getScreenText().getNumGlyphs(), 0);
    EXPECT_TRUE (main->getActionButton()->isVisible()); // unchanged from the language screen
    setState (7);
    EXPECT_EQ (main->getScreenText().getNumGlyphs(), 0);
}

TEST_F (ScreenTest, CompletionScreen)
{
    build();
    setState (stateBlockCommit);
    setState (stateComplete);
    EXPECT_EQ (text(), withoutWhitespace ("The update of your version of the VQD-TRM4 firmware is now complete."));
    EXPECT_TRUE (main->getActionButton()->isVisible());
    EXPECT_EQ (main->getActionButton()->getButtonText(), "OK");
    EXPECT_FALSE (main->getQuitButton()->isVisible());

    // The text is one line, squeezed if need be, in the headline box.
    const auto box = glyphs().getBoundingBox (0, -1, false);
    EXPECT_LT (box.getHeight(), 20.0f);
    EXPECT_LE (box.getRight(), 406.0f - 20.0f + 0.5f);
}

TEST_F (ScreenTest, ErrorScreensCarryTheIdentifier)
{
    build();
    setState (errFileSize);
    EXPECT_EQ (text(), withoutWhitespace ("There is an error in the update file."
                                          "Error ID:"
                                          "0x0E03"));
    EXPECT_NEAR (firstGlyphBox().getX(), 105.0f, 1.5f);
    EXPECT_FALSE (main->getActionButton()->isVisible());
    EXPECT_TRUE (main->getQuitButton()->isVisible());
    EXPECT_EQ (main->getQuitButton()->getButtonText(), "Close");
    EXPECT_EQ (main->getQuitButton()->getBounds(), juce::Rectangle<int> (286, 114, 100, 20));
    EXPECT_EQ (main->getWidth(), 406); // file errors keep the small window

    // The identifier is written after a tab, on its own line below an empty one.
    const auto glyphs = this->glyphs();
    const auto firstLine = glyphs.getBoundingBox (0, 1, true);
    const auto id = glyphs.getBoundingBox (glyphs.getNumGlyphs() - 1, 1, true);
    EXPECT_GT (id.getY(), firstLine.getBottom() + 12.0f);

    main->setUpdateState (errNotConnected);
    main->composeScreen();
    EXPECT_EQ (text(), withoutWhitespace ("Your VQD-TRM4 is not connected."
                                          "Error ID:"
                                          "0x0E21"));
}

TEST_F (ScreenTest, RecoveryScreenGrowsTheWindowAndNamesTheProcessor)
{
    build();
    runToReady();
    vqdsim::unplug (vqdsim::controllerHidNo);
    ASSERT_TRUE (MessageLoop::runUntil ([&] { return main->getUpdateState() == errDisconnected; }));
    MessageLoop::runUntil ([&] { return main->getWidth() == 800; });

    EXPECT_EQ (main->getWidth(), 800);
    EXPECT_EQ (main->getHeight(), 300);
    EXPECT_EQ (main->getQuitButton()->getBounds(), juce::Rectangle<int> (680, 260, 100, 20));
    EXPECT_FALSE (main->getActionButton()->isVisible());

    juce::String expected;
    for (auto key : { txtUpdateFailed, txtUnitUnavailable, txtTryProcedure, txtStep1Close, txtStep2Reconnect,
                      txtStep3UpdateAgain })
        expected += t (key);
    expected += "-" + t (txtIfDownloaded) + t (txtDoubleClickProgram) + "-" + t (txtIfViaApplication)
                + t (txtRestartApplication) + "-------------"
                                              "ForSH7269"
                                              "-------------";

    EXPECT_EQ (text(), withoutWhitespace (expected)); // once, not twice
    EXPECT_FALSE (text().contains ("Error"));
}

TEST_F (ScreenTest, RecoveryScreenWithoutAChosenFileSaysUnknownProcessor)
{
    scenario.faults = { vqdsim::Fault { 0x00, 1, vqdsim::Fault::Action::refuse, 1 } };
    build();
    main->buttonClicked (main->getActionButton());
    ASSERT_TRUE (MessageLoop::runUntil ([&] { return main->getUpdateState() == errDeviceCode1; }));
    MessageLoop::runUntil ([&] { return main->getWidth() == 800; });
    EXPECT_TRUE (text().endsWith ("-------------UNKNOWNCPU-------------"));
}

TEST_F (ScreenTest, OkWithoutControllerGivesTheNotConnectedScreen)
{
    scenario.absentAtStart = true;
    build();
    main->buttonClicked (main->getActionButton());
    EXPECT_EQ (main->getUpdateState(), errNotConnected);
    EXPECT_FALSE (main->isThreadRunning());
    EXPECT_TRUE (text().contains ("0x0E21"));
}

// The action button acts on the screen the user saw: the worker may be a step
// ahead of it, as when a double-click's second click lands where Start is
// about to appear. Start takes a click only once it has been on show a moment.
TEST_F (ScreenTest, TheActionButtonActsOnTheScreenTheUserSaw)
{
    build();
    main->setUpdateState (stateReady); // its screen not composed yet
    main->buttonClicked (main->getActionButton());
    EXPECT_EQ (main->getUpdateState(), stateReady);
    EXPECT_FALSE (main->getUpdateStarted());

    main->composeScreen();
    EXPECT_FALSE (main->getActionButton()->isArmed());
    main->buttonClicked (main->getActionButton());
    main->composeScreen(); // a recomposition does not arm it either
    main->buttonClicked (main->getActionButton());
    EXPECT_FALSE (main->getUpdateStarted());

    ASSERT_TRUE (MessageLoop::runUntil ([&] { return main->getActionButton()->isArmed(); }));
    main->buttonClicked (main->getActionButton());
    EXPECT_TRUE (main->getUpdateStarted());
    EXPECT_EQ (main->getUpdateState(), statePrepare);
}

TEST_F (ScreenTest, PagePaintingShowsTheWarningOnlyOnErrors)
{
    build();
    auto snapshot = [&] { return main->createComponentSnapshot (main->getLocalBounds(), false); };

    auto page = snapshot();
    EXPECT_EQ (page.getPixelAt (50, 45), juce::Colour (PageStyle::pageColour));
    EXPECT_EQ (page.getPixelAt (2, 2), juce::Colour (PageStyle::pageColour));

    setState (errFileCrc);
    page = snapshot();

    // Inside (20, 15, 64, 64): yellow of the triangle and black of its mark.
    int yellow = 0, black = 0;
    for (int y = 15; y < 79; ++y)
        for (int x = 20; x < 84; ++x)
        {
            const auto c = page.getPixelAt (x, y);
            yellow += (c.getRed() > 200 && c.getGreen() > 160 && c.getBlue() < 80) ? 1 : 0;
            black += (c.getBrightness() < 0.15f) ? 1 : 0;
        }

    EXPECT_GT (yellow, 800);
    EXPECT_GT (black, 100);
    EXPECT_EQ (page.getPixelAt (18, 13), juce::Colour (PageStyle::pageColour));
    EXPECT_EQ (page.getPixelAt (90, 50), juce::Colour (PageStyle::pageColour));

    // The text is black.
    bool darkText = false;
    for (int y = 20; y < 40 && ! darkText; ++y)
        for (int x = 105; x < 380 && ! darkText; ++x)
            darkText = page.getPixelAt (x, y).getBrightness() < 0.2f;
    EXPECT_TRUE (darkText);

    // 0xE00 and 0xE42 are no error identifiers: no image.
    setState (0xE42);
    page = snapshot();
    EXPECT_EQ (page.getPixelAt (50, 45), juce::Colour (PageStyle::pageColour));
}
