// The thread of the simulated controller that plays the USB device. It runs
// from HID_Start to HID_Stop; it takes the controllers' commands in turn, as
// two devices on one bus would, has each met by the scenario's fault or by
// the loader, sends the answer when it is due (the scenario's delay, the 1 ms
// frames of a full-speed interrupt endpoint), and unplugs and plugs in
// devices on the scenario's clock.
#pragma once

#include "sim/EmulatedDevice.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace vqdsim
{
namespace detail
{

class Simulator;

class DeviceThread
{
public:
    using Clock = std::chrono::steady_clock;
    using StateLock = std::unique_lock<std::mutex>;

    // The one device thread of the process, playing the devices of
    // Simulator::instance().
    static DeviceThread& instance();

    // Starts the thread, unless it runs already, and the scenario's clock
    // for unplugging and plugging in. Needs the simulator's lifeLock, and its
    // stateLock held by `lock`.
    void start (StateLock& lock);

    // Ends the thread and waits for it; from the thread itself (a post() on
    // it that calls HID_Stop) only asks it to end. Needs lifeLock, not
    // stateLock.
    void stop();

    bool running() const { return isRunning.load(); }

    // Whether the thread has been asked to end; read under stateLock.
    bool stopping() const { return stopRequested; }

private:
    using Device = EmulatedDevice;
    using Notice = EmulatedDevice::Notice;

    // What a controller does with one command.
    enum class Reaction
    {
        answer,
        noAnswer,
        unplug
    };

    DeviceThread();

    void run();
    // Answers the next waiting command, if any controller has one; false
    // when none has. The steps: whose turn it is, what the command meets
    // (the scenario's fault or the loader), the answer's time, the answer.
    bool serviceOneCommand (StateLock& lock);
    Device* takeTurn();
    Reaction reactTo (Device& device, const Device::Command& command, Report& answer);
    bool waitUntilDue (StateLock& lock, Device& device, const Device::Command& command, uint64_t generation);
    void sendAnswer (StateLock& lock, Device& device, const Report& answer);
    void fireTimers (Clock::time_point now, std::vector<Notice>& notices);
    std::optional<Clock::time_point> nextTimer() const;

    Simulator& sim;
    std::thread worker;
    std::atomic<bool> isRunning { false };
    bool stopRequested = false;     // guarded by the simulator's stateLock
    std::size_t nextController = 0; // whose turn it is of the two; guarded by stateLock
};

} // namespace detail
} // namespace vqdsim
