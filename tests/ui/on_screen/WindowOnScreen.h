#pragma once

// The real main window on a screen (Xvfb under ctest), for the tests that
// need one: keyboard focus, the accessibility handlers (JUCE makes them only
// for components on the desktop) and the pages as they are drawn.
#include "MessageLoop.h"
#include "TempFolder.h"
#include "XScreen.h"
#include "app/MainWindow.h"
#include "localisation/LanguageDetection.h"
#include "localisation/TxtLoader.h"
#include "sim/SimControl.h"
#include "tools/UpdateFileMaker.h"
#include "ui/AlineButton.h"
#include "ui/MainComponent.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

class WindowOnScreen
{
public:
    ~WindowOnScreen() { close(); }

    // Opens the window with the start language of a user with `langId` and
    // that language's locale installed, against a controller that has the
    // 2023-07-15 firmware and an update file in the program's folder, and
    // waits until the first screen has the focus on OK. `created` sees the
    // page before any message has been handled. A reason on failure.
    juce::String open (juce::uint16 langId = 0x0409, const juce::String& installed = "00000409",
                       const std::function<void (MainComponent&)>& created = {})
    {
        if (! hasScreen())
            return "no display: these tests need a window";

        if (! ignoreXErrorsLikeAJuceApplication())
            return "cannot guard against X errors";

        vqdsim::Scenario scenario;
        UpdateFileMaker::parseDate ("20230715", scenario.date);
        vqdsim::configure (scenario);

        if (! UpdateFileMaker::write (folder / "vqdtrm4__v102.bin", {}))
            return "cannot write the update file";

        {
            FixedLocaleSource locales (langId, { "00000409", installed });
            const ScopedLocaleSource scoped (locales);
            window = std::make_unique<MainWindow>();
        }

        main = dynamic_cast<MainComponent*> (window->getContentComponent());

        if (main == nullptr)
            return "no main component";

        if (created)
            created (*main);

        main->setUpdateFolder (folder.get());

        // The first paints hand the focus to OK once the window has it.
        if (! eventually ([this] { return main->getActionButton()->hasKeyboardFocus (false); }))
            return "the window did not get the focus";

        // JUCE may not have taken in yet that the window has the focus; when
        // it does, it focuses the window itself, which hands the focus on to
        // OK and would take it from a control that a test has chosen. Have
        // that happen now, and wait until it has.
        MarkerKey marker;
        window->addKeyListener (&marker);
        const bool sent = sendFocusNotice (*window, MarkerKey::keysym);
        const bool seen = sent && eventually ([&marker] { return marker.seen; });
        window->removeKeyListener (&marker);

        if (! seen)
            return sent ? "JUCE did not take in the focus notice" : "cannot send the focus notice";

        MessageLoop::runUntilIdle();

        if (! eventually ([this] { return main->getActionButton()->hasKeyboardFocus (false); }))
            return "the focus left OK";

        return {};
    }

    void close()
    {
        if (main != nullptr)
            main->stopWorker();

        main = nullptr;
        window.reset();
        vqdsim::reset();
        MessageLoop::runUntilIdle();
    }

    static bool eventually (const std::function<bool()>& condition) { return MessageLoop::runUntil (condition, 3000); }

    // Repaints the page now, which applies the focus rule, and handles what
    // that posted.
    void repaintAndSettle()
    {
        main->repaint();
        MessageLoop::runUntilIdle();

        if (auto* peer = window->getPeer())
            peer->performAnyPendingRepaintsNow();

        MessageLoop::runUntilIdle();
    }

    // Shows a state's screen as the worker's news would.
    void show (int state)
    {
        main->setUpdateState (state);
        main->composeScreen();
        repaintAndSettle();
    }

    // OK on the first screen, and the worker's queries up to the ready
    // screen with both versions and Start armed.
    bool runToReady()
    {
        main->buttonClicked (main->getActionButton());

        // The state comes before the screen: until the ready screen is
        // composed the button is still the first screen's OK, armed.
        const auto startShownArmed = [this] {
            const auto* button = main->getActionButton();
            return main->getUpdateState() == stateReady && button->isVisible() && button->isArmed()
                   && button->getButtonText() == TxtLoader::getInstance()->getText (txtStart);
        };
        if (! MessageLoop::runUntil (startShownArmed))
            return false;

        repaintAndSettle();
        return true;
    }

    // A key as the window system delivers it to the window.
    void press (const juce::KeyPress& key)
    {
        if (auto* peer = window->getPeer())
            peer->handleKeyPress (key);

        MessageLoop::runUntilIdle();
    }

    // A key nothing in the window uses, pressed after the focus notice: when
    // the window has seen it, it has seen the notice.
    struct MarkerKey : juce::KeyListener
    {
        static constexpr unsigned long keysym = 0xffc9; // XK_F12

        bool keyPressed (const juce::KeyPress& key, juce::Component*) override
        {
            if (key.getKeyCode() != juce::KeyPress::F12Key)
                return false;

            seen = true;
            return true;
        }

        bool seen = false;
    };

    TempFolder folder;
    std::unique_ptr<MainWindow> window;
    MainComponent* main = nullptr;
};
