#include "sim/FirmwareLoader.h"

#include <algorithm>

namespace vqdsim
{
namespace detail
{

uint32_t readLe32 (const Report& report, std::size_t offset)
{
    return static_cast<uint32_t> (report[offset])
           | (static_cast<uint32_t> (report[offset + 1]) << 8)
           | (static_cast<uint32_t> (report[offset + 2]) << 16)
           | (static_cast<uint32_t> (report[offset + 3]) << 24);
}

void writeLe32 (Report& report, std::size_t offset, uint32_t value)
{
    for (std::size_t i = 0; i < 4; ++i)
        report[offset + i] = static_cast<uint8_t> (value >> (8 * i));
}

const Region* regionOf (uint8_t target)
{
    for (const Region& region : regions)
        if (region.target == target)
            return &region;
    return nullptr;
}

void FirmwareLoader::reset (uint8_t fill)
{
    flashBytes.assign (flashEnd, fill);
    forgetBlock();
}

void FirmwareLoader::forgetBlock()
{
    phase = Phase::idle;
    blockData.clear();
    blockData.shrink_to_fit();
    announcedLast = 0;
    busyLeft = 0;
    nextBusyIsAlt = false;
}

void FirmwareLoader::refuse (Report& answer, uint8_t subCode) const
{
    answer[1] = ansError;
    answer[2] = subCode;
}

bool FirmwareLoader::handle (const Scenario& scenario, const Report& command, Report& answer, Stats& stats)
{
    answer[0] = command[0];

    switch (command[1])
    {
        case cmdStatus:
            answer[1] = scenario.statusAnswer;
            return true;

        case cmdInfo:
            answer[1] = ansInfo;
            std::copy (std::begin (scenario.date), std::end (scenario.date), answer.begin() + 2);
            answer[6] = 0;
            std::copy (std::begin (scenario.version), std::end (scenario.version), answer.begin() + 7);
            return true;

        case cmdPrepare:
            // The real loader erases the range here; the emulation only keeps
            // what was asked so that tests can see it.
            stats.prepareLengths.push_back (readLe32 (command, 7));
            answer[1] = ansOk;
            return true;

        case cmdBlockStart:
            startBlock (command, answer, stats);
            return true;

        case cmdData:
            takeData (command, answer, stats);
            return true;

        case cmdLastLength:
            takeLastLength (command, answer, stats);
            return true;

        case cmdBlockSum:
            checkSum (scenario, command, answer, stats);
            return true;

        case cmdCommitPoll:
            pollCommit (answer, stats);
            return true;

        case cmdFinish:
            // The loader leaves for the new firmware: nothing to answer.
            forgetBlock();
            return false;

        default:
            refuse (answer, subBadCommand);
            return true;
    }
}

void FirmwareLoader::startBlock (const Report& command, Report& answer, Stats& stats)
{
    const uint32_t address = readLe32 (command, 2);
    const uint32_t length = readLe32 (command, 7);
    const Region* region = regionOf (command[0]);

    // 64-bit arithmetic so that a huge address cannot wrap into the region.
    const bool inside = region != nullptr && length >= 1 && length <= maxBlockLength
                        && address >= region->address
                        && static_cast<uint64_t> (address) + length
                               <= static_cast<uint64_t> (region->address) + region->size;
    if (! inside)
    {
        refuse (answer, subBadCommand);
        return;
    }

    // A new block start abandons whatever block was under way, as the loader
    // does when the program starts a block over.
    forgetBlock();
    phase = Phase::collecting;
    blockTarget = command[0];
    blockAddress = address;
    blockLength = length;
    blockData.reserve (length);
    blockRecord = stats.blocks.size();
    stats.blocks.push_back ({ blockTarget, blockAddress, blockLength, false });
    answer[1] = ansOk;
}

void FirmwareLoader::takeLastLength (const Report& command, Report& answer, Stats& stats)
{
    const int count = command[2];
    stats.lastLengths.push_back (count);

    if (phase != Phase::collecting || command[0] != blockTarget || count < 1 || count > dataPerReport)
    {
        refuse (answer, subBadCommand);
        return;
    }

    announcedLast = count;
    answer[1] = ansOk;
}

void FirmwareLoader::takeData (const Report& command, Report& answer, Stats& stats)
{
    if (phase != Phase::collecting || command[0] != blockTarget)
    {
        refuse (answer, subBadCommand);
        return;
    }

    const std::size_t count = announcedLast > 0 ? static_cast<std::size_t> (announcedLast)
                                                : static_cast<std::size_t> (dataPerReport);
    announcedLast = 0;

    if (blockData.size() + count > blockLength)
    {
        refuse (answer, subBadCommand);
        return;
    }

    blockData.insert (blockData.end(), command.begin() + 2, command.begin() + 2 + static_cast<std::ptrdiff_t> (count));
    stats.dataBytes += static_cast<int> (count);
    answer[1] = ansOk;
}

void FirmwareLoader::checkSum (const Scenario& scenario, const Report& command, Report& answer, Stats&)
{
    if (phase != Phase::collecting || command[0] != blockTarget)
    {
        refuse (answer, subBadCommand);
        return;
    }

    uint32_t sum = 0;
    for (uint8_t byte : blockData)
        sum += byte;

    if (blockData.size() != blockLength || sum != readLe32 (command, 2))
    {
        // The block is thrown away; the program has to send it again.
        forgetBlock();
        refuse (answer, subBadSum);
        return;
    }

    phase = Phase::awaitingCommit;
    busyLeft = std::max (0, scenario.busyPerBlock);
    nextBusyIsAlt = false;
    answer[1] = ansOk;
}

void FirmwareLoader::pollCommit (Report& answer, Stats& stats)
{
    if (phase != Phase::awaitingCommit)
    {
        refuse (answer, subBadCommand);
        return;
    }

    if (busyLeft > 0)
    {
        --busyLeft;
        answer[1] = nextBusyIsAlt ? ansBusyAlt : ansBusy;
        nextBusyIsAlt = ! nextBusyIsAlt;
        return;
    }

    std::copy (blockData.begin(), blockData.end(), flashBytes.begin() + blockAddress);
    if (blockRecord < stats.blocks.size())
        stats.blocks[blockRecord].committed = true;
    forgetBlock();
    answer[1] = ansBlockDone;
}

} // namespace detail
} // namespace vqdsim
