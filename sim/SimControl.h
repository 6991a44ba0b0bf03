// In-process control of the simulated controller that the default build of
// libvqdtrm4hid.so contains. Tests and benchmarks link the library and call
// these functions directly; the running program never does: for it the
// library reads the same scenario from the environment variable VQDTRM4_SIM
// (syntax in sim/README.md), when HID_Initialize is called and no scenario was
// set in-process.
//
// Nothing here carries the HID_ prefix: the library's HID_ surface stays the
// ten functions of VqdTrm4Hid.h.
#pragma once

#include "device/VqdTrm4Hid.h"
#include "sim/Scenario.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vqdsim
{

// Replaces the scenario and resets the emulated devices, their flash and
// every record. Stops the library's thread if it runs. Call it before the
// program opens its session.
VQDSIM_API void configure (const Scenario& scenario);

// Forgets the in-process scenario: the next HID_Initialize reads VQDTRM4_SIM.
VQDSIM_API void reset();

// The library's calls, as "HID_Initialize", "HID_SetCallback(window)",
// "HID_SetCallback(null)", "HID_Start", "HID_Stop", "HID_Finalize",
// "HID_EnumHIDno", "HID_GetDeviceType", "HID_GetFirmwareVersion"
// (HID_Write and HID_Input are counted, not logged). When the scenario has a
// logPath, the same lines go to that file as well.
VQDSIM_API std::vector<std::string> callLog();
VQDSIM_API void clearCallLog();

// Contents of one flash region (by target 0xF1, 0xF2, 0xF7), or the whole
// flash 0 .. flashEnd laid out by device address. Each controller has a
// flash of its own; these, and the dump, show the first controller's (HID
// number controllerHidNo). An unknown target gives an empty vector.
VQDSIM_API std::vector<uint8_t> flashRegion (uint8_t target);
VQDSIM_API std::vector<uint8_t> flashImage();

VQDSIM_API Stats stats();

// Times (microseconds on the steady clock) at which commit polls arrived.
VQDSIM_API std::vector<int64_t> commitPollTimesUs();

// Plug and unplug at once, from the test's thread. Only devices of the
// scenario can be plugged; one already in that state is left alone. Every
// removal of a controller (these, the scenario's clock or a remove fault)
// loses its queued reports and the block under way, and is followed by an
// arrival after arriveAfterMs when that is set and the thread runs.
VQDSIM_API void unplug (int hidNo);
VQDSIM_API void plug (int hidNo);

// Queue an unsolicited answer report (zero-padded to 64 bytes) for a present
// device and post its input notice.
VQDSIM_API void injectReport (int hidNo, const uint8_t* report, int length);

// Whether the library's own thread is running (between HID_Start and HID_Stop).
VQDSIM_API bool threadRunning();

VQDSIM_API ReplayOutcome replayOutcome();

} // namespace vqdsim
