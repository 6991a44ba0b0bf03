// One HID device of the simulated controller: the controller itself, a
// second controller or another kind of device. Whether it is plugged in, the
// commands written to it and the answers waiting for the program, and, for a
// controller, its loader with the flash and where it stands in the
// scenario's faults. Guarded by the simulator's state lock.
#pragma once

#include "sim/FaultSchedule.h"
#include "sim/FirmwareLoader.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>

namespace vqdsim
{
namespace detail
{

struct EmulatedDevice
{
    using Clock = std::chrono::steady_clock;

    struct Command
    {
        Report bytes;
        Clock::time_point arrival;
        uint64_t serial = 0; // the device's count of queued commands when this one came
    };

    // What the program's window is told about a device.
    struct Notice
    {
        enum class Kind
        {
            input,
            arrival,
            removal
        };

        Kind kind;
        int hidNo;
    };

    int hidNo = 0;
    int type = 0;
    bool exists = false;     // part of the scenario at all
    bool present = false;    // plugged in now
    uint64_t generation = 0; // changes at every plug event, so late answers are dropped
    std::deque<Command> commands;
    uint64_t queuedCount = 0; // commands ever queued, and ever taken off
    uint64_t takenCount = 0;  // the queue by the device thread
    std::deque<Report> answers;
    std::unique_ptr<FirmwareLoader> loader; // controllers only
    FaultSchedule faults;                   // restarted with every scenario
    Clock::time_point lastAnswer {};
    std::optional<Clock::time_point> removeAt;
    std::optional<Clock::time_point> arriveAt;
};

} // namespace detail
} // namespace vqdsim
