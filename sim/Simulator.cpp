#include "sim/Simulator.h"

#include "recording/RecordingFile.h"
#include "sim/NoticeTarget.h"
#include "sim/WaitPrecision.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace vqdsim
{
namespace detail
{
namespace
{

int64_t microsecondsOf (std::chrono::steady_clock::time_point t)
{
    return std::chrono::duration_cast<std::chrono::microseconds> (t.time_since_epoch()).count();
}

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

Simulator& Simulator::instance()
{
    // Never destroyed: the program may still call in (or the device thread may
    // still be running) while static objects are torn down at exit.
    static Simulator* simulator = new Simulator();
    return *simulator;
}

Simulator::Simulator()
{
    devices[0].hidNo = kOtherDeviceHidNo;
    devices[0].type = kOtherDeviceType;
    devices[1].hidNo = kControllerHidNo;
    devices[1].type = kControllerType;
    devices[2].hidNo = kSecondControllerHidNo;
    devices[2].type = kControllerType;
    applyScenario (Scenario {});
}

Simulator::Device* Simulator::find (int hidNo)
{
    for (Device& device : devices)
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

    for (Device& device : devices)
    {
        device.present = device.exists;
        ++device.generation;
        device.commands.clear();
        device.answers.clear();
        device.seen.fill (0);
        device.written.fill (0);
        device.lastAnswer = Clock::time_point {};
        device.removeAt.reset();
        device.arriveAt.reset();

        const bool isController = device.type == kControllerType && device.exists;
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
// Life cycle

void Simulator::initialize (void* instanceHandle)
{
    std::lock_guard<std::mutex> life (lifeLock);

    StateLock lock (stateLock);
    if (! configuredInProcess)
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
        stopThread();
        lock.lock();
        applyScenario (fromEnvironment);
    }

    moduleInstance = instanceHandle;
    log ("HID_Initialize");
}

void Simulator::setCallback (HidWindowHandle newWindow, unsigned int input, unsigned int arrival, unsigned int removal)
{
    {
        std::lock_guard<std::mutex> lock (stateLock);
        log (newWindow != nullptr ? "HID_SetCallback(window)" : "HID_SetCallback(null)");
    }

    std::lock_guard<std::mutex> post (postLock);
    window = newWindow;
    inputMessage = input;
    arrivalMessage = arrival;
    removalMessage = removal;
}

void Simulator::start()
{
    std::lock_guard<std::mutex> life (lifeLock);

    StateLock lock (stateLock);
    log ("HID_Start");
    if (running)
        return;

    if (worker.joinable())
    {
        // Left over from a stop requested by the device thread itself.
        lock.unlock();
        worker.join();
        lock.lock();
    }

    const auto now = Clock::now();
    if (primary().present && scenario.removeAfterMs >= 0)
        primary().removeAt = now + std::chrono::milliseconds (scenario.removeAfterMs);
    for (Device& device : devices)
        if (device.loader && ! device.present && scenario.arriveAfterMs >= 0)
            device.arriveAt = now + std::chrono::milliseconds (scenario.arriveAfterMs);

    stopRequested = false;
    running = true;
    worker = std::thread ([this] { run(); });
}

void Simulator::stop()
{
    std::lock_guard<std::mutex> life (lifeLock);
    {
        std::lock_guard<std::mutex> lock (stateLock);
        log ("HID_Stop");
    }
    waitForHangingWrites (&Scenario::stopWaits);
    stopThread();
}

void Simulator::waitForHangingWrites (bool Scenario::*when)
{
    bool waits = false;
    {
        std::lock_guard<std::mutex> lock (stateLock);
        waits = scenario.*when;
    }
    if (waits)
    {
        ioLock.lock();
        ioLock.unlock();
    }
}

// Needs lifeLock, not stateLock.
void Simulator::stopThread()
{
    if (! worker.joinable())
        return;

    {
        std::lock_guard<std::mutex> lock (stateLock);
        stopRequested = true;
        for (Device& device : devices)
        {
            device.removeAt.reset();
            device.arriveAt.reset();
        }
        wake();
    }

    if (worker.get_id() == std::this_thread::get_id())
    {
        // Called from a post() on the device thread: it ends when post
        // returns; the next start or stop joins it.
        running = false;
        return;
    }

    worker.join();
    running = false;
}

void Simulator::finalize()
{
    std::lock_guard<std::mutex> life (lifeLock);
    waitForHangingWrites (&Scenario::stopWaits);
    stopThread();

    {
        std::lock_guard<std::mutex> lock (stateLock);
        log ("HID_Finalize");

        if (! scenario.dumpPath.empty())
        {
            const std::vector<uint8_t>& flash = primary().loader->flash();
            if (! RecordingFile::writeAll (scenario.dumpPath, flash.data(), flash.size()))
                std::fprintf (stderr, "vqdtrm4hid: could not write the flash dump %s\n", scenario.dumpPath.c_str());
        }

        for (Device& device : devices)
        {
            device.commands.clear();
            device.answers.clear();
        }
        moduleInstance = nullptr;
    }

    std::lock_guard<std::mutex> post (postLock);
    window = nullptr;
}

// ---------------------------------------------------------------------------
// The device thread

void Simulator::run()
{
    StateLock lock (stateLock);
    while (! stopRequested)
    {
        std::vector<Notice> notices;
        fireTimers (Clock::now(), notices);
        if (! notices.empty())
        {
            deliver (lock, notices);
            continue;
        }

        if (serviceOneCommand (lock))
            continue;

        const uint64_t seenChanges = changeCount;
        const auto somethingChanged = [&] { return stopRequested || changeCount != seenChanges; };
        if (const auto next = nextTimer())
            changed.wait_until (lock, *next, somethingChanged);
        else
            changed.wait (lock, somethingChanged);
    }
}

const Fault* Simulator::faultFor (int code, int occurrence, bool atWrite) const
{
    for (const Fault& fault : scenario.faults)
        if (fault.command == code && (fault.action == Fault::Action::writeFail) == atWrite
            && (fault.repeat ? occurrence >= fault.occurrence : occurrence == fault.occurrence))
            return &fault;
    return nullptr;
}

bool Simulator::serviceOneCommand (StateLock& lock)
{
    Device* device = takeTurn();
    if (device == nullptr)
        return false;

    const Command command = device->commands.front();
    device->commands.pop_front();
    device->takenCount = command.serial;
    const uint64_t generation = device->generation;
    if (scenario.writeBlockMs > 0)
        wake(); // a writer waits for its report to be taken

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
            removeDevice (*device, notices);
            deliver (lock, notices);
            return true;
        }
    }
    return true;
}

Simulator::Device* Simulator::takeTurn()
{
    // The two controllers take turns, as two devices on one bus would.
    for (std::size_t i = 0; i < 2; ++i)
    {
        Device& candidate = devices[1 + (nextController + i) % 2];
        if (candidate.present && candidate.loader && ! candidate.commands.empty())
        {
            nextController = (nextController + 1) % 2;
            return &candidate;
        }
    }
    return nullptr;
}

Simulator::Reaction Simulator::reactTo (Device& device, const Command& command, Report& answer)
{
    const int code = command.bytes[1];
    const int occurrence = ++device.seen[static_cast<std::size_t> (code)];
    const Fault* fault = faultFor (code, occurrence);

    if (fault == nullptr)
        return device.loader->handle (scenario, command.bytes, answer, record) ? Reaction::answer : Reaction::noAnswer;

    switch (fault->action)
    {
        case Fault::Action::refuse:
            answer[0] = command.bytes[0];
            answer[1] = ansError;
            answer[2] = static_cast<uint8_t> (fault->value);
            return Reaction::answer;
        case Fault::Action::wrongEcho:
        {
            const bool answers = device.loader->handle (scenario, command.bytes, answer, record);
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
            break; // acts in write(), never here
    }
    return Reaction::noAnswer;
}

bool Simulator::waitUntilDue (StateLock& lock, Device& device, const Command& command, uint64_t generation)
{
    // The device works through its commands one after another, so a delay
    // counts from the later of the command's arrival and the previous answer.
    auto due = std::max (command.arrival, device.lastAnswer) + std::chrono::microseconds (scenario.answerDelayUs);
    if (scenario.framed)
        due = nextFrameAfter (due);
    const auto interrupted = [&] { return stopRequested || device.generation != generation; };
    if (due > Clock::now() && ! changed.wait_until (lock, due - timedWaitMargin(), interrupted))
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

void Simulator::sendAnswer (StateLock& lock, Device& device, const Report& answer)
{
    device.answers.push_back (answer);
    device.lastAnswer = Clock::now();
    ++record.answersSent;
    deliver (lock, { { NoticeKind::input, device.hidNo } });
}

void Simulator::fireTimers (Clock::time_point now, std::vector<Notice>& notices)
{
    for (Device& device : devices)
    {
        if (device.removeAt && *device.removeAt <= now)
        {
            device.removeAt.reset();
            if (device.present)
                removeDevice (device, notices);
        }
        if (device.arriveAt && *device.arriveAt <= now)
        {
            device.arriveAt.reset();
            if (! device.present)
                plugDevice (device, notices);
        }
    }
}

std::optional<Simulator::Clock::time_point> Simulator::nextTimer() const
{
    std::optional<Clock::time_point> next;
    for (const Device& device : devices)
        for (const auto& at : { device.removeAt, device.arriveAt })
            if (at && (! next || *at < *next))
                next = at;
    return next;
}

void Simulator::removeDevice (Device& device, std::vector<Notice>& notices)
{
    device.present = false;
    ++device.generation;
    device.commands.clear();
    device.answers.clear();
    device.removeAt.reset();
    if (device.loader)
    {
        // Unplugging cuts the power: a block under way is lost.
        device.loader->forgetBlock();
        if (scenario.arriveAfterMs >= 0 && running)
            device.arriveAt = Clock::now() + std::chrono::milliseconds (scenario.arriveAfterMs);
    }
    notices.push_back ({ NoticeKind::removal, device.hidNo });
    wake();
}

void Simulator::plugDevice (Device& device, std::vector<Notice>& notices)
{
    device.present = true;
    ++device.generation;
    device.arriveAt.reset();
    device.lastAnswer = Clock::time_point {};
    notices.push_back ({ NoticeKind::arrival, device.hidNo });
    wake();
}

// Called with `lock` held; returns with it held again.
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
            case NoticeKind::input:
                hand (window, inputMessage, static_cast<uintptr_t> (notice.hidNo), 0);
                break;
            case NoticeKind::arrival:
                hand (window, arrivalMessage, 0, 0);
                break;
            case NoticeKind::removal:
                hand (window, removalMessage, static_cast<uintptr_t> (notice.hidNo), 0);
                break;
        }
    }

    post.unlock();
    lock.lock();
}

// ---------------------------------------------------------------------------
// Devices and reports

int Simulator::enumerate (int* hidNumbers)
{
    waitForHangingWrites (&Scenario::queriesWait);
    std::lock_guard<std::mutex> lock (stateLock);
    log ("HID_EnumHIDno");

    // The other device first, so that a program that takes the first entry
    // without looking at its type picks the wrong one.
    int count = 0;
    for (const Device& device : devices)
        if (device.exists && device.present && count < HID_MAX_DEVICES)
        {
            if (hidNumbers != nullptr)
                hidNumbers[count] = device.hidNo;
            ++count;
        }

    return scenario.enumCountOverride != Scenario::noOverride ? scenario.enumCountOverride : count;
}

int Simulator::deviceType (int hidNo)
{
    waitForHangingWrites (&Scenario::queriesWait);
    std::lock_guard<std::mutex> lock (stateLock);
    log ("HID_GetDeviceType");
    const Device* device = find (hidNo);
    return device != nullptr && device->present ? device->type : 0;
}

int Simulator::firmwareVersion (int type, int* values, int count)
{
    waitForHangingWrites (&Scenario::queriesWait);
    std::lock_guard<std::mutex> lock (stateLock);
    log ("HID_GetFirmwareVersion");
    if (type != kControllerType)
        return 0;
    if (values != nullptr && count >= 1)
        values[0] = scenario.firmwareVersion;
    return 1;
}

int Simulator::write (int hidNo, const unsigned char* report, int length)
{
    const auto now = Clock::now();
    StateLock lock (stateLock);
    const int blockMs = scenario.writeBlockMs;

    Device* device = find (hidNo);
    if (device == nullptr || ! device->present || ! device->loader || report == nullptr || length < 2)
    {
        ++record.writesRefused;
        if (blockMs > 0 && device != nullptr && device->loader && report != nullptr)
            hangLikeAGoneDevice (lock, blockMs);
        return 0;
    }

    const uint8_t code = report[1];
    if (faultFor (code, ++device->written[code], true) != nullptr)
    {
        ++record.writesRefused;
        return 0;
    }

    Command command;
    command.bytes.fill (0);
    std::memcpy (command.bytes.data(), report, static_cast<std::size_t> (std::min<int> (length, HID_REPORT_SIZE)));
    command.arrival = now;

    // Counted as they reach the controller rather than as the device thread
    // gets to them, so that a test sees a command it wrote (the finish that
    // nothing answers, say) even if the session closes right after it.
    ++record.commands[code];
    if (code == cmdFinish)
        record.finished = true;
    if (code == cmdCommitPoll)
        pollTimes.push_back (microsecondsOf (now));
    ++record.reportsReceived;
    command.serial = ++device->queuedCount;
    device->commands.push_back (command);
    ++changeCount;

    if (blockMs <= 0 || ! running)
    {
        lock.unlock();
        // Woken after the lock is let go, so that the device thread does not
        // wake only to wait for the writer's lock.
        changed.notify_all();
        return 1;
    }

    // As an interrupt transfer: done once the controller has taken the
    // report. One that the controller's removal cuts off hangs.
    changed.notify_all();
    const uint64_t generation = device->generation;
    changed.wait (lock, [&] { return stopRequested || device->generation != generation || device->takenCount >= command.serial; });
    if (device->generation != generation)
    {
        hangLikeAGoneDevice (lock, blockMs);
        return 0;
    }
    return 1;
}

// Called with `lock` held; returns with it held again.
void Simulator::hangLikeAGoneDevice (StateLock& lock, int milliseconds)
{
    lock.unlock();
    // Taken and let go by hand rather than by a guard: a thread ended by
    // force in here leaves it held, as it would leave a real driver's lock
    // held, and every call that needs it then waits for ever.
    ioLock.lock();
    std::this_thread::sleep_for (std::chrono::milliseconds (milliseconds));
    ioLock.unlock();
    lock.lock();
}

void Simulator::input (int hidNo, unsigned char* buffer, int* length)
{
    if (buffer == nullptr || length == nullptr)
        return;

    waitForHangingWrites (&Scenario::queriesWait);
    std::lock_guard<std::mutex> lock (stateLock);
    Device* device = find (hidNo);
    if (device == nullptr || ! device->present || device->answers.empty() || *length <= 0)
    {
        *length = 0;
        return;
    }

    const int copied = std::min<int> (*length, HID_REPORT_SIZE);
    std::memcpy (buffer, device->answers.front().data(), static_cast<std::size_t> (copied));
    device->answers.pop_front();
    *length = scenario.inputLengthOverride != Scenario::noOverride ? scenario.inputLengthOverride : copied;
}

// ---------------------------------------------------------------------------
// Control

void Simulator::configure (const Scenario& newScenario)
{
    std::lock_guard<std::mutex> life (lifeLock);
    stopThread();
    std::lock_guard<std::mutex> lock (stateLock);
    configuredInProcess = true;
    applyScenario (newScenario);
}

void Simulator::forgetScenario()
{
    std::lock_guard<std::mutex> lock (stateLock);
    configuredInProcess = false;
}

std::vector<std::string> Simulator::callLog()
{
    std::lock_guard<std::mutex> lock (stateLock);
    return calls;
}

void Simulator::clearCallLog()
{
    std::lock_guard<std::mutex> lock (stateLock);
    calls.clear();
}

std::vector<uint8_t> Simulator::flashRegion (uint8_t target)
{
    std::lock_guard<std::mutex> lock (stateLock);
    const Region* region = regionOf (target);
    if (region == nullptr)
        return {};
    const auto begin = primary().loader->flash().begin() + region->address;
    return std::vector<uint8_t> (begin, begin + region->size);
}

std::vector<uint8_t> Simulator::flashImage()
{
    std::lock_guard<std::mutex> lock (stateLock);
    return primary().loader->flash();
}

Stats Simulator::stats()
{
    std::lock_guard<std::mutex> lock (stateLock);
    return record;
}

std::vector<int64_t> Simulator::commitPollTimesUs()
{
    std::lock_guard<std::mutex> lock (stateLock);
    return pollTimes;
}

void Simulator::unplug (int hidNo)
{
    StateLock lock (stateLock);
    Device* device = find (hidNo);
    if (device == nullptr || ! device->present)
        return;
    std::vector<Notice> notices;
    removeDevice (*device, notices);
    deliver (lock, notices);
}

void Simulator::plug (int hidNo)
{
    StateLock lock (stateLock);
    Device* device = find (hidNo);
    if (device == nullptr || device->present)
        return;
    std::vector<Notice> notices;
    plugDevice (*device, notices);
    deliver (lock, notices);
}

void Simulator::injectReport (int hidNo, const uint8_t* report, int length)
{
    StateLock lock (stateLock);
    Device* device = find (hidNo);
    if (device == nullptr || ! device->present || report == nullptr || length <= 0)
        return;

    Report bytes {};
    std::memcpy (bytes.data(), report, static_cast<std::size_t> (std::min<int> (length, HID_REPORT_SIZE)));
    device->answers.push_back (bytes);
    deliver (lock, { { NoticeKind::input, device->hidNo } });
}

} // namespace detail
} // namespace vqdsim
