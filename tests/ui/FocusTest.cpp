// Where the keyboard focus rests on the real main window, which decides what
// the Return key does: on each screen the button the screen offers as the
// default gets it unless the user moved it to the other one, and neither
// JUCE's own focus handling (a window that gains the focus, a click on the
// language list) nor an error takes Return away from the default behind the
// user's back. Keyboard focus needs a window on a screen, so these run under
// Xvfb (ctest runs them there) and skip without one.
#include "MessageLoop.h"
#include "TempFolder.h"
#include "XScreen.h"
#include "app/MainWindow.h"
#include "localisation/LanguageDetection.h"
#include "sim/SimControl.h"
#include "tools/UpdateFileMaker.h"
#include "ui/AlineButton.h"
#include "ui/MainComponent.h"

#include <gtest/gtest.h>

#include <memory>

namespace
{
class KeyboardFocusTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (! hasScreen())
            GTEST_SKIP() << "no display: keyboard focus needs a window";

        if (! ignoreXErrorsLikeAJuceApplication())
            GTEST_SKIP() << "cannot guard against X errors";

        vqdsim::Scenario scenario;
        UpdateFileMaker::parseDate ("20230715", scenario.date);
        vqdsim::configure (scenario);
        ASSERT_TRUE (UpdateFileMaker::write (folder / "vqdtrm4__v102.bin", {}));

        {
            FixedLocaleSource locales (0x0409, { "00000409" });
            const ScopedLocaleSource scoped (locales);
            window = std::make_unique<MainWindow>();
        }

        main = dynamic_cast<MainComponent*> (window->getContentComponent());
        ASSERT_NE (main, nullptr);
        main->setUpdateFolder (folder.get());

        // The first paints hand the focus to OK once the window has it.
        if (! eventually ([this] { return has (action()); }))
            GTEST_SKIP() << "the window did not get the focus";

        // JUCE may not have taken in yet that the window has the focus; when
        // it does, it focuses the window itself and the next paint gives OK
        // the focus again. Have that happen before the tests move the focus.
        ASSERT_TRUE (sendFocusNotice (*window));
        MessageLoop::runFor (100);
        ASSERT_TRUE (eventually ([this] { return has (action()); }));
    }

    void TearDown() override
    {
        if (main != nullptr)
            main->stopWorker();

        window.reset();
        vqdsim::reset();
        MessageLoop::runFor (20);
    }

    AlineButton* action() const { return main->getActionButton(); }
    AlineButton* quit() const { return main->getQuitButton(); }
    static bool has (const juce::Component* c) { return c->hasKeyboardFocus (false); }

    static bool eventually (const std::function<bool()>& condition)
    {
        return MessageLoop::runUntil (condition, 3000);
    }

    // Lets the page repaint, which applies the focus rule, and settle.
    void repaintAndSettle()
    {
        main->repaint();
        MessageLoop::runFor (150);
    }

    void show (int state)
    {
        main->setUpdateState (state);
        main->composeScreen();
        repaintAndSettle();
    }

    // A left click as the window system delivers it to the window.
    void click (juce::Component& target)
    {
        auto* peer = window->getPeer();
        ASSERT_NE (peer, nullptr);
        const auto centre = target.localPointToGlobal (target.getLocalBounds().getCentre()).toFloat();
        const auto at = peer->globalToLocal (centre);
        const auto time = juce::Time::currentTimeMillis();

        peer->handleMouseEvent (juce::MouseInputSource::InputSourceType::mouse, at,
                                juce::ModifierKeys (juce::ModifierKeys::leftButtonModifier),
                                juce::MouseInputSource::defaultPressure, juce::MouseInputSource::defaultOrientation, time);
        peer->handleMouseEvent (juce::MouseInputSource::InputSourceType::mouse, at, juce::ModifierKeys(),
                                juce::MouseInputSource::defaultPressure, juce::MouseInputSource::defaultOrientation, time + 50);
    }

    TempFolder folder;
    std::unique_ptr<MainWindow> window;
    MainComponent* main = nullptr;
};
} // namespace

// When the window gains the focus with no control to give it back to, JUCE
// focuses the window itself; a click on the language list (which never takes
// the focus) then hands it to a default control of the page. That must be
// OK: the user picks a language and presses Return to go on, not to quit.
TEST_F (KeyboardFocusTest, ClickOnTheLanguageListWhileOnlyTheWindowHasTheFocusLeavesItOnOk)
{
    window->grabKeyboardFocus();
    ASSERT_TRUE (has (window.get()));

    click (*main->getLanguageList());
    ASSERT_TRUE (eventually ([this] { return main->getLanguageList()->isPopupActive()
                                          && juce::ModalComponentManager::getInstance()->getNumModalComponents() > 0; }))
        << "the list did not open";

    juce::PopupMenu::dismissAllActiveMenus();
    ASSERT_TRUE (eventually ([] { return juce::ModalComponentManager::getInstance()->getNumModalComponents() == 0; }));
    repaintAndSettle();

    EXPECT_TRUE (has (action())) << "the focus went to "
                                 << (juce::Component::getCurrentlyFocusedComponent() != nullptr
                                         ? juce::Component::getCurrentlyFocusedComponent()->getName()
                                         : juce::String ("nothing"));
    EXPECT_FALSE (has (quit()));
}

// Where JUCE leaves the focus on the window itself, Return does nothing; the
// button that lost the focus repaints, and with it the page, whose focus
// rule takes the focus on to OK straight away.
TEST_F (KeyboardFocusTest, FocusOnTheWindowItselfGoesOnToOkAtOnce)
{
    window->grabKeyboardFocus();
    ASSERT_TRUE (has (window.get()));

    EXPECT_TRUE (MessageLoop::runUntil ([this] { return has (action()); }, 500));
}

// A click on an empty part of the page picks the default control the same
// way.
TEST_F (KeyboardFocusTest, ClickOnThePageWhileOnlyTheWindowHasTheFocusLeavesItOnOk)
{
    window->grabKeyboardFocus();
    ASSERT_TRUE (has (window.get()));

    main->grabKeyboardFocus();
    repaintAndSettle();

    EXPECT_TRUE (has (action()));
}

// The focus rule, screen by screen: a button the user chose keeps the focus
// on the first and the ready screen; the completion screen takes it to OK
// and every error screen to Close, wherever it was; while the update runs
// nothing moves it.
TEST_F (KeyboardFocusTest, EachScreenLeavesReturnOnItsDefaultUnlessTheUserChoseTheOther)
{
    quit()->grabKeyboardFocus();
    repaintAndSettle();
    EXPECT_TRUE (has (quit())) << "first screen: Cancel, chosen by the user, keeps the focus";

    action()->grabKeyboardFocus();
    main->buttonClicked (action());
    ASSERT_TRUE (eventually ([this] { return main->getUpdateState() == stateReady; }));
    repaintAndSettle();
    EXPECT_TRUE (has (action())) << "ready screen: Start";

    window->grabKeyboardFocus();
    repaintAndSettle();
    EXPECT_TRUE (has (action())) << "ready screen: the focus on neither button goes to Start";

    quit()->grabKeyboardFocus();
    repaintAndSettle();
    EXPECT_TRUE (has (quit())) << "ready screen: Close, chosen by the user, keeps the focus";

    // Stop the worker so that the states below are only the test's.
    main->stopWorker();

    window->grabKeyboardFocus();
    show (stateBlockData);
    EXPECT_TRUE (has (window.get())) << "updating: the focus is not moved";

    show (stateComplete);
    EXPECT_TRUE (eventually ([this] { return has (action()); })) << "completion screen: OK";
}

TEST_F (KeyboardFocusTest, AnErrorScreenTakesTheFocusToClose)
{
    ASSERT_TRUE (has (action()));

    show (errTimeout);

    EXPECT_TRUE (eventually ([this] { return has (quit()); }));
    EXPECT_TRUE (quit()->isVisible());
    EXPECT_FALSE (action()->isVisible());
}
