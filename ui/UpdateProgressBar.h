#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

// The update's progress bar. To a screen reader its value is the
// percentage it paints ("45%", on a range of 0 to 100); JUCE's own bar gives
// a fraction of one, which readers speak as "0.45".
class UpdateProgressBar : public juce::ProgressBar
{
public:
    // `progress` (0..1) is read on the message thread, as the bar itself does.
    explicit UpdateProgressBar (double& progress);

    // The whole percentage, 0..100, as the bar paints it.
    int getPercent() const;

private:
    std::unique_ptr<juce::AccessibilityHandler> createAccessibilityHandler() override;

    double& progress;

    JUCE_DECLARE_NON_COPYABLE (UpdateProgressBar)
};
