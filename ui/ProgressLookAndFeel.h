#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

// The update's progress bar: a trough in the bar's own background colour,
// a grey, vertically shaded bar growing from the left 2 pixels inside it,
// and the bar's text in white across the middle. There is no animation, so
// an indeterminate (negative) progress simply shows an empty bar.
class ProgressLookAndFeel : public juce::LookAndFeel_V2
{
public:
    ProgressLookAndFeel();
    ~ProgressLookAndFeel() override;

    void drawProgressBar (juce::Graphics& g,
                          juce::ProgressBar& bar,
                          int width,
                          int height,
                          double progress,
                          const juce::String& textToShow) override;

private:
    JUCE_DECLARE_NON_COPYABLE (ProgressLookAndFeel)
};
