#include "sim/DeviceThread.h"

#include "sim/Simulator.h"
#include "sim/WaitPrecision.h"

#include <algorithm>

namespace vqdsim
{
namespace detail
{
namespace
{

// A full-speed interrupt endpoint is polled once per 1 ms frame, so an answer
// leaves at the first frame boundary after it is ready. The frames are counted
// from the clock's epoch, not from the command, as the host's frame counter
// does not care when the device got its data.
std::chrono::steady_clock::time_point nextFrameAfter (std::chrono::steady_clock::time_point t)
{
    using namespace std::chrono;
    const auto sinceEpoch = duration_cast<nanoseconds> (t.time_since_epoch()).count();
    const auto frame = duration_cast<nanoseconds> (milliseconds (1)).count();
    const auto boundary = (sinceEpoch / frame + 1) * frame;
    return steady_clock::time_point (duration_cast<steady_clock::duration> (nanoseconds (boundary)));
}

} // namespace

DeviceThread& DeviceThread::instance()
{
    // Never destroyed, as the simulator's state is not: the thread may still
    // run while static objects are torn down at exit.
    static DeviceThread* thread = new DeviceThread();
    return *thread;
}

DeviceThread::DeviceThread() : sim (Simulator::instance()) {}

// ---------------------------------------------------------------------------
// Starting and stopping

void DeviceThread::start (StateLock& lock)
{
    if (isRunning)
        return;

    if (worker.joinable())
    {
        // Left over from a stop requested by the device thread itself.
        lock.unlock();
        worker.join();
        lock.lock();
    }

    const auto now = Clock::now();
    if (sim.primary().present && sim.scenario.removeAfterMs >= 0)
        sim.primary().removeAt = now + std::chrono::milliseconds (sim.scenario.removeAfterMs);
    for (Device& device : sim.devices)
        if (device.loader && ! device.present && sim.scenario.arriveAfterMs >= 0)
            device.arriveAt = now + std::chrono::milliseconds (sim.scenario.arriveAfterMs);

    stopRequested = false;
    isRunning = true;
    worker = std::thread ([this] { run(); });
}

void DeviceThread::stop()
{
    if (! worker.joinable())
        return;

    {
        std::lock_guard<std::mutex> lock (sim.stateLock);
        stopRequested = true;
        for (Device& device : sim.devices)
        {
            device.removeAt.reset();
            device.arriveAt.reset();
        }
        sim.wake();
    }

    if (worker.get_id() == std::this_thread::get_id())
    {
        // Called from a post() on the device thread: it ends when post
        // returns; the next start or stop joins it.
        isRunning = false;
        return;
    }

    worker.join();
    isRunning = false;
}

// ---------------------------------------------------------------------------
// The loop

void DeviceThread::run()
{
    StateLock lock (sim.stateLock);
    while (! stopRequested)
    {
        std::vector<Notice> notices;
        fireTimers (Clock::now(), notices);
        if (! notices.empty())
        {
            sim.deliver (lock, notices);
            continue;
        }

        if (serviceOneCommand (lock))
            continue;

        const uint64_t seenChanges = sim.changeCount;
        const auto somethingChanged = [&] { return stopRequested || sim.changeCount != seenChanges; };
        if (const auto next = nextTimer())
            sim.changed.wait_until (lock, *next, somethingChanged);
        else
            sim.changed.wait (lock, somethingChanged);
    }
}

// ---------------------------------------------------------------------------
// Commands and answers

bool DeviceThread::serviceOneCommand (StateLock& lock)
{
    Device* device = takeTurn();
    if (device == nullptr)
        return false;

    const Device::Command command = device->commands.front();
    device->commands.pop_front();
    device->takenCount = command.serial;
    const uint64_t generation = device->generation;
    if (sim.scenario.writeBlockMs > 0)
        sim.wake(); // a writer waits for its report to be taken

    Report answer {};
    switch (reactTo (*device, command, answer))
    {
        case Reaction::answer:
            if (waitUntilDue (lock, *device, command, generation))
                sendAnswer (lock, *device, answer);
            return true;
        case Reaction::noAnswer:
            return true;
        case Reaction::unplug:
        {
            std::vector<Notice> notices;
            sim.removeDevice (*device, notices);
            sim.deliver (lock, notices);
            return true;
        }
    }
    return true;
}

DeviceThread::Device* DeviceThread::takeTurn()
{
    // The two controllers take turns, as two devices on one bus would.
    for (std::size_t i = 0; i < 2; ++i)
    {
        Device& candidate = sim.devices[1 + (nextController + i) % 2];
        if (candidate.present && candidate.loader && ! candidate.commands.empty())
        {
            nextController = (nextController + 1) % 2;
            return &candidate;
        }
    }
    return nullptr;
}

DeviceThread::Reaction DeviceThread::reactTo (Device& device, const Device::Command& command, Report& answer)
{
    const Fault* fault = device.faults.nextHandled (command.bytes[1]);

    if (fault == nullptr)
        return device.loader->handle (sim.scenario, command.bytes, answer, sim.record) ? Reaction::answer : Reaction::noAnswer;

    switch (fault->action)
    {
        case Fault::Action::refuse:
            answer[0] = command.bytes[0];
            answer[1] = ansError;
            answer[2] = static_cast<uint8_t> (fault->value);
            return Reaction::answer;
        case Fault::Action::wrongEcho:
        {
            const bool answers = device.loader->handle (sim.scenario, command.bytes, answer, sim.record);
            answer[0] = static_cast<uint8_t> (fault->value);
            return answers ? Reaction::answer : Reaction::noAnswer;
        }
        case Fault::Action::silent:
            return Reaction::noAnswer;
        case Fault::Action::answerCode:
            answer[0] = command.bytes[0];
            answer[1] = static_cast<uint8_t> (fault->value);
            return Reaction::answer;
        case Fault::Action::remove:
            return Reaction::unplug;
        case Fault::Action::writeFail:
            break; // acts in HID_Write, never here
    }
    return Reaction::noAnswer;
}

bool DeviceThread::waitUntilDue (StateLock& lock, Device& device, const Device::Command& command, uint64_t generation)
{
    // The device works through its commands one after another, so a delay
    // counts from the later of the command's arrival and the previous answer.
    auto due = std::max (command.arrival, device.lastAnswer) + std::chrono::microseconds (sim.scenario.answerDelayUs);
    if (sim.scenario.framed)
        due = nextFrameAfter (due);
    const auto interrupted = [&] { return stopRequested || device.generation != generation; };
    if (due > Clock::now() && ! sim.changed.wait_until (lock, due - timedWaitMargin(), interrupted))
    {
        // The last stretch, where a timed wait would overshoot.
        while (Clock::now() < due && ! interrupted())
        {
            lock.unlock();
            std::this_thread::yield();
            lock.lock();
        }
    }

    return ! stopRequested && device.generation == generation && device.present;
}

void DeviceThread::sendAnswer (StateLock& lock, Device& device, const Report& answer)
{
    device.answers.push_back (answer);
    device.lastAnswer = Clock::now();
    ++sim.record.answersSent;
    sim.deliver (lock, { { Notice::Kind::input, device.hidNo } });
}

// ---------------------------------------------------------------------------
// The scenario's clock for unplugging and plugging in

void DeviceThread::fireTimers (Clock::time_point now, std::vector<Notice>& notices)
{
    for (Device& device : sim.devices)
    {
        if (device.removeAt && *device.removeAt <= now)
        {
            device.removeAt.reset();
            if (device.present)
                sim.removeDevice (device, notices);
        }
        if (device.arriveAt && *device.arriveAt <= now)
        {
            device.arriveAt.reset();
            if (! device.present)
                sim.plugDevice (device, notices);
        }
    }
}

std::optional<DeviceThread::Clock::time_point> DeviceThread::nextTimer() const
{
    std::optional<Clock::time_point> next;
    for (const Device& device : sim.devices)
        for (const auto& at : { device.removeAt, device.arriveAt })
            if (at && (! next || *at < *next))
                next = at;
    return next;
}

} // namespace detail
} // namespace vqdsim
