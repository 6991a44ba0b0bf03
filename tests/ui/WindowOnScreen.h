#pragma once

// The real main window on a screen (Xvfb under ctest), for the tests that
// need one: keyboard focus, the accessibility handlers (JUCE makes them only
// for components on the desktop) and the pages as they are drawn.
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
        // that happen now.
        if (! sendFocusNotice (*window))
            return "cannot send the focus notice";

        MessageLoop::runFor (100);

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
        MessageLoop::runFor (20);
    }

    static bool eventually (const std::function<bool()>& condition) { return MessageLoop::runUntil (condition, 3000); }

    // Lets the page repaint, which applies the focus rule, and settle.
    void repaintAndSettle()
    {
        main->repaint();
        MessageLoop::runFor (150);
    }

    // Shows a state's screen as the worker's news would.
    void show (int state)
    {
        main->setUpdateState (state);
        main->composeScreen();
        repaintAndSettle();
    }

    // OK on the first screen, and the worker's queries up to the ready
    // screen with both versions.
    bool runToReady()
    {
        main->buttonClicked (main->getActionButton());

        if (! MessageLoop::runUntil ([this] { return main->getUpdateState() == stateReady; }))
            return false;

        repaintAndSettle();
        return true;
    }

    // A key as the window system delivers it to the window.
    void press (const juce::KeyPress& key)
    {
        if (auto* peer = window->getPeer())
            peer->handleKeyPress (key);

        MessageLoop::runFor (50);
    }

    TempFolder folder;
    std::unique_ptr<MainWindow> window;
    MainComponent* main = nullptr;
};
