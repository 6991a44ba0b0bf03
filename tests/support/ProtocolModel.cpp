#include "ProtocolModel.h"

#include "update/CommandProtocol.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

using namespace Protocol;

namespace
{
// The images of the update file, each at the same address in the flash.
constexpr uint8_t mainTarget = 0xF1, secondTarget = 0xF2, versionTarget = 0xF7;
constexpr int64_t mainSize = 0x090000, secondAddress = 0x090000, secondSize = 0x140000;
constexpr int64_t versionAddress = 0x1D0000, versionSize = 0x010000;

// What is written of the version image when the controller holds the
// file's date already.
constexpr int64_t versionPartSize = 0x1000;

constexpr int dateOffset = 2;    // in the info answer, four BCD bytes
constexpr int versionOffset = 7; // in the info answer, "d.dd"

void startCommand (uint8_t* report, uint8_t target, uint8_t code)
{
    report[0] = target;
    report[1] = code;
}

bool isDigit (uint8_t character)
{
    return character >= '0' && character <= '9';
}

bool isPlausibleDate (const uint8_t* date)
{
    return date[0] <= 0x20 && date[1] <= 0x50 && date[2] <= 0x12 && date[3] <= 0x31;
}

// A controller that was never given a version answers 0xFF 0xFF 0xFF 0xFF,
// which stands for "0.00".
bool isPlausibleVersion (const uint8_t* version)
{
    const uint8_t unset[] = { 0xFF, 0xFF, 0xFF, 0xFF };

    if (std::memcmp (version, unset, sizeof (unset)) == 0)
        return true;

    return isDigit (version[0]) && version[1] == '.' && isDigit (version[2]) && isDigit (version[3]);
}

uint32_t bcdDate (const uint8_t* date)
{
    return ((uint32_t) date[0] << 24) | ((uint32_t) date[1] << 16) | ((uint32_t) date[2] << 8) | date[3];
}

// The error a refusal with `subCode` leads to: the controller's own code
// when the command may be refused for that reason (sub-codes lowest to
// highest), a broken conversation otherwise.
int refusalError (uint8_t subCode, uint8_t lowest, uint8_t highest)
{
    const int deviceCodes[] = { ProtocolModel::errDeviceCode1, ProtocolModel::errDeviceCode2,
                                ProtocolModel::errDeviceCode3, ProtocolModel::errDeviceCode4 };

    if (subCode >= lowest && subCode <= highest)
        return deviceCodes[subCode - 1];

    return ProtocolModel::errProtocol;
}

// The file's errors, which come first, never reach the model.
constexpr int firstErrorIdentifier = 0xE01;

bool isErrorIdentifier (int value)
{
    return value >= firstErrorIdentifier && value <= ProtocolModel::errProtocol;
}

std::string hexNumber (uint32_t value)
{
    char digits[12];
    std::snprintf (digits, sizeof (digits), "%X", (unsigned int) value);
    return digits;
}

std::string hexBytes (const uint8_t* bytes, int count)
{
    std::string text;
    char digits[4];

    for (int i = 0; i < count; ++i)
    {
        std::snprintf (digits, sizeof (digits), "%02X ", bytes[i]);
        text += digits;
    }

    return text;
}
} // namespace

ProtocolModel::ProtocolModel (const std::vector<uint8_t>& fileContent, uint32_t date)
    : file (fileContent),
      fileDate (date),
      images { { mainTarget, 0, mainSize, false },
               { secondTarget, secondAddress, secondSize, false },
               { versionTarget, versionAddress, versionSize, false } }
{
}

bool ProtocolModel::isSuccessCode (uint8_t command, int answerCode)
{
    switch (command)
    {
        case cmdQueryStatus: return answerCode == ansOk || answerCode == ansOkB;
        case cmdQueryInfo: return answerCode == ansInfo;
        case cmdCommitPoll: return answerCode == ansBlockDone;
        case cmdFinish: return false;
        default: return answerCode == ansOk;
    }
}

//==============================================================================
bool ProtocolModel::nextCommand (uint8_t* report) const
{
    std::memset (report, 0, reportSize);
    const Image& image = currentImage();

    switch (next)
    {
        case Step::statusQuery: startCommand (report, controllerTarget, cmdQueryStatus); return true;
        case Step::infoQuery: startCommand (report, controllerTarget, cmdQueryInfo); return true;
        case Step::finish: startCommand (report, controllerTarget, cmdFinish); return true;
        case Step::commitPoll: startCommand (report, image.target, cmdCommitPoll); return true;
        case Step::dataPiece: putDataPiece (report, dataPerReport); return true;
        case Step::lastDataPiece: putDataPiece (report, bytesLeftInBlock()); return true;
        case Step::blockSum: putBlockSum (report); return true;

        case Step::prepare:
            // The first image to write names the target; the range is the
            // version image's, as much of it as will be written.
            putRangeCommand (report, cmdPrepare, images[2].address, images[2].size);
            return true;

        case Step::blockStart:
            putRangeCommand (report, cmdBlockStart, image.address + blockOffset,
                             std::min (image.size - blockOffset, blockSize));
            return true;

        case Step::lastLength:
            // The last piece is announced with its length, even a full one.
            startCommand (report, image.target, cmdLastLength);
            report[2] = (uint8_t) bytesLeftInBlock();
            return true;

        case Step::confirmation:
        case Step::nothing:
            break;
    }

    return false;
}

void ProtocolModel::putRangeCommand (uint8_t* report, uint8_t code, int64_t address, int64_t length) const
{
    startCommand (report, currentImage().target, code);
    putRange (report, (uint32_t) address, (uint32_t) length);
}

const uint8_t* ProtocolModel::blockInFile() const noexcept
{
    return file.data() + currentImage().address + blockOffset;
}

void ProtocolModel::putDataPiece (uint8_t* report, int64_t bytes) const
{
    startCommand (report, currentImage().target, cmdData);
    std::memcpy (report + 2, blockInFile() + pieceOffset, (size_t) bytes);
}

void ProtocolModel::putBlockSum (uint8_t* report) const
{
    const uint8_t* const block = blockInFile();
    uint32_t sum = 0;

    for (int64_t i = 0; i < blockLength; ++i)
        sum += block[i];

    startCommand (report, currentImage().target, cmdBlockSum);
    putUint32 (report + 2, sum);
}

bool ProtocolModel::expects (const uint8_t* command, std::string& why) const
{
    uint8_t expected[reportSize];

    if (! nextCommand (expected))
    {
        why = "no command at all, " + describe();
        return false;
    }

    if (std::memcmp (expected, command, reportSize) == 0)
        return true;

    why = describe() + "\n  expected " + hexBytes (expected, reportSize) + "\n  written  "
          + hexBytes (command, reportSize);
    return false;
}

//==============================================================================
void ProtocolModel::answered (const uint8_t* answer)
{
    uint8_t command[reportSize];
    nextCommand (command);

    // Whatever the command: a wrong echo or the refusal with the protocol's
    // sub-code breaks the conversation, unless the step goes on to record a
    // next state.
    if (answer[0] != command[0] || (answer[1] == ansError && answer[2] == subCodeProtocol))
        updateState = errProtocol;

    switch (next)
    {
        case Step::statusQuery: takeStatusAnswer (answer); break;
        case Step::infoQuery: takeInfoAnswer (answer); break;
        case Step::prepare: takePrepareAnswer (answer); break;
        case Step::blockStart: takeBlockStartAnswer (answer); break;
        case Step::dataPiece:
        case Step::lastLength:
        case Step::lastDataPiece: takePieceAnswer (answer); break;
        case Step::blockSum: takeSumAnswer (answer); break;
        case Step::commitPoll: takePollAnswer (answer); break;
        case Step::confirmation:
        case Step::finish:
        case Step::nothing: break;
    }

    // An error identifier ends the worker after its pass.
    if (isErrorIdentifier (updateState) && ! passGoesOnAfterError())
        next = Step::nothing;
}

// Within a pass the data of a block still goes on to its end, and the first
// pass goes on from the status query to the info query, whose good answer
// replaces an error that a wrong echo left.
bool ProtocolModel::passGoesOnAfterError() const noexcept
{
    return next == Step::infoQuery || next == Step::dataPiece || next == Step::lastLength
           || next == Step::lastDataPiece;
}

void ProtocolModel::takeStatusAnswer (const uint8_t* answer)
{
    // Either processor's answer will do: both variants' files are there.
    if (isSuccessCode (cmdQueryStatus, answer[1]))
        next = Step::infoQuery;
    else if (answer[1] == ansError)
        endWith (refusalError (answer[2], 1, 4));
    else
        endWith (errProtocol);
}

void ProtocolModel::takeInfoAnswer (const uint8_t* answer)
{
    if (answer[1] != ansInfo)
    {
        endWith (errProtocol);
        return;
    }

    if (! isPlausibleDate (answer + dateOffset) || ! isPlausibleVersion (answer + versionOffset))
    {
        endWith (errDeviceInfo);
        return;
    }

    chooseImages (bcdDate (answer + dateOffset));
    updateState = stateReady;
    next = Step::confirmation;
}

// A controller that holds the file's date keeps its main image and needs
// only the first 4 KiB of the version image.
void ProtocolModel::chooseImages (uint32_t controllerDate)
{
    if (controllerDate == fileDate)
        images[2].size = versionPartSize;
    else
        images[0].toWrite = true;

    images[1].toWrite = true;
    images[2].toWrite = true;
}

void ProtocolModel::confirm()
{
    updateState = statePrepare;
    imageIndex = images[0].toWrite ? 0 : 1;
    next = Step::prepare;
}

void ProtocolModel::takePrepareAnswer (const uint8_t* answer)
{
    if (answer[1] == ansOk)
        startNextBlockOrFinish();
    else
        endWith (errProtocol);
}

void ProtocolModel::startNextBlockOrFinish()
{
    while (imageIndex < imageCount && ! images[imageIndex].toWrite)
        ++imageIndex;

    if (imageIndex < imageCount)
    {
        updateState = stateBlockStart;
        next = Step::blockStart;
    }
    else
    {
        updateState = stateComplete;
        next = Step::finish;
    }
}

void ProtocolModel::takeBlockStartAnswer (const uint8_t* answer)
{
    if (answer[1] != ansOk)
    {
        endWith (errProtocol);
        return;
    }

    updateState = stateBlockData;
    blockLength = std::min (currentImage().size - blockOffset, blockSize);
    pieceOffset = 0;
    next = blockLength > dataPerReport ? Step::dataPiece : Step::lastLength;
}

void ProtocolModel::takePieceAnswer (const uint8_t* answer)
{
    // A refused piece spoils the block, but the rest of it is still sent.
    if (answer[1] != ansOk)
        updateState = errProtocol;

    switch (next)
    {
        case Step::dataPiece:
            pieceOffset += dataPerReport;
            next = bytesLeftInBlock() > dataPerReport ? Step::dataPiece : Step::lastLength;
            break;

        case Step::lastLength:
            next = Step::lastDataPiece;
            break;

        default:
            // The sum follows only a block whose every piece was taken.
            pieceOffset = blockLength;

            if (updateState == stateBlockData)
            {
                updateState = stateBlockChecksum;
                next = Step::blockSum;
            }
            else
            {
                next = Step::nothing;
            }
            break;
    }
}

void ProtocolModel::takeSumAnswer (const uint8_t* answer)
{
    if (answer[1] == ansOk)
    {
        updateState = stateBlockCommit;
        next = Step::commitPoll;
    }
    else
    {
        endWith (answer[1] == ansError ? refusalError (answer[2], 2, 2) : (int) errProtocol);
    }
}

void ProtocolModel::takePollAnswer (const uint8_t* answer)
{
    switch (answer[1])
    {
        case ansBusy:
        case ansBusy2: break; // still writing: polled again
        case ansBlockDone: moveOnAfterCommit(); break;
        case ansError: endWith (refusalError (answer[2], 3, 4)); break;
        default: endWith (errProtocol); break;
    }
}

void ProtocolModel::moveOnAfterCommit()
{
    blockOffset += blockSize;

    if (blockOffset >= currentImage().size)
    {
        ++imageIndex;
        blockOffset = 0;
    }

    startNextBlockOrFinish();
}

void ProtocolModel::endWith (int value) noexcept
{
    updateState = value;
    next = Step::nothing;
}

//==============================================================================
void ProtocolModel::noAnswer()
{
    if (next == Step::finish)
        next = Step::nothing;
    else
        endWith (errTimeout);
}

void ProtocolModel::removed()
{
    // Only a removal during the update stops the worker at once; elsewhere
    // (the first queries, a block already spoiled, the finish) the worker
    // waits for the answer in vain, or awaits none.
    if (inUpdatingStates())
        endWith (errDisconnected);
    else
        noAnswer();
}

std::string ProtocolModel::describe() const
{
    static const char* const stepNames[] = { "the status query", "the info query", "the user's confirmation",
                                             "cmdPrepare", "cmdBlockStart", "a data piece", "cmdLastLength",
                                             "the last data piece", "cmdBlockSum", "cmdCommitPoll", "cmdFinish",
                                             "nothing" };
    return std::string ("expecting ") + stepNames[(int) next] + "; state 0x" + hexNumber ((uint32_t) updateState)
           + ", image " + std::to_string (imageIndex) + ", block at 0x" + hexNumber ((uint32_t) blockOffset)
           + ", piece at " + std::to_string (pieceOffset) + " of " + std::to_string (blockLength);
}
