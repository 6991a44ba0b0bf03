#pragma once

#include "ui/LangLookAndFeel.h"
#include "ui/ProgressMirror.h"
#include "ui/ScreenAnnouncer.h"
#include "update/UpdateEngine.h"

#include <juce_gui_basics/juce_gui_basics.h>

class AlineButton;
class LanguageList;
class ProgressLookAndFeel;
class UpdateProgressBar;

// The whole user interface and the owner of everything the update needs: the
// window's content, the language list, the progress bar and the two buttons,
// and, through its UpdateEngine base, the device controller, the update
// fields and the worker thread. Every screen comes from composeScreen, which
// rebuilds it from the current state whenever anything may have changed
// (MainComponentScreens.cpp); the page is painted in
// MainComponentPainting.cpp.
//
// A screen reader finds the page as a group whose title is the screen's
// first line and whose description is the rest of its text, then the
// controls the screen shows, in reading order; each new screen is also
// announced once, and the update's progress in tenths.
class MainComponent : public juce::Component,
                      public UpdateEngine,
                      public juce::ComboBox::Listener,
                      public juce::Button::Listener,
                      private juce::Timer
{
public:
    // How long the ready screen is on show before its Start takes a click:
    // the second click of a double-click on the first screen's OK lands
    // where Start appears a few milliseconds later, and must not confirm an
    // update whose versions the user never saw.
    static constexpr int startArmingMs = 500;

    MainComponent();
    ~MainComponent() override;

    void paint (juce::Graphics& g) override;
    void resized() override;

    void handleAsyncUpdate() override;
    void buttonClicked (juce::Button* button) override;
    void comboBoxChanged (juce::ComboBox* box) override;

    // Rebuilds the screen for the current state and language.
    void composeScreen();

    // The page's keyboard focus rule: where the user is to confirm or
    // dismiss, the focus goes to the button that Return is then to trigger,
    // unless the user moved it to the other one. Every paint applies it.
    void applyFocusRule();

    // Stops a running worker and asks the application to quit.
    void requestQuit();

    // What the screens are made of, for the tests.
    const juce::GlyphArrangement& getScreenText() const noexcept { return screenText; }
    juce::ComboBox* getLanguageList() const noexcept;
    juce::ProgressBar* getProgressBar() const noexcept;
    AlineButton* getActionButton() const noexcept { return actionButton; }
    AlineButton* getQuitButton() const noexcept { return quitButton; }
    ScreenAnnouncer& getAnnouncer() noexcept { return announcer; }

private:
    // composeScreen's steps: the page's text for the state (returned as it
    // is laid out), which controls show, with what captions and where, and
    // what a screen reader is told of it.
    juce::String composeText (int state);
    void showControls (int state);
    void exposeText (int state, const juce::String& text);

    std::unique_ptr<juce::AccessibilityHandler> createAccessibilityHandler() override;
    // The page's controls top to bottom, left to right, for Tab and for a
    // screen reader's walk (PageTraverser).
    std::vector<juce::Component*> readingOrder() const;
    std::unique_ptr<juce::ComponentTraverser> createFocusTraverser() override;
    std::unique_ptr<juce::ComponentTraverser> createKeyboardFocusTraverser() override;

    void layOutControls();

    // Start is armed when the ready screen has been on show for
    // startArmingMs.
    void timerCallback() override;

    // What the action button does, as the screen last composed shows it:
    // a click acts on what the user saw, not on a state the worker has
    // reached since.
    enum class Action
    {
        none,    // hidden
        begin,   // the first screen's OK
        confirm, // the ready screen's Start
        finish   // the completion screen's OK
    };
    Action action = Action::begin;
    void applyProgressForeground();

    juce::GlyphArrangement screenText;
    juce::LangLookAndFeel langLookAndFeel;
    LanguageList* languageList = nullptr;
    ProgressLookAndFeel* progressLookAndFeel = nullptr;

    // The progress bar reads this on the message thread; the mirror copies
    // the worker's progress into it, so that no double is shared unguarded
    // between the two threads.
    double progress = 0.0;
    ProgressMirror progressMirror;

    UpdateProgressBar* progressBar = nullptr;
    AlineButton* actionButton = nullptr;
    AlineButton* quitButton = nullptr;

    ScreenAnnouncer announcer;

    JUCE_DECLARE_NON_COPYABLE (MainComponent)
};
