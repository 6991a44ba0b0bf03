#include "ui/UpdateProgressBar.h"

namespace
{
class Percentage : public juce::AccessibilityValueInterface
{
public:
    explicit Percentage (const UpdateProgressBar& b) : bar (b) {}

    bool isReadOnly() const override { return true; }
    double getCurrentValue() const override { return bar.getPercent(); }
    juce::String getCurrentValueAsString() const override { return juce::String (bar.getPercent()) + "%"; }
    void setValue (double) override {}
    void setValueAsString (const juce::String&) override {}
    AccessibleValueRange getRange() const override { return { { 0.0, 100.0 }, 1.0 }; }

private:
    const UpdateProgressBar& bar;
};
} // namespace

UpdateProgressBar::UpdateProgressBar (double& p)
    : juce::ProgressBar (p), progress (p)
{
}

int UpdateProgressBar::getPercent() const
{
    return juce::roundToInt (juce::jlimit (0.0, 1.0, progress) * 100.0);
}

std::unique_ptr<juce::AccessibilityHandler> UpdateProgressBar::createAccessibilityHandler()
{
    return std::make_unique<juce::AccessibilityHandler> (*this, juce::AccessibilityRole::progressBar,
                                                         juce::AccessibilityActions(),
                                                         juce::AccessibilityHandler::Interfaces { std::make_unique<Percentage> (*this) });
}
