#pragma once

#include <juce_events/juce_events.h>

#include <functional>

class UpdateEngine;

// Copies the worker's progress into the value the progress bar reads, on the
// message thread, as often as the bar itself looks at it. The worker writes
// its progress as an atomic; the bar wants a plain double it can read.
class ProgressMirror : private juce::Timer
{
public:
    ProgressMirror (const UpdateEngine& engine, double& shownProgress);
    ~ProgressMirror() override;

    // Runs while the progress bar is shown.
    void setActive (bool shouldRun);

    // Copies once, now.
    void update();

    // Called with the value after each copy the timer makes.
    std::function<void (double)> onCopied;

private:
    void timerCallback() override;

    const UpdateEngine& engine;
    double& shown;
};
