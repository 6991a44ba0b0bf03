// The in-process control of the simulated library (sim/SimControl.h): the
// scenario, the records tests read back, and plug events from the test's
// thread. A scenario that names a recording sets up the replay as well; what
// a replay keeps (its outcome, the flash the program's writes made) is read
// from it while it is set.
#include "sim/DeviceThread.h"
#include "sim/FirmwareLoader.h"
#include "sim/LibraryBackend.h"
#include "sim/Replayer.h"
#include "sim/SimControl.h"
#include "sim/Simulator.h"

#include <algorithm>
#include <cstring>
#include <mutex>

namespace vqdsim
{

using detail::chooseBackend;
using detail::DeviceThread;
using detail::EmulatedDevice;
using detail::Replayer;
using detail::Simulator;

void configure (const Scenario& scenario)
{
    Replayer::instance().configure (scenario);
    chooseBackend (Replayer::active());

    Simulator& sim = Simulator::instance();
    std::lock_guard<std::mutex> life (sim.lifeLock);
    DeviceThread::instance().stop();
    std::lock_guard<std::mutex> lock (sim.stateLock);
    sim.configuredInProcess = true;
    sim.applyScenario (scenario);
}

void reset()
{
    Replayer::instance().forget();
    chooseBackend (Replayer::active());

    Simulator& sim = Simulator::instance();
    std::lock_guard<std::mutex> lock (sim.stateLock);
    sim.configuredInProcess = false;
}

ReplayOutcome replayOutcome()
{
    return Replayer::instance().outcome();
}

std::vector<std::string> callLog()
{
    Simulator& sim = Simulator::instance();
    std::lock_guard<std::mutex> lock (sim.stateLock);
    return sim.calls;
}

void clearCallLog()
{
    Simulator& sim = Simulator::instance();
    std::lock_guard<std::mutex> lock (sim.stateLock);
    sim.calls.clear();
}

std::vector<uint8_t> flashRegion (uint8_t target)
{
    const Region* region = detail::regionOf (target);
    if (region == nullptr)
        return {};

    if (Replayer* replay = Replayer::active())
    {
        const std::vector<uint8_t> flash = replay->flashImage();
        return std::vector<uint8_t> (flash.begin() + region->address, flash.begin() + region->address + region->size);
    }

    Simulator& sim = Simulator::instance();
    std::lock_guard<std::mutex> lock (sim.stateLock);
    const auto begin = sim.primary().loader->flash().begin() + region->address;
    return std::vector<uint8_t> (begin, begin + region->size);
}

std::vector<uint8_t> flashImage()
{
    if (Replayer* replay = Replayer::active())
        return replay->flashImage();

    Simulator& sim = Simulator::instance();
    std::lock_guard<std::mutex> lock (sim.stateLock);
    return sim.primary().loader->flash();
}

Stats stats()
{
    Simulator& sim = Simulator::instance();
    std::lock_guard<std::mutex> lock (sim.stateLock);
    return sim.record;
}

std::vector<int64_t> commitPollTimesUs()
{
    Simulator& sim = Simulator::instance();
    std::lock_guard<std::mutex> lock (sim.stateLock);
    return sim.pollTimes;
}

void unplug (int hidNo)
{
    Simulator& sim = Simulator::instance();
    Simulator::StateLock lock (sim.stateLock);
    EmulatedDevice* device = sim.find (hidNo);
    if (device == nullptr || ! device->present)
        return;
    std::vector<Simulator::Notice> notices;
    sim.removeDevice (*device, notices);
    sim.deliver (lock, notices);
}

void plug (int hidNo)
{
    Simulator& sim = Simulator::instance();
    Simulator::StateLock lock (sim.stateLock);
    EmulatedDevice* device = sim.find (hidNo);
    if (device == nullptr || device->present)
        return;
    std::vector<Simulator::Notice> notices;
    sim.plugDevice (*device, notices);
    sim.deliver (lock, notices);
}

void injectReport (int hidNo, const uint8_t* report, int length)
{
    Simulator& sim = Simulator::instance();
    Simulator::StateLock lock (sim.stateLock);
    EmulatedDevice* device = sim.find (hidNo);
    if (device == nullptr || ! device->present || report == nullptr || length <= 0)
        return;

    detail::Report bytes {};
    std::memcpy (bytes.data(), report, static_cast<std::size_t> (std::min<int> (length, HID_REPORT_SIZE)));
    device->answers.push_back (bytes);
    sim.deliver (lock, { { Simulator::Notice::Kind::input, device->hidNo } });
}

bool threadRunning()
{
    return DeviceThread::instance().running();
}

} // namespace vqdsim
