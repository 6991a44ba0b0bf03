#include "ExpectedWorker.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace
{
// The values of the update state, written out here on purpose: this model
// must not share the engine's tables.
constexpr int ready = 1, preparing = 2, blockStarting = 3, blockData = 4, blockChecksum = 5,
              blockCommit = 6, complete = 8;
constexpr int eDeviceInfo = 0xE11, eCode1 = 0xE31, eCode2 = 0xE33, eCode3 = 0xE34, eCode4 = 0xE35,
              eTimeout = 0xE36, eDisconnected = 0xE37, eProtocol = 0xE41;

constexpr int64_t blockBytes = 0x20000;
constexpr int64_t pieceBytes = 62;

bool isError (int value)
{
    return value >= 0xE01 && value <= 0xE41;
}

bool digit (uint8_t c)
{
    return c >= '0' && c <= '9';
}

void put32 (uint8_t* at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        at[i] = (uint8_t) (value >> (8 * i));
}

void putRange (uint8_t* command, int64_t address, int64_t length)
{
    put32 (command + 2, (uint32_t) address);
    command[6] = 0xFF;
    put32 (command + 7, (uint32_t) length);
}

std::string hexBytes (const uint8_t* bytes, int count)
{
    std::string text;
    char two[4];

    for (int i = 0; i < count; ++i)
    {
        std::snprintf (two, sizeof (two), "%02X ", bytes[i]);
        text += two;
    }

    return text;
}
} // namespace

ExpectedWorker::ExpectedWorker (const std::vector<uint8_t>& fileContent, uint32_t date)
    : file (fileContent), fileDate (date)
{
    images[0] = { 0xF1, 0x000000, 0x000000, 0x090000, false };
    images[1] = { 0xF2, 0x090000, 0x090000, 0x140000, false };
    images[2] = { 0xF7, 0x1D0000, 0x1D0000, 0x010000, false };
}

// Every change of the state but the removal's: nothing replaces a removal.
void ExpectedWorker::record (int value) noexcept
{
    if (state != eDisconnected)
        state = value;
}

void ExpectedWorker::endWith (int value) noexcept
{
    record (value);
    next = Next::nothing;
}

void ExpectedWorker::buildExpected (uint8_t* c) const
{
    std::memset (c, 0, 64);
    const Image& image = images[std::min (imageIndex, 2)];

    switch (next)
    {
        case Next::statusQuery: c[0] = 0xF0; c[1] = 0x00; break;
        case Next::infoQuery:   c[0] = 0xF0; c[1] = 0x01; break;
        case Next::finish:      c[0] = 0xF0; c[1] = 0x06; break;

        case Next::prepare:
            // The first image to write names the target; the range is image 2's.
            c[0] = image.target;
            c[1] = 0x08;
            putRange (c, images[2].address, images[2].size);
            break;

        case Next::blockStart:
            c[0] = image.target;
            c[1] = 0x02;
            putRange (c, image.address + sentInImage, std::min (image.size - sentInImage, blockBytes));
            break;

        case Next::dataPiece:
        {
            c[0] = image.target;
            const int64_t left = blockLength - pieceOffset;

            if (left > pieceBytes)
            {
                c[1] = 0x03;
                std::memcpy (c + 2, file.data() + image.fileOffset + blockOffset + pieceOffset, (size_t) pieceBytes);
            }
            else
            {
                // The last piece is announced with its length, even a full one.
                c[1] = 0x07;
                c[2] = (uint8_t) left;
            }
            break;
        }

        case Next::lastDataPiece:
        {
            c[0] = image.target;
            c[1] = 0x03;
            const int64_t left = blockLength - pieceOffset;
            std::memcpy (c + 2, file.data() + image.fileOffset + blockOffset + pieceOffset, (size_t) left);
            break;
        }

        case Next::blockSum:
        {
            c[0] = image.target;
            c[1] = 0x04;
            uint32_t sum = 0;
            const uint8_t* block = file.data() + image.fileOffset + blockOffset;

            for (int64_t i = 0; i < blockLength; ++i)
                sum += block[i];

            put32 (c + 2, sum);
            break;
        }

        case Next::commitPoll:
            c[0] = image.target;
            c[1] = 0x05;
            break;

        case Next::confirmation:
        case Next::nothing:
            break;
    }
}

bool ExpectedWorker::expects (const uint8_t* command, std::string& why) const
{
    if (next == Next::nothing || next == Next::confirmation)
    {
        why = "no command at all, " + describe();
        return false;
    }

    uint8_t expected[64];
    buildExpected (expected);

    if (std::memcmp (expected, command, 64) == 0)
        return true;

    why = describe() + "\n  expected " + hexBytes (expected, 64) + "\n  written  " + hexBytes (command, 64);
    return false;
}

void ExpectedWorker::answered (const uint8_t* a)
{
    const uint8_t code = a[1], sub = a[2];
    uint8_t written[64];
    buildExpected (written);

    // Whatever the command: a wrong echo or the refusal with sub-code 5 is a
    // broken conversation, unless the step goes on to a next state.
    if (a[0] != written[0] || (code == 0x81 && sub == 5))
        record (eProtocol);

    switch (next)
    {
        case Next::statusQuery:
            if (code == 0x80 || code == 0x8B)
            {
                // Both variants' files lie in the folder, and they are good.
                next = Next::infoQuery;
            }
            else if (code == 0x81)
            {
                endWith (sub == 1 ? eCode1 : sub == 2 ? eCode2 : sub == 3 ? eCode3 : sub == 4 ? eCode4 : eProtocol);
            }
            else
            {
                endWith (eProtocol);
            }
            break;

        case Next::infoQuery:
        {
            if (code != 0x82)
            {
                endWith (eProtocol);
                break;
            }

            const uint8_t* d = a + 2;

            if (! (d[0] <= 0x20 && d[1] <= 0x50 && d[2] <= 0x12 && d[3] <= 0x31))
            {
                endWith (eDeviceInfo);
                break;
            }

            const uint32_t deviceDate = ((uint32_t) d[0] << 24) | ((uint32_t) d[1] << 16) | ((uint32_t) d[2] << 8) | d[3];

            if (deviceDate == fileDate)
                images[2].size = 0x1000; // image 0 stays as it is
            else
                images[0].toWrite = true;

            uint8_t v[4];
            std::memcpy (v, a + 7, 4);

            if (v[0] == 0xFF && v[1] == 0xFF && v[2] == 0xFF && v[3] == 0xFF)
                std::memcpy (v, "0.00", 4);

            if (! (digit (v[0]) && v[1] == '.' && digit (v[2]) && digit (v[3])))
            {
                endWith (eDeviceInfo);
                break;
            }

            images[1].toWrite = images[2].toWrite = true;
            record (ready);
            next = Next::confirmation;
            break;
        }

        case Next::prepare:
            if (code == 0x80)
            {
                record (blockStarting);
                enterBlockStart();
            }
            else
            {
                endWith (eProtocol);
            }
            break;

        case Next::blockStart:
            if (code == 0x80)
            {
                record (blockData);
                blockLength = std::min (images[imageIndex].size - sentInImage, blockBytes);
                pieceOffset = 0;
                next = Next::dataPiece;
            }
            else
            {
                endWith (eProtocol);
            }
            break;

        case Next::dataPiece:
        {
            // A refused piece spoils the block, but the rest is still sent.
            if (code != 0x80)
                record (eProtocol);

            const int64_t left = blockLength - pieceOffset;

            if (left > pieceBytes)
            {
                sentInImage += pieceBytes;
                pieceOffset += pieceBytes;
            }
            else
            {
                sentInImage += left;
                next = Next::lastDataPiece;
            }
            break;
        }

        case Next::lastDataPiece:
            if (code != 0x80)
                record (eProtocol);

            pieceOffset = blockLength;
            afterPiece();
            break;

        case Next::blockSum:
            if (code == 0x80)
            {
                record (blockCommit);
                next = Next::commitPoll;
            }
            else
            {
                endWith (code == 0x81 && sub == 2 ? eCode2 : eProtocol);
            }
            break;

        case Next::commitPoll:
            if (code == 0x83 || code == 0x84)
            {
                // Poll again, unless the answer broke the conversation.
                if (isError (state))
                    next = Next::nothing;
            }
            else if (code == 0x81)
            {
                endWith (sub == 3 ? eCode3 : sub == 4 ? eCode4 : eProtocol);
            }
            else if (code == 0x85)
            {
                const int64_t following = blockOffset + blockBytes;

                if (following >= images[imageIndex].size)
                {
                    ++imageIndex;
                    blockOffset = 0;
                    sentInImage = 0;
                }
                else
                {
                    blockOffset = following;
                }

                record (blockStarting);
                enterBlockStart();
            }
            else
            {
                endWith (eProtocol);
            }
            break;

        case Next::confirmation:
        case Next::finish:
        case Next::nothing:
            break;
    }

    // An error identifier ends the worker after its pass. Within the pass
    // the data of a block still goes on to its end, and the first step goes
    // on from the status query to the info query, whose good answer replaces
    // an error that a wrong echo left.
    if (isError (state) && next != Next::dataPiece && next != Next::lastDataPiece && next != Next::infoQuery)
        next = Next::nothing;
}

void ExpectedWorker::afterPiece()
{
    // The sum follows only a block whose every piece was taken.
    if (state == blockData)
    {
        record (blockChecksum);
        next = Next::blockSum;
    }
    else
    {
        next = Next::nothing;
    }
}

void ExpectedWorker::enterBlockStart()
{
    while (imageIndex < 3 && ! images[imageIndex].toWrite)
        ++imageIndex;

    if (imageIndex >= 3)
    {
        record (complete);
        next = Next::finish;
    }
    else
    {
        next = Next::blockStart;
    }
}

void ExpectedWorker::noAnswer()
{
    if (next == Next::finish)
    {
        // The finish command awaits no answer: that is the end.
        next = Next::nothing;
        return;
    }

    endWith (eTimeout);
}

void ExpectedWorker::removed()
{
    // Only a removal during the update stops the worker at once; elsewhere
    // (the first queries, a block already spoiled) the worker waits for the
    // answer in vain.
    if (inUpdatingStates())
    {
        state = eDisconnected;
        next = Next::nothing;
    }
    else
    {
        noAnswer();
    }
}

void ExpectedWorker::confirm()
{
    record (preparing);

    for (imageIndex = 0; imageIndex < 2 && ! images[imageIndex].toWrite; ++imageIndex) {}

    next = Next::prepare;
}

std::string ExpectedWorker::describe() const
{
    static const char* const names[] = { "the status query", "the info query", "the user's confirmation",
                                         "cmdPrepare", "cmdBlockStart", "a data piece", "the last data piece",
                                         "cmdBlockSum", "cmdCommitPoll", "cmdFinish", "nothing" };
    char text[200];
    std::snprintf (text, sizeof (text), "expecting %s; state 0x%X, image %d, %lld bytes of it sent, block at 0x%llX, piece at %lld of %lld",
                   names[(int) next], state, imageIndex, (long long) sentInImage, (long long) blockOffset,
                   (long long) pieceOffset, (long long) blockLength);
    return text;
}
