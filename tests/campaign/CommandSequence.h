#pragma once

#include <cstdint>
#include <vector>

// The commands a whole update sends when nothing goes wrong, in order, as
// the controller receives them: the two queries, the prepare, every block
// (start, data, last length, the last data, sum, commit polls) and the
// finish. Worked out from the protocol's rules, not from the engine, so that
// the campaign can place a fault on any one of them and know what was sent
// before it.
namespace CommandSequence
{
struct Block
{
    uint8_t target;
    uint32_t address; // device address, which is also the offset in the file
    uint32_t length;
};

struct Command
{
    uint8_t code;     // byte 1 of the command report
    uint8_t target;   // byte 0
    int state;        // the update state in which the worker sends it
    int block;        // index into blocks, or -1 outside a block
    bool commitsNow;  // a commit poll the controller answers with "done"
};

struct Update
{
    std::vector<Block> blocks;
    std::vector<Command> commands;
};

// equalDates: the controller holds the file's date already, so image 0 is
// skipped and only the first 4 KiB of image 2 are written.
// busyPerBlock: busy answers to the commit poll before each block is done.
Update make (bool equalDates, int busyPerBlock);
} // namespace CommandSequence
