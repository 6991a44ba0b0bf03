#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

// The look of the program's push buttons: a flat face with a two-tone bevel,
// light on the top and left and dark on the bottom and right while the button
// is up, swapped while it is down. Hovering never changes anything. Only the
// background is ours; captions and focus frames are drawn by AlineButton.
class BtnLookAndFeel : public juce::LookAndFeel_V2
{
public:
    BtnLookAndFeel();
    ~BtnLookAndFeel() override;

    void drawButtonBackground (juce::Graphics& g,
                               juce::Button& button,
                               const juce::Colour& backgroundColour,
                               bool isMouseOverButton,
                               bool isButtonDown) override;

private:
    JUCE_DECLARE_NON_COPYABLE (BtnLookAndFeel)
};
