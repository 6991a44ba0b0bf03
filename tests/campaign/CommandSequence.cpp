#include "CommandSequence.h"

#include "sim/SimControl.h"
#include "update/CommandProtocol.h"
#include "update/UpdateState.h"

#include <algorithm>

using namespace Protocol;

namespace CommandSequence
{
namespace
{
void addBlocksOf (Update& update, const vqdsim::Region& region, uint32_t bytes)
{
    for (uint32_t offset = 0; offset < bytes; offset += (uint32_t) blockSize)
        update.blocks.push_back ({ region.target, region.address + offset,
                                   std::min<uint32_t> ((uint32_t) blockSize, bytes - offset) });
}

void addBlockCommands (Update& update, int blockIndex, int busyPerBlock)
{
    const auto& block = update.blocks[(size_t) blockIndex];
    auto add = [&] (uint8_t code, int state, bool commitsNow = false)
    { update.commands.push_back ({ code, block.target, state, blockIndex, commitsNow }); };

    add (cmdBlockStart, stateBlockStart);

    // Full pieces of 62 bytes while more than 62 remain; the last piece
    // (1..62 bytes) is always announced by its length first.
    const int pieces = (int) ((block.length + dataPerReport - 1) / dataPerReport);

    for (int i = 0; i < pieces - 1; ++i)
        add (cmdData, stateBlockData);

    add (cmdLastLength, stateBlockData);
    add (cmdData, stateBlockData);
    add (cmdBlockSum, stateBlockChecksum);

    for (int i = 0; i < busyPerBlock; ++i)
        add (cmdCommitPoll, stateBlockCommit);

    add (cmdCommitPoll, stateBlockCommit, true);
}
} // namespace

Update make (bool equalDates, int busyPerBlock)
{
    Update update;

    if (! equalDates)
        addBlocksOf (update, vqdsim::kRegions[0], vqdsim::kRegions[0].size);

    addBlocksOf (update, vqdsim::kRegions[1], vqdsim::kRegions[1].size);
    addBlocksOf (update, vqdsim::kRegions[2], equalDates ? 0x1000u : vqdsim::kRegions[2].size);

    auto addOutside = [&] (uint8_t code, uint8_t target, int state)
    { update.commands.push_back ({ code, target, state, -1, false }); };

    addOutside (cmdQueryStatus, controllerTarget, stateIdle);
    addOutside (cmdQueryInfo, controllerTarget, stateIdle);
    addOutside (cmdPrepare, update.blocks.front().target, statePrepare);

    for (int b = 0; b < (int) update.blocks.size(); ++b)
        addBlockCommands (update, b, busyPerBlock);

    addOutside (cmdFinish, controllerTarget, stateComplete);
    return update;
}
} // namespace CommandSequence
