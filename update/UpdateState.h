#pragma once

#include <juce_core/juce_core.h>

#include <cstdint>

// The values of the update state: the worker's states and, once something
// has gone wrong, an error identifier. Every error identifier is final.
enum UpdateStateValue : int
{
    stateIdle = 0,          // started; the worker, once started, queries and loads
    stateReady = 1,         // file and controller checked; waiting for the user
    statePrepare = 2,       // confirmed; the first image is being prepared
    stateBlockStart = 3,    // a block is announced, or the next image chosen
    stateBlockData = 4,     // a block's data is being sent
    stateBlockChecksum = 5, // a block's byte sum is being sent
    stateBlockCommit = 6,   // the controller writes the block; it is polled
    stateComplete = 8,      // every image has been written

    errNoUpdateFile = 0xE01, // no qualifying update file, or the chosen one is gone
    errFileRead = 0xE02,     // the update file could not be read
    errFileSize = 0xE03,     // the update file is not 2,097,152 bytes long
    errFileInfo = 0xE04,     // the file's date or version text is malformed
    errFileCrc = 0xE05,      // the file's CRC-16 does not match
    errDeviceInfo = 0xE11,   // the controller's date or version text is malformed
    errNotConnected = 0xE21, // the action button was pressed with no controller
    errDeviceCode1 = 0xE31,  // status query refused with sub-code 1
    errFileOpen = 0xE32,     // the update file could not be opened for a block
    errDeviceCode2 = 0xE33,  // refused with sub-code 2
    errDeviceCode3 = 0xE34,  // refused with sub-code 3
    errDeviceCode4 = 0xE35,  // refused with sub-code 4
    errTimeout = 0xE36,      // no answer within 10,000 ms
    errDisconnected = 0xE37, // the controller was removed during the update
    errProtocol = 0xE41      // anything that breaks the protocol
};

constexpr int firstErrorIdentifier = errNoUpdateFile;
constexpr int lastErrorIdentifier = errProtocol;

// The screens and the painting go by this range, not by the list above.
constexpr bool isErrorIdentifier (int value) noexcept
{
    return value >= firstErrorIdentifier && value <= lastErrorIdentifier;
}

// The update file's own errors: the file error screen.
constexpr bool isFileError (int value) noexcept
{
    return value >= errNoUpdateFile && value <= errFileCrc;
}

// The errors after which the controller has to be reconnected: the recovery
// page. Everything from the controller's info on, but the not-connected
// error, which comes before any update.
constexpr bool isRecoveryError (int value) noexcept
{
    return value >= errDeviceInfo && value <= lastErrorIdentifier && value != errNotConnected;
}

// What a refusal (answer 0x81) of `command` means by its sub-code (byte 2):
// the status query knows the sub-codes 1 to 4, the block sum 2, the commit
// poll 3 and 4, each an identifier of its own; any other sub-code, and any
// refusal of another command, breaks the conversation (errProtocol).
int errorForRefusal (uint8_t command, uint8_t subCode) noexcept;

// The states 3 to 6, between which the update runs block by block.
constexpr bool isUpdatingState (int value) noexcept
{
    return value >= stateBlockStart && value <= stateBlockCommit;
}

// The name of a state or error identifier, such as "stateReady" or
// "errTimeout"; a value without a name gives its number in hexadecimal.
juce::String getUpdateStateName (int value);
