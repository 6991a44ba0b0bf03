// Where the keyboard focus rests on the real main window, which decides what
// the Return key does: on each screen the button the screen offers as the
// default gets it unless the user moved it to the other one, and neither
// JUCE's own focus handling (a window that gains the focus, a click on the
// language list) nor an error takes Return away from the default behind the
// user's back. Keyboard focus needs a window on a screen, so these run under
// Xvfb (ctest runs them there) and skip without one.
#include "WindowOnScreen.h"
#include "localisation/TxtLoader.h"

#include <gtest/gtest.h>

namespace
{
class KeyboardFocusTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // German is installed too, so that the list has a choice.
        const auto failure = screen.open (0x0409, "00000407");

        if (failure.isNotEmpty())
            GTEST_SKIP() << failure;

        window = screen.window.get();
        main = screen.main;
    }

    AlineButton* action() const { return main->getActionButton(); }
    juce::ComboBox* list() const { return main->getLanguageList(); }
    AlineButton* quit() const { return main->getQuitButton(); }
    static bool has (const juce::Component* c) { return c->hasKeyboardFocus (false); }

    static bool eventually (const std::function<bool()>& condition) { return WindowOnScreen::eventually (condition); }
    void repaintAndSettle() { screen.repaintAndSettle(); }
    void show (int state) { screen.show (state); }

    // No control has the focus, as after the window lost it or before JUCE
    // has heard that the window got it back.
    void focusNothing()
    {
        juce::Component::unfocusAllComponents();
        ASSERT_EQ (juce::Component::getCurrentlyFocusedComponent(), nullptr);
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

    WindowOnScreen screen;
    MainWindow* window = nullptr;
    MainComponent* main = nullptr;
};
} // namespace

// The window system's news that the window has the focus can reach JUCE
// together with the user's first click, here on the language list (which
// a click does not focus). JUCE first focuses the window itself, having no
// control to give the focus back to, and the click then handed the focus to
// the page's first control, Cancel: the user picked a language, pressed
// Return to go on, and the program quit. OK must have it.
TEST_F (KeyboardFocusTest, ClickOnTheLanguageListAsTheWindowGetsTheFocusLeavesItOnOk)
{
    window->grabKeyboardFocus();

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

// Where JUCE focuses the window itself, Return would do nothing; the focus
// goes on to OK at once, so that a key press handled right after it (in the
// same batch of window system events) reaches OK and starts the preparation.
TEST_F (KeyboardFocusTest, ReturnRightAfterTheWindowTookTheFocusItselfActsOnOk)
{
    window->grabKeyboardFocus();
    EXPECT_TRUE (has (action()));

    auto* peer = window->getPeer();
    ASSERT_NE (peer, nullptr);
    peer->handleKeyPress (juce::KeyPress (juce::KeyPress::returnKey));

    EXPECT_TRUE (eventually ([this] { return main->getUpdateState() == stateReady; }))
        << "state " << main->getUpdateState();
}

// A click on an empty part of the page picks the default control the same
// way.
TEST_F (KeyboardFocusTest, ClickOnThePageWithTheFocusNowhereGivesItToOk)
{
    focusNothing();

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

    show (stateBlockData);
    window->grabKeyboardFocus();
    repaintAndSettle();
    EXPECT_TRUE (has (window)) << "updating: the focus is not moved";

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

// Keyboard alone: Tab and Shift+Tab go round the controls the screen shows
// in reading order (the list, then the left-hand button, then the right-hand
// one), Space presses the focused button as Return does, and the language
// is chosen on the list with the arrows, or opened from it with Return.
TEST_F (KeyboardFocusTest, TabShiftTabSpaceAndTheListWorkByKeysAlone)
{
    const juce::KeyPress tab (juce::KeyPress::tabKey);
    const juce::KeyPress shiftTab (juce::KeyPress::tabKey, juce::ModifierKeys::shiftModifier, 0);
    ASSERT_TRUE (has (action()));

    const std::pair<const juce::KeyPress*, juce::Component*> firstScreen[] = {
        { &tab, list() },
        { &tab, quit() },
        { &tab, action() },
        { &shiftTab, quit() },
        { &shiftTab, list() },
        { &shiftTab, action() },
        { &tab, list() },
    };

    for (const auto& [key, expected] : firstScreen)
    {
        screen.press (*key);
        repaintAndSettle();
        ASSERT_TRUE (has (expected)) << "expected " << expected->getName() << " after " << key->getTextDescription();
    }

    // On the list: Down chooses the next language, and everything follows.
    screen.press (juce::KeyPress (juce::KeyPress::downKey));
    ASSERT_TRUE (eventually ([] { return TxtLoader::getInstance()->getCurrentLanguage() == 2; }));
    EXPECT_EQ (action()->getButtonText(), TxtLoader::getInstance()->getText (txtOk));
    EXPECT_EQ (list()->getTitle(), TxtLoader::getInstance()->getText (txtSelectLanguage));
    EXPECT_TRUE (has (list())) << "choosing moved the focus";

    screen.press (juce::KeyPress (juce::KeyPress::upKey));
    ASSERT_TRUE (eventually ([] { return TxtLoader::getInstance()->getCurrentLanguage() == 0; }));

    // Return opens it.
    screen.press (juce::KeyPress (juce::KeyPress::returnKey));
    ASSERT_TRUE (eventually ([this] { return list()->isPopupActive(); }));
    juce::PopupMenu::dismissAllActiveMenus();
    ASSERT_TRUE (eventually ([] { return juce::ModalComponentManager::getInstance()->getNumModalComponents() == 0; }));

    // Space on OK goes on; on the ready screen Tab goes between Close and
    // Start only.
    list()->grabKeyboardFocus();
    screen.press (shiftTab);
    screen.press (juce::KeyPress (juce::KeyPress::spaceKey));
    repaintAndSettle();
    ASSERT_TRUE (eventually ([this] { return main->getUpdateState() == stateReady; }));
    repaintAndSettle();
    ASSERT_TRUE (has (action()));

    for (const auto& [key, expected] : { std::make_pair (&tab, quit()), std::make_pair (&tab, action()), std::make_pair (&shiftTab, quit()) })
    {
        screen.press (*key);
        repaintAndSettle();
        EXPECT_TRUE (has (expected)) << "ready screen: expected " << expected->getName();
    }
}
