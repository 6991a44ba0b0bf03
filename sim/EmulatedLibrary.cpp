#include "sim/EmulatedLibrary.h"

#include "recording/RecordingFile.h"
#include "sim/DeviceThread.h"
#include "sim/Simulator.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

namespace vqdsim
{
namespace detail
{
namespace
{

using Clock = std::chrono::steady_clock;
using StateLock = Simulator::StateLock;

int64_t microsecondsOf (Clock::time_point t)
{
    return std::chrono::duration_cast<std::chrono::microseconds> (t.time_since_epoch()).count();
}

// Waits for every hanging HID_Write where the scenario's flag says so.
void waitForHangingWrites (Simulator& sim, bool Scenario::*when)
{
    bool waits = false;
    {
        std::lock_guard<std::mutex> lock (sim.stateLock);
        waits = sim.scenario.*when;
    }
    if (waits)
    {
        sim.ioLock.lock();
        sim.ioLock.unlock();
    }
}

// Called with `lock` held; returns with it held again.
void hangLikeAGoneDevice (Simulator& sim, StateLock& lock, int milliseconds)
{
    lock.unlock();
    // Taken and let go by hand rather than by a guard: a thread ended by
    // force in here leaves it held, as it would leave a real driver's lock
    // held, and every call that needs it then waits for ever.
    sim.ioLock.lock();
    std::this_thread::sleep_for (std::chrono::milliseconds (milliseconds));
    sim.ioLock.unlock();
    lock.lock();
}

} // namespace

EmulatedLibrary& EmulatedLibrary::instance()
{
    // Never destroyed, as the simulator it works on.
    static EmulatedLibrary* library = new EmulatedLibrary();
    return *library;
}

// ---------------------------------------------------------------------------
// Life cycle

void EmulatedLibrary::initialize (void* instanceHandle)
{
    Simulator& sim = Simulator::instance();
    std::lock_guard<std::mutex> life (sim.lifeLock);

    StateLock lock (sim.stateLock);
    if (! sim.configuredInProcess)
    {
        // The running program has no way to reach configure(), so it sets
        // the scenario through the environment.
        Scenario fromEnvironment;
        if (const char* text = std::getenv ("VQDTRM4_SIM"))
        {
            std::string error;
            if (! parseScenario (text, fromEnvironment, error))
            {
                std::fprintf (stderr, "vqdtrm4hid: VQDTRM4_SIM ignored, simulating the default controller: %s\n",
                              error.c_str());
                fromEnvironment = Scenario {};
            }
        }

        lock.unlock();
        DeviceThread::instance().stop();
        lock.lock();
        sim.applyScenario (fromEnvironment);
    }

    sim.moduleInstance = instanceHandle;
    sim.log ("HID_Initialize");
}

void EmulatedLibrary::setCallback (HidWindowHandle newWindow, unsigned int input, unsigned int arrival, unsigned int removal)
{
    Simulator& sim = Simulator::instance();
    {
        std::lock_guard<std::mutex> lock (sim.stateLock);
        sim.log (newWindow != nullptr ? "HID_SetCallback(window)" : "HID_SetCallback(null)");
    }

    std::lock_guard<std::mutex> post (sim.postLock);
    sim.window = newWindow;
    sim.inputMessage = input;
    sim.arrivalMessage = arrival;
    sim.removalMessage = removal;
}

void EmulatedLibrary::start()
{
    Simulator& sim = Simulator::instance();
    std::lock_guard<std::mutex> life (sim.lifeLock);

    StateLock lock (sim.stateLock);
    sim.log ("HID_Start");
    DeviceThread::instance().start (lock);
}

void EmulatedLibrary::stop()
{
    Simulator& sim = Simulator::instance();
    std::lock_guard<std::mutex> life (sim.lifeLock);
    {
        std::lock_guard<std::mutex> lock (sim.stateLock);
        sim.log ("HID_Stop");
    }
    waitForHangingWrites (sim, &Scenario::stopWaits);
    DeviceThread::instance().stop();
}

void EmulatedLibrary::finalize()
{
    Simulator& sim = Simulator::instance();
    std::lock_guard<std::mutex> life (sim.lifeLock);
    waitForHangingWrites (sim, &Scenario::stopWaits);
    DeviceThread::instance().stop();

    {
        std::lock_guard<std::mutex> lock (sim.stateLock);
        sim.log ("HID_Finalize");

        if (! sim.scenario.dumpPath.empty())
        {
            const std::vector<uint8_t>& flash = sim.primary().loader->flash();
            if (! RecordingFile::writeAll (sim.scenario.dumpPath, flash.data(), flash.size()))
                std::fprintf (stderr, "vqdtrm4hid: could not write the flash dump %s\n", sim.scenario.dumpPath.c_str());
        }

        for (EmulatedDevice& device : sim.devices)
        {
            device.commands.clear();
            device.answers.clear();
        }
        sim.moduleInstance = nullptr;
    }

    std::lock_guard<std::mutex> post (sim.postLock);
    sim.window = nullptr;
}

// ---------------------------------------------------------------------------
// Devices and reports

int EmulatedLibrary::enumerate (int* hidNumbers)
{
    Simulator& sim = Simulator::instance();
    waitForHangingWrites (sim, &Scenario::queriesWait);
    std::lock_guard<std::mutex> lock (sim.stateLock);
    sim.log ("HID_EnumHIDno");

    // The other device first, so that a program that takes the first entry
    // without looking at its type picks the wrong one.
    int count = 0;
    for (const EmulatedDevice& device : sim.devices)
        if (device.exists && device.present && count < HID_MAX_DEVICES)
        {
            if (hidNumbers != nullptr)
                hidNumbers[count] = device.hidNo;
            ++count;
        }

    return sim.scenario.enumCountOverride != Scenario::noOverride ? sim.scenario.enumCountOverride : count;
}

int EmulatedLibrary::deviceType (int hidNo)
{
    Simulator& sim = Simulator::instance();
    waitForHangingWrites (sim, &Scenario::queriesWait);
    std::lock_guard<std::mutex> lock (sim.stateLock);
    sim.log ("HID_GetDeviceType");
    const EmulatedDevice* device = sim.find (hidNo);
    return device != nullptr && device->present ? device->type : 0;
}

int EmulatedLibrary::firmwareVersion (int type, int* values, int count)
{
    Simulator& sim = Simulator::instance();
    waitForHangingWrites (sim, &Scenario::queriesWait);
    std::lock_guard<std::mutex> lock (sim.stateLock);
    sim.log ("HID_GetFirmwareVersion");
    if (type != controllerType)
        return 0;
    if (values != nullptr && count >= 1)
        values[0] = sim.scenario.firmwareVersion;
    return 1;
}

int EmulatedLibrary::write (int hidNo, const unsigned char* report, int length)
{
    Simulator& sim = Simulator::instance();
    const auto now = Clock::now();
    StateLock lock (sim.stateLock);
    const int blockMs = sim.scenario.writeBlockMs;

    EmulatedDevice* device = sim.find (hidNo);
    if (device == nullptr || ! device->present || ! device->loader || report == nullptr || length < 2)
    {
        ++sim.record.writesRefused;
        if (blockMs > 0 && device != nullptr && device->loader && report != nullptr)
            hangLikeAGoneDevice (sim, lock, blockMs);
        return 0;
    }

    const uint8_t code = report[1];
    if (device->faults.nextWritten (code) != nullptr)
    {
        ++sim.record.writesRefused;
        return 0;
    }

    EmulatedDevice::Command command;
    command.bytes.fill (0);
    std::memcpy (command.bytes.data(), report, static_cast<std::size_t> (std::min<int> (length, HID_REPORT_SIZE)));
    command.arrival = now;

    // Counted as they reach the controller rather than as the device thread
    // gets to them, so that a test sees a command it wrote (the finish that
    // nothing answers, say) even if the session closes right after it.
    ++sim.record.commands[code];
    if (code == cmdFinish)
        sim.record.finished = true;
    if (code == cmdCommitPoll)
        sim.pollTimes.push_back (microsecondsOf (now));
    ++sim.record.reportsReceived;
    command.serial = ++device->queuedCount;
    device->commands.push_back (command);
    ++sim.changeCount;

    if (blockMs <= 0 || ! DeviceThread::instance().running())
    {
        lock.unlock();
        // Woken after the lock is let go, so that the device thread does not
        // wake only to wait for the writer's lock.
        sim.changed.notify_all();
        return 1;
    }

    // As an interrupt transfer: done once the controller has taken the
    // report. One that the controller's removal cuts off hangs.
    sim.changed.notify_all();
    const uint64_t generation = device->generation;
    sim.changed.wait (lock, [&] { return DeviceThread::instance().stopping() || device->generation != generation || device->takenCount >= command.serial; });
    if (device->generation != generation)
    {
        hangLikeAGoneDevice (sim, lock, blockMs);
        return 0;
    }
    return 1;
}

void EmulatedLibrary::input (int hidNo, unsigned char* buffer, int* length)
{
    Simulator& sim = Simulator::instance();
    if (buffer == nullptr || length == nullptr)
        return;

    waitForHangingWrites (sim, &Scenario::queriesWait);
    std::lock_guard<std::mutex> lock (sim.stateLock);
    EmulatedDevice* device = sim.find (hidNo);
    if (device == nullptr || ! device->present || device->answers.empty() || *length <= 0)
    {
        *length = 0;
        return;
    }

    const int copied = std::min<int> (*length, HID_REPORT_SIZE);
    std::memcpy (buffer, device->answers.front().data(), static_cast<std::size_t> (copied));
    device->answers.pop_front();
    *length = sim.scenario.inputLengthOverride != Scenario::noOverride ? sim.scenario.inputLengthOverride : copied;
}

} // namespace detail
} // namespace vqdsim
