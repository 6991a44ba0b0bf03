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

private:
    MainComponent* mainComponent = nullptr; // owned as the window's content
};
