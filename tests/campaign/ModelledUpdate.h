#pragma once

#include "sim/SimControl.h"

#include <cstdint>
#include <vector>

// A whole update played through the protocol model (ProtocolModel) against a
// stand-in for the simulated controller: the answers its loader gives (the
// scenario's status, date and version, its busy commit polls) and the
// scenario's faults, applied as the simulator applies them. It gives the
// commands a good update sends, so that the campaign can place a fault on
// any of them, and what the program must come to with that fault.
namespace ModelledUpdate
{
struct Command
{
    uint8_t code;   // byte 1 of the command report
    uint8_t target; // byte 0
    int state;      // the update state in which the worker sends it
    int block;      // the block under way, counted from 0; -1 before the first
};

struct Block
{
    uint32_t address; // in the flash, which is also the offset in the file
    uint32_t length;
};

struct Outcome
{
    int state = 0;                      // the final update state
    std::vector<Command> commands;      // every report that reaches the controller, the finish included
    std::vector<Block> committedBlocks; // in the order the controller writes them to its flash
    int faultIndex = -1;                // the first faulted command in `commands`; -1: none was
    bool controllerGone = false;        // a fault unplugged the controller

    int count (uint8_t code) const;
};

// `fileDate` is the file's date as four BCD bytes, most significant first.
Outcome play (const vqdsim::Scenario& scenario, const std::vector<uint8_t>& file, uint32_t fileDate);
} // namespace ModelledUpdate
