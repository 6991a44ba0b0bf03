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

private:
    MainComponent* mainComponent = nullptr; // owned as the window's content
};
