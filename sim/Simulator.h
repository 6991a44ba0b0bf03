// The simulated controller's state: the scenario, the devices with their
// report queues and flash, what tests read back (stats, commit poll times,
// the call log) and the program's notification window; and the changes to it
// that more than one side makes. Three sides work on it, each in a file of
// its own: the library's calls (EmulatedLibrary), the thread that plays the
// USB device (DeviceThread) and the in-process control (sim/SimControl.cpp).
// Each of them includes this header; the state knows none of them.
// There is one for the whole process, as there is one library.
//
// Locking: `stateLock` guards everything but the window; `postLock` guards
// the window. A notice is posted holding only `postLock`, taken before
// `stateLock` is let go, so notices keep the order of the changes they
// announce, the program's post() never runs under the state lock, and once
// HID_SetCallback(NULL, ...) holds `postLock` no post can still be under way.
// A notice sent rather than posted (sendNotices) keeps `postLock` until the
// program has handled it, as a library that sends under its own lock would.
// `lifeLock` serialises starting and stopping the thread.
#pragma once

#include "device/VqdTrm4Hid.h"
#include "sim/EmulatedDevice.h"
#include "sim/Scenario.h"

#include <array>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace vqdsim
{
namespace detail
{

class Simulator
{
public:
    using StateLock = std::unique_lock<std::mutex>;
    using Notice = EmulatedDevice::Notice;

    static Simulator& instance();

    // The device of the scenario with that HID number, or nullptr.
    EmulatedDevice* find (int hidNo);
    // The controller whose flash the dump and vqdsim::flashImage show.
    EmulatedDevice& primary() { return devices[1]; }

    // Replaces the scenario and puts the devices, their flash and every
    // record back to its start. Needs stateLock.
    void applyScenario (const Scenario& newScenario);

    // Adds one line to the call log, and to the scenario's log file if it
    // names one. Needs stateLock.
    void log (const char* call);

    // Wakes whoever waits for a change of the state. Needs stateLock.
    void wake();

    // Unplug and plug in one device, adding the notices the program is to
    // get to `notices`. Need stateLock.
    void removeDevice (EmulatedDevice& device, std::vector<Notice>& notices);
    void plugDevice (EmulatedDevice& device, std::vector<Notice>& notices);

    // Hands `notices` to the program's window. Called with `lock` held;
    // returns with it held again.
    void deliver (StateLock& lock, const std::vector<Notice>& notices);

    std::mutex lifeLock;

    std::mutex stateLock;
    std::condition_variable changed;
    uint64_t changeCount = 0;
    Scenario scenario;
    bool configuredInProcess = false;
    void* moduleInstance = nullptr;
    std::array<EmulatedDevice, 3> devices; // the other device, the controller, the second controller
    Stats record;
    std::vector<int64_t> pollTimes;
    std::vector<std::string> calls;
    bool logFileFailed = false; // the scenario's log file could not be written

    // Held by an HID_Write that hangs on a gone controller (writeBlockMs),
    // and taken by HID_Stop and HID_Finalize when they wait for it.
    std::mutex ioLock;

    std::mutex postLock;
    HidWindowHandle window = nullptr;
    unsigned int inputMessage = 0;
    unsigned int arrivalMessage = 0;
    unsigned int removalMessage = 0;

private:
    Simulator();
};

} // namespace detail
} // namespace vqdsim
