#pragma once

#include <cstdint>
#include <string>
#include <vector>

// What the update worker must do, told once more from the firmware loader's
// protocol and independent of the engine's code: which command comes next
// (all 64 bytes of it, data and sums included), how each answer changes the
// update state (the wrong echo that a later state replaces, the refused data
// piece after which the block is still sent but never summed, the busy
// polls), and where the worker must stop and with which state.
//
// The tests drive it as the controller's side of a conversation: ask for
// the next command (or check the one the engine wrote), then tell the model
// what became of it: answered, not answered, or the controller unplugged.
// The answers fuzzer feeds it every command the engine writes; the fault
// campaign plays whole updates through it to learn the commands a good
// update sends and what one fault leads to.
//
// It starts with a good update file loaded, as the engine does after its
// file search, and is confirmed by its driver as soon as it is ready.
//
// Plain C++ only: the fuzzer compiles it without the test libraries.
class ProtocolModel
{
public:
    // The update state values and error identifiers, written out here rather
    // than taken from update/UpdateState.h: they are what the screens show
    // the user, so a slip in the engine's table must show as a mismatch
    // instead of being copied into the model. The names are the engine's.
    enum StateValue : int
    {
        stateIdle = 0,
        stateReady = 1,
        statePrepare = 2,
        stateBlockStart = 3,
        stateBlockData = 4,
        stateBlockChecksum = 5,
        stateBlockCommit = 6,
        stateComplete = 8,

        errDeviceInfo = 0xE11,
        errDeviceCode1 = 0xE31,
        errDeviceCode2 = 0xE33,
        errDeviceCode3 = 0xE34,
        errDeviceCode4 = 0xE35,
        errTimeout = 0xE36,
        errDisconnected = 0xE37,
        errProtocol = 0xE41
    };

    // The update file's content (2 MB, its images at their device addresses)
    // and its date as four BCD bytes, most significant first (0x20240318).
    ProtocolModel (const std::vector<uint8_t>& fileContent, uint32_t fileDate);

    // The command the worker must write now, all 64 bytes of it; false when
    // it must write none (it waits for the user, or has ended).
    bool nextCommand (uint8_t* report) const;

    // Whether `command` is the one the worker must write now; `why` says
    // what was expected when not.
    bool expects (const uint8_t* command, std::string& why) const;

    // The command just written got this answer (the 64 bytes the engine
    // reads after its answer event). Not for the finish command.
    void answered (const uint8_t* answer);

    // The command just written got no answer: the engine's wait runs into
    // its limit. For the finish command, which awaits none, the normal end.
    void noAnswer();

    // The controller was unplugged as the command just written arrived, and
    // it gives no answer.
    void removed();

    // The user confirms the update on the ready screen.
    bool isReady() const noexcept { return updateState == stateReady && next == Step::confirmation; }
    void confirm();

    bool isFinished() const noexcept { return next == Step::nothing; }
    int currentState() const noexcept { return updateState; }

    // Whether the worker stands between the confirmation and the end of the
    // blocks (states 1 to 6), where an unplugged controller ends it with
    // errDisconnected at once.
    bool inUpdatingStates() const noexcept { return updateState >= stateReady && updateState <= stateBlockCommit; }

    // Whether `answerCode` is what `command` awaits when all is well (busy
    // answers to a commit poll are not: they only put the success off).
    static bool isSuccessCode (uint8_t command, int answerCode);

    // Where the worker stands, for messages.
    std::string describe() const;

private:
    enum class Step
    {
        statusQuery,
        infoQuery,
        confirmation,
        prepare,
        blockStart,
        dataPiece,     // a cmdData of 62 bytes, with more than 62 bytes of the block left
        lastLength,    // the cmdLastLength that announces the last piece
        lastDataPiece, // the cmdData after it, 1 to 62 bytes
        blockSum,
        commitPoll,
        finish,
        nothing
    };

    struct Image
    {
        uint8_t target;
        int64_t address; // in the flash, and in the file
        int64_t size;
        bool toWrite;
    };

    // Building the next command.
    void putRangeCommand (uint8_t* report, uint8_t code, int64_t address, int64_t length) const;
    void putDataPiece (uint8_t* report, int64_t bytes) const;
    void putBlockSum (uint8_t* report) const;

    // Taking each step's answer.
    void takeStatusAnswer (const uint8_t* answer);
    void takeInfoAnswer (const uint8_t* answer);
    void takePrepareAnswer (const uint8_t* answer);
    void takeBlockStartAnswer (const uint8_t* answer);
    void takePieceAnswer (const uint8_t* answer);
    void takeSumAnswer (const uint8_t* answer);
    void takePollAnswer (const uint8_t* answer);

    void chooseImages (uint32_t controllerDate);
    void startNextBlockOrFinish();
    void moveOnAfterCommit();
    void endWith (int value) noexcept;
    bool passGoesOnAfterError() const noexcept;

    const Image& currentImage() const noexcept { return images[imageIndex < imageCount ? imageIndex : imageCount - 1]; }
    const uint8_t* blockInFile() const noexcept;
    int64_t bytesLeftInBlock() const noexcept { return blockLength - pieceOffset; }

    static constexpr int imageCount = 3;

    const std::vector<uint8_t>& file;
    const uint32_t fileDate;

    int updateState = stateIdle;
    Step next = Step::statusQuery;
    Image images[imageCount];
    int imageIndex = 0;
    int64_t blockOffset = 0; // the block's offset in its image
    int64_t blockLength = 0;
    int64_t pieceOffset = 0; // the next piece's offset in the block
};
