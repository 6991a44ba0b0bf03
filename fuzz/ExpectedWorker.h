#pragma once

#include <cstdint>
#include <string>
#include <vector>

// What the update worker must do, told once more from the protocol's rules
// and independent of the engine's code: which command comes next (all 64
// bytes of it, data and sums included), how each answer changes the update
// state (the wrong echo that a later state replaces, the refused data piece
// after which the block is still sent but never summed, the busy polls),
// and where the worker must stop and with which state.
//
// The fuzzer's scripted controller feeds it every command the engine writes
// and the answer as the engine will see it; a command it does not expect,
// or a worker that ends elsewhere or otherwise, is a finding.
//
// It starts with a good update file loaded, as the engine does after its
// file search, and the update confirmed by the user as soon as it is ready.
class ExpectedWorker
{
public:
    ExpectedWorker (const std::vector<uint8_t>& fileContent, uint32_t fileDate);

    // Whether `command` is what the worker must write now; `why` says what
    // was expected when not.
    bool expects (const uint8_t* command, std::string& why) const;

    // The command just checked got this answer (the 64 bytes the engine
    // reads after its answer event). Not for the finish command.
    void answered (const uint8_t* answer);

    // The command just checked got no answer at all: the engine's wait runs
    // into its limit.
    void noAnswer();

    // The controller was unplugged as the command just checked arrived, and
    // it gives no answer.
    void removed();

    // The user confirmed the update on the ready screen.
    bool isReady() const noexcept { return state == 1 && next == Next::confirmation; }
    void confirm();

    // Whether the worker must have ended, and with which update state.
    bool isFinished() const noexcept { return next == Next::nothing; }
    int finalState() const noexcept { return state; }

    // Whether the worker is between blocks or in one (states 1 to 6), where
    // an unplugged controller ends it with errDisconnected at once.
    bool inUpdatingStates() const noexcept { return state >= 1 && state <= 6; }

    // Where the worker stands, for messages.
    std::string describe() const;

private:
    enum class Next
    {
        statusQuery,
        infoQuery,
        confirmation,
        prepare,
        blockStart,
        dataPiece,      // a cmdData of 62 bytes, or the cmdLastLength before the last one
        lastDataPiece,  // the cmdData after cmdLastLength
        blockSum,
        commitPoll,
        finish,
        nothing
    };

    struct Image
    {
        uint8_t target;
        int64_t fileOffset;
        int64_t address;
        int64_t size;
        bool toWrite;
    };

    void record (int value) noexcept;
    void endWith (int value) noexcept;
    void enterBlockStart();
    void afterPiece();
    void buildExpected (uint8_t* command) const;

    const std::vector<uint8_t>& file;
    const uint32_t fileDate;

    int state = 0;
    Next next = Next::statusQuery;
    Image images[3];
    int imageIndex = 0;
    int64_t sentInImage = 0;
    int64_t blockOffset = 0;

    // Within a block's data.
    int64_t blockLength = 0;
    int64_t pieceOffset = 0;
};
