#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

class MainComponent;

// The one top-level window: fixed size, always on top, no title-bar buttons.
// It owns the main component as its content and follows its size.
class MainWindow : public juce::DocumentWindow
{
public:
    MainWindow();
    ~MainWindow() override;

    MainComponent* getMainComponent() const noexcept { return mainComponent; }

    // The page hands the keyboard focus to its default button when it
    // paints, but a component can only take the focus while its window has
    // it. On X11 the window usually gets the focus after its first paint, so
    // the page is painted again when it does.
    void activeWindowStatusChanged() override;

    // When JUCE learns that the window gained the focus and has no control
    // to give it back to, it focuses the window itself, where Return does
    // nothing. On X11 that news can wait in the event queue until the user's
    // first key press arrives, which then went to the window and was lost;
    // the page's focus rule is applied at once instead, so the key reaches
    // the default button.
    void focusGained (FocusChangeType cause) override;

    // A request to close the window from outside the program (a window
    // manager's Close, Alt+F4) leaves the window open and the program where
    // it was: only the page's own buttons end it. JUCE's default asserts.
    void closeButtonPressed() override;

private:
    MainComponent* mainComponent = nullptr; // owned as the window's content
};
