// The simulated controller's data: the devices it emulates, the scenario
// that sets it up (its text form in sim/README.md) and what it records.
// The control API (SimControl.h) hands these out; the parts of the library
// (the loader, the fault schedule, the replay) use them, and the parser of
// the scenario's text, without the API.
#pragma once

#include "device/VqdTrm4Hid.h"

#include <climits>
#include <cstdint>
#include <string>
#include <vector>

#if defined(_WIN32)
 #if defined(VQDTRM4HID_BUILDING)
  #define VQDSIM_API __declspec(dllexport)
 #else
  #define VQDSIM_API __declspec(dllimport)
 #endif
#else
 #define VQDSIM_API __attribute__ ((visibility ("default")))
#endif

namespace vqdsim
{

// HID numbers the simulator hands out. None of them is 0, so that code that
// confuses "no device" with "device 0" shows up in tests.
constexpr int controllerHidNo = 3;
constexpr int secondControllerHidNo = 5;
constexpr int otherDeviceHidNo = 1;
constexpr int otherDeviceType = 0x21;
constexpr int controllerType = HID_DEVICE_TYPE_VQDTRM4;

// Flash regions of the emulated firmware loader, by image target.
struct Region
{
    uint8_t target;
    uint32_t address;
    uint32_t size;
};
constexpr Region regions[3] = { { 0xF1, 0x000000, 0x090000 },
                                { 0xF2, 0x090000, 0x140000 },
                                { 0xF7, 0x1D0000, 0x010000 } };
constexpr uint32_t flashEnd = 0x1E0000; // a flash dump covers 0 .. flashEnd

// What to do to the Nth command (1-based) of one command code.
struct Fault
{
    enum class Action
    {
        refuse,     // answer 0x81 with sub-code `value`
        wrongEcho,  // answer as usual but with byte 0 = `value`
        silent,     // give no answer at all
        answerCode, // answer with byte 1 = `value` (byte 0 echoed)
        remove,     // unplug the controller when the command arrives, no answer
        writeFail   // HID_Write fails: the command never reaches the controller
    };

    int command = 0;    // command code (byte 1 of the command report)
    int occurrence = 1; // 1 = the first command of that code (written, for writeFail)
    Action action = Action::refuse;
    int value = 0;
    bool repeat = false; // apply to that occurrence and every later one
};

struct Scenario
{
    uint8_t statusAnswer = 0x80;                  // 0x80 = SH7269, 0x8B = RT1062
    uint8_t date[4] = { 0x20, 0x23, 0x07, 0x15 }; // info answer bytes 2..5
    uint8_t version[4] = { '1', '.', '0', '0' };  // info answer bytes 7..10
    int firmwareVersion = 0x0100;                 // what HID_GetFirmwareVersion reports
    int busyPerBlock = 0;                         // 0x83 answers to the commit poll before 0x85
    int answerDelayUs = 0;                        // delay before every answer
    bool framed = false;                          // answer at the first 1 ms boundary after arrival
    std::vector<Fault> faults;
    bool absentAtStart = false;    // no controller until it arrives
    int removeAfterMs = -1;        // unplug this long after HID_Start
    int arriveAfterMs = -1;        // plug in this long after start / removal
    bool secondController = false; // a second controller, listed after the first
    bool otherDevice = false;      // another kind of HID device, listed first
    uint8_t flashFill = 0xFF;      // content of the flash before any write
    std::string dumpPath;          // flash dump written at HID_Finalize

    // Where each call-log line (see callLog()) is also appended as the call
    // happens, one line each, flushed at once. The running program's calls
    // can only be watched from outside the process, and the file keeps every
    // line written before an abrupt end. Empty: no file.
    std::string logPath;

    // Misbehaviour of another library build, for the program's own guards:
    // HID_Input reports this length whenever it hands over a report (but
    // never writes past 64 bytes nor past the caller's length), and
    // HID_EnumHIDno returns this count (but writes only the present devices).
    // Negative values are misbehaviour too; noOverride leaves them alone.
    static constexpr int noOverride = INT_MIN;
    int inputLengthOverride = noOverride;
    int enumCountOverride = noOverride;

    // What a real library may do and this one does not by default, for the
    // program's own guards against a less polite library:
    // - sendNotices: the device thread delivers each notice with SendMessage,
    //   waiting until the program's window has handled it (Windows only:
    //   the Linux window can only be posted to);
    // - writeBlockMs: an HID_Write completes only once the controller has
    //   taken its report, and one that meets the controller gone (or going)
    //   hangs this long holding the library's I/O lock, then fails;
    // - stopWaits: HID_Stop and HID_Finalize take that I/O lock first, so
    //   they wait for every hanging HID_Write;
    // - queriesWait: so do HID_EnumHIDno, HID_GetDeviceType,
    //   HID_GetFirmwareVersion and HID_Input.
    bool sendNotices = false;
    int writeBlockMs = 0;
    bool stopWaits = false;
    bool queriesWait = false;

    // A recording to play instead of the emulation (the recording's format is
    // in docs/recording.md), and whether to play it as fast as the program goes
    // rather than with the recorded timing.
    std::string replayPath;
    bool replayFast = false;
};

// What the emulated loader received (both controllers together).
struct BlockRecord
{
    uint8_t target;
    uint32_t address;
    uint32_t length;
    bool committed;
};

struct Stats
{
    int commands[256] = {};  // commands received, by command code
    int reportsReceived = 0; // every HID_Write that reached a controller
    int answersSent = 0;
    int dataBytes = 0;            // payload bytes of cmdData reports
    std::vector<int> lastLengths; // byte 2 of every cmdLastLength, in order
    std::vector<uint32_t> prepareLengths;
    std::vector<BlockRecord> blocks;
    int writesRefused = 0; // HID_Write calls for a device that is not present
    bool finished = false; // cmdFinish was received
};

// What became of the replay of a recording (Scenario::replayPath): whether
// the program's calls left the recording (or it could not be read), with the
// line the library printed on stderr, and whether every recorded event was
// played.
struct ReplayOutcome
{
    bool replaying = false;
    bool diverged = false;
    std::string divergence;
    bool playedToEnd = false;
};

// Parses the VQDTRM4_SIM syntax. On error returns false and says why.
// Fields the text does not name keep the values they have in `scenario`
// (fault entries are added to its list); on error `scenario` is unchanged.
VQDSIM_API bool parseScenario (const std::string& text, Scenario& scenario, std::string& error);

} // namespace vqdsim
