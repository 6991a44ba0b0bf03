// The emulated firmware loader of one controller: its flash and the state of
// the block being written. It knows nothing of threads, timing or faults; the
// simulator feeds it one command report at a time under its own lock.
#pragma once

#include "device/VqdTrm4Hid.h"
#include "sim/Scenario.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace vqdsim
{
namespace detail
{

using Report = std::array<uint8_t, HID_REPORT_SIZE>;

// Command codes (byte 1 of a command report) and answer codes (byte 1 of an
// answer report) of the loader.
enum : uint8_t
{
    cmdStatus = 0x00,
    cmdInfo = 0x01,
    cmdBlockStart = 0x02,
    cmdData = 0x03,
    cmdBlockSum = 0x04,
    cmdCommitPoll = 0x05,
    cmdFinish = 0x06,
    cmdLastLength = 0x07,
    cmdPrepare = 0x08,

    ansOk = 0x80,
    ansError = 0x81,
    ansInfo = 0x82,
    ansBusy = 0x83,
    ansBusyAlt = 0x84,
    ansBlockDone = 0x85,

    // Sub-codes of ansError the loader itself gives.
    subBadSum = 2,
    subBadCommand = 5
};

constexpr uint32_t maxBlockLength = 0x20000;
constexpr int dataPerReport = 62;

uint32_t readLe32 (const Report& report, std::size_t offset);
void writeLe32 (Report& report, std::size_t offset, uint32_t value);

// The region a target byte names, or nullptr when it names none.
const Region* regionOf (uint8_t target);

class FirmwareLoader
{
public:
    // Puts the flash back to `fill` and forgets any block.
    void reset (uint8_t fill);

    // What a power loss does: the block being collected or awaiting its
    // commit is lost, the flash keeps what was committed.
    void forgetBlock();

    // Handles one command report. Returns false when the command gets no
    // answer (cmdFinish); otherwise fills `answer` (already zeroed by the
    // caller) and returns true. Records what it received in `stats`.
    bool handle (const Scenario& scenario, const Report& command, Report& answer, Stats& stats);

    const std::vector<uint8_t>& flash() const { return flashBytes; }

private:
    enum class Phase
    {
        idle,
        collecting,    // between block start and block sum
        awaitingCommit // sum accepted, commit polls pending
    };

    void refuse (Report& answer, uint8_t subCode) const;
    void startBlock (const Report& command, Report& answer, Stats& stats);
    void takeData (const Report& command, Report& answer, Stats& stats);
    void takeLastLength (const Report& command, Report& answer, Stats& stats);
    void checkSum (const Scenario& scenario, const Report& command, Report& answer, Stats& stats);
    void pollCommit (Report& answer, Stats& stats);

    std::vector<uint8_t> flashBytes;
    Phase phase = Phase::idle;
    uint8_t blockTarget = 0;
    uint32_t blockAddress = 0;
    uint32_t blockLength = 0;
    std::vector<uint8_t> blockData;
    int announcedLast = 0; // bytes the next cmdData carries after cmdLastLength; 0 = 62
    int busyLeft = 0;
    bool nextBusyIsAlt = false;
    std::size_t blockRecord = 0; // index of this block in Stats::blocks
};

} // namespace detail
} // namespace vqdsim
