#pragma once

#include "ModelledUpdate.h"
#include "sim/SimControl.h"

#include <cstdint>
#include <string>
#include <vector>

// One run of the fault campaign: the controller and file it meets, and the
// single fault. Drawn from the campaign's seed and the run's index alone,
// so that any run can be repeated on its own, in any shard.
struct RunPlan
{
    int index = 0;
    bool rtController = false;             // status answer 0x8B and the "_B_" file
    bool equalDates = false;               // the controller holds the file's date
    bool controllerWithoutVersion = false; // info answer's version bytes 0xFF
    int busyPerBlock = 0;
    uint8_t flashFill = 0xFF; // the flash before anything is written
    int arriveAfterMs = -1;   // a removed controller comes back this much later
    bool realPacing = false;  // the program's own pauses and 10-second limit
    vqdsim::Fault fault;

    static RunPlan draw (uint64_t seed, int index);

    // The simulated controller this plan meets: its answers, its flash, the fault.
    vqdsim::Scenario scenario() const;

    // What the run of this plan must come to, by the protocol's rules.
    ModelledUpdate::Outcome expectedOutcome() const;

    // The update file every run puts in its folder.
    static const std::vector<uint8_t>& updateFile();

    // For the failure messages, e.g. "run 17: cmdData #812 refused with 5 ...".
    std::string describe() const;
};

// The name of a command code as the protocol names it ("cmdData").
const char* commandName (int code);
