#pragma once

#include "device/VqdTrm4Hid.h"

#include <cstdint>
#include <cstring>

// The firmware loader's 64-byte command and answer reports. Byte 0 is the
// target (0xF0 for the controller, an image's target otherwise), byte 1 the
// command or answer code; numbers are 32-bit, least significant byte first.
namespace Protocol
{
constexpr int reportSize = HID_REPORT_SIZE;
constexpr int dataPerReport = 62;      // payload of one cmdData report
constexpr int64_t blockSize = 0x20000; // bytes per block
constexpr int answerTimeoutMs = 10000;
constexpr uint8_t controllerTarget = 0xF0;

// Command codes (byte 1 of a command report).
constexpr uint8_t cmdQueryStatus = 0x00;
constexpr uint8_t cmdQueryInfo = 0x01;
constexpr uint8_t cmdBlockStart = 0x02;
constexpr uint8_t cmdData = 0x03;
constexpr uint8_t cmdBlockSum = 0x04;
constexpr uint8_t cmdCommitPoll = 0x05;
constexpr uint8_t cmdFinish = 0x06;
constexpr uint8_t cmdLastLength = 0x07;
constexpr uint8_t cmdPrepare = 0x08;

// Answer codes (byte 1 of an answer report).
constexpr uint8_t ansOk = 0x80;
constexpr uint8_t ansError = 0x81;
constexpr uint8_t ansInfo = 0x82;
constexpr uint8_t ansBusy = 0x83;
constexpr uint8_t ansBusy2 = 0x84;
constexpr uint8_t ansBlockDone = 0x85;
constexpr uint8_t ansOkB = 0x8B;

// The refusal sub-code (byte 2 of an 0x81 answer) that always means a
// broken conversation.
constexpr uint8_t subCodeProtocol = 5;

inline void putUint32 (uint8_t* at, uint32_t value) noexcept
{
    at[0] = (uint8_t) value;
    at[1] = (uint8_t) (value >> 8);
    at[2] = (uint8_t) (value >> 16);
    at[3] = (uint8_t) (value >> 24);
}

inline uint32_t getUint32 (const uint8_t* at) noexcept
{
    return (uint32_t) at[0] | ((uint32_t) at[1] << 8) | ((uint32_t) at[2] << 16) | ((uint32_t) at[3] << 24);
}

// Fills a cleared report with a range command (cmdPrepare, cmdBlockStart):
// address in bytes 2..5, 0xFF in byte 6, length in bytes 7..10.
inline void putRange (uint8_t* report, uint32_t address, uint32_t length) noexcept
{
    putUint32 (report + 2, address);
    report[6] = 0xFF;
    putUint32 (report + 7, length);
}
} // namespace Protocol
