#pragma once

#include "ui/LangLookAndFeel.h"
#include "ui/ProgressMirror.h"
#include "update/UpdateEngine.h"

#include <juce_gui_basics/juce_gui_basics.h>

class AlineButton;
class ProgressLookAndFeel;

// The whole user interface and the owner of everything the update needs: the
// window's content, the language list, the progress bar and the two buttons,
// and, through its UpdateEngine base, the device controller, the update
// fields and the worker thread. Every screen comes from composeScreen, which
// rebuilds it from the current state whenever anything may have changed
// (MainComponentScreens.cpp); the page is painted in
// MainComponentPainting.cpp.
class MainComponent : public juce::Component,
                      public UpdateEngine,
                      public juce::ComboBox::Listener,
                      public juce::Button::Listener
{
public:
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
    juce::ComboBox* getLanguageList() const noexcept { return languageList; }
    juce::ProgressBar* getProgressBar() const noexcept { return progressBar; }
    AlineButton* getActionButton() const noexcept { return actionButton; }
    AlineButton* getQuitButton() const noexcept { return quitButton; }

private:
    // composeScreen's two steps: the page's text for the state, then which
    // controls show, with what captions and where.
    void composeText (int state);
    void showControls (int state);

    void layOutControls();
    void applyProgressForeground();

    juce::GlyphArrangement screenText;
    juce::LangLookAndFeel langLookAndFeel;
    juce::ComboBox* languageList = nullptr;
    ProgressLookAndFeel* progressLookAndFeel = nullptr;

    // The progress bar reads this on the message thread; the mirror copies
    // the worker's progress into it, so that no double is shared unguarded
    // between the two threads.
    double progress = 0.0;
    ProgressMirror progressMirror;

    juce::ProgressBar* progressBar = nullptr;
    AlineButton* actionButton = nullptr;
    AlineButton* quitButton = nullptr;

    JUCE_DECLARE_NON_COPYABLE (MainComponent)
};
