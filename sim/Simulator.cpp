#include "sim/Simulator.h"

#include "sim/NoticeTarget.h"

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

namespace vqdsim
{
namespace detail
{

Simulator& Simulator::instance()
{
    // Never destroyed: the program may still call in (or the device thread may
    // still be running) while static objects are torn down at exit.
    static Simulator* simulator = new Simulator();
    return *simulator;
}

Simulator::Simulator()
{
    devices[0].hidNo = otherDeviceHidNo;
    devices[0].type = otherDeviceType;
    devices[1].hidNo = controllerHidNo;
    devices[1].type = controllerType;
    devices[2].hidNo = secondControllerHidNo;
    devices[2].type = controllerType;
    applyScenario (Scenario {});
}

EmulatedDevice* Simulator::find (int hidNo)
{
    for (EmulatedDevice& device : devices)
        if (device.exists && device.hidNo == hidNo)
            return &device;
    return nullptr;
}

void Simulator::applyScenario (const Scenario& newScenario)
{
    scenario = newScenario;
    logFileFailed = false;
    record = Stats {};
    pollTimes.clear();
    calls.clear();

    devices[0].exists = scenario.otherDevice;
    devices[1].exists = true;
    devices[2].exists = scenario.secondController;

    for (EmulatedDevice& device : devices)
    {
        device.present = device.exists;
        ++device.generation;
        device.commands.clear();
        device.answers.clear();
        device.faults = FaultSchedule (scenario.faults);
        device.lastAnswer = EmulatedDevice::Clock::time_point {};
        device.removeAt.reset();
        device.arriveAt.reset();

        const bool isController = device.type == controllerType && device.exists;
        if (isController)
        {
            if (! device.loader)
                device.loader = std::make_unique<FirmwareLoader>();
            device.loader->reset (scenario.flashFill);
        }
        else
            device.loader.reset();
    }

    if (scenario.absentAtStart)
        primary().present = false;

    wake();
}

void Simulator::log (const char* call)
{
    calls.emplace_back (call);

    if (scenario.logPath.empty())
        return;

    // Opened for each line and written with one write(): once a call has
    // returned, its line is in the file whatever becomes of the process
    // afterwards, even a SIGKILL.
    const bool written = appendToFile (scenario.logPath, std::string (call) + "\n");

    if (! written && ! logFileFailed)
    {
        // Said once per scenario, not once per call.
        logFileFailed = true;
        std::fprintf (stderr, "vqdtrm4hid: could not write the call log %s\n", scenario.logPath.c_str());
    }
}

void Simulator::wake()
{
    ++changeCount;
    changed.notify_all();
}

// ---------------------------------------------------------------------------
// Plug events and notices

void Simulator::removeDevice (EmulatedDevice& device, std::vector<Notice>& notices)
{
    device.present = false;
    ++device.generation;
    device.commands.clear();
    device.answers.clear();
    device.removeAt.reset();
    if (device.loader)
    {
        // Unplugging cuts the power: a block under way is lost. The plug-in
        // comes on the scenario's clock; only a running device thread fires
        // it, and a start schedules it anew.
        device.loader->forgetBlock();
        if (scenario.arriveAfterMs >= 0)
            device.arriveAt = EmulatedDevice::Clock::now() + std::chrono::milliseconds (scenario.arriveAfterMs);
    }
    notices.push_back ({ Notice::Kind::removal, device.hidNo });
    wake();
}

void Simulator::plugDevice (EmulatedDevice& device, std::vector<Notice>& notices)
{
    device.present = true;
    ++device.generation;
    device.arriveAt.reset();
    device.lastAnswer = EmulatedDevice::Clock::time_point {};
    notices.push_back ({ Notice::Kind::arrival, device.hidNo });
    wake();
}

void Simulator::deliver (StateLock& lock, const std::vector<Notice>& notices)
{
    const auto hand = scenario.sendNotices ? &sendNotice : &postNotice;
    std::unique_lock<std::mutex> post (postLock);
    lock.unlock();

    for (const Notice& notice : notices)
    {
        if (window == nullptr)
            break;
        switch (notice.kind)
        {
            case Notice::Kind::input:
                hand (window, inputMessage, static_cast<uintptr_t> (notice.hidNo), 0);
                break;
            case Notice::Kind::arrival:
                hand (window, arrivalMessage, 0, 0);
                break;
            case Notice::Kind::removal:
                hand (window, removalMessage, static_cast<uintptr_t> (notice.hidNo), 0);
                break;
        }
    }

    post.unlock();
    lock.lock();
}

} // namespace detail
} // namespace vqdsim
