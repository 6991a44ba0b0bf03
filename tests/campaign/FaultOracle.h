#pragma once

#include "CommandSequence.h"
#include "sim/SimControl.h"

// What the program does when one command of an update meets one fault: the
// state it must end in and what the controller must have received by then.
// The rules are the program's documented behaviour for each command and each
// kind of answer, together with what the simulated loader does with a
// command it did not handle (a refused or recoded command never reaches the
// loader, so a commit poll answered busy that way is simply polled again).
namespace FaultOracle
{
struct Outcome
{
    int state = 0;            // final updateState
    int faultIndex = -1;      // the faulted command in the sequence; -1: never reached
    int commandsReceived = 0; // every report that reaches the controller, the finish included
    int blockSums = 0;        // cmdBlockSum among them
    int committedBlocks = 0;  // the update's first N blocks end up in the flash
    bool finished = false;    // the finish command reaches the controller
    bool controllerGone = false; // the fault unplugs the controller
};

Outcome expect (const CommandSequence::Update& update, const vqdsim::Fault& fault);

// Whether `code` is what the command awaits when all is well; the campaign
// never recodes an answer into one of these, since the controller would then
// claim work it never did, which no program could notice.
bool isSuccessCode (uint8_t command, int code);
} // namespace FaultOracle
