#pragma once

#include "RunPlan.h"

#include <juce_core/juce_core.h>

#include <string>
#include <vector>

// Runs one plan: the real update engine on the JUCE message loop, against
// the simulated controller with the plan's single fault, from the first
// screen's OK to the end of the worker, and checks the result against the
// plan's expected outcome (ModelledUpdate). Runs on the message thread.
namespace CampaignRun
{
struct Result
{
    int state = 0;
    std::vector<std::string> failures; // empty when every check held
    bool workerHung = false;           // the worker did not end: nothing after it can be trusted
};

// Lets the process start whatever it starts once (the message loop's timer
// thread, a sanitizer's own thread), so that the first run's counts of
// threads and descriptors compare with the later ones.
void settleProcess();

// The longest a run may take before its worker counts as hung.
int longestRunMs();

// `folder` is the run's own, made empty for it and removed afterwards;
// the update file is put there.
Result perform (const RunPlan& plan, const juce::File& folder);
} // namespace CampaignRun
