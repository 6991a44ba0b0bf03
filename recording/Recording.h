// A recording of one session between the program and the HID library, as
// RecordingReader reads it from the text format docs/recording.md describes
// ("The format (version 1)"): the header's keys and the events in
// the order they happened.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace vqdrec
{

// The ten functions of the library, in the order of device/VqdTrm4Hid.h.
enum class Function
{
    initialize,
    setCallback,
    start,
    stop,
    finalize,
    enumHidNo,
    getDeviceType,
    getFirmwareVersion,
    write,
    input
};

// "HID_Write" and so on; nullptr for a value that names no function.
const char* functionName (Function function);

// What a run line stands for: `count` cycles of five lines each (a write of
// a report that starts with `prefix`, its result 1, the input notice, an
// HID_Input of 64 bytes and its answer), with the same threads every time.
struct Run
{
    int64_t count = 0;
    int64_t spanUs = 0; // from the first cycle's write to the last cycle's answer
    int hidNo = 0;
    uint8_t prefix[2] = {};
    uint32_t crc = 0; // CRC-32 of the written reports, 64 bytes each
    std::vector<uint8_t> answer;
    int noticeThread = 0;
    int inputThread = 0;
    bool sent = false;
};

struct Event
{
    enum class Kind
    {
        call,   // ">": a call enters the library
        result, // "<": the call returns
        notice,
        run
    };

    Kind kind = Kind::call;
    int line = 0; // 1-based line number in the file
    int64_t timeUs = 0;
    int thread = 0; // 1 for "t1"

    // Calls and results: the numbers of the line in their order (for
    // HID_SetCallback's window 1 or 0 first), and the report of an HID_Write
    // call or an HID_Input result as written (trailing zero bytes left out).
    Function function = Function::initialize;
    std::vector<int64_t> values;
    std::vector<uint8_t> report;
    // For a call, the index of its result in Recording::events, and the
    // other way round; noPartner for an open call.
    static constexpr std::size_t noPartner = static_cast<std::size_t> (-1);
    std::size_t partner = 0;
    // A call the recording ends inside: it never returned. The program ended
    // while its thread was still in the library (a write that hung after the
    // cable was pulled, then Close), which is what a failed update sent to
    // us looks like.
    bool open = false;

    // Notices.
    uint32_t message = 0;
    uint64_t wParam = 0;
    int64_t lParam = 0;
    bool sent = false;

    Run run;

    // The line as it stands in the file, without its line end.
    std::string text;
};

struct Recording
{
    int version = 0;
    std::map<std::string, std::string> header; // every key but the first line's
    std::vector<Event> events;
};

} // namespace vqdrec
