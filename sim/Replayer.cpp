#include "sim/Replayer.h"

#include "recording/Crc32.h"
#include "recording/RecordingFile.h"
#include "recording/RecordingReader.h"
#include "sim/NoticeTarget.h"
#include "sim/WaitPrecision.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace vqdsim
{
namespace detail
{

using vqdrec::Event;
using vqdrec::Function;

namespace
{

constexpr int64_t maxCopiedBytes = 4096;
constexpr int maxListedValues = 128;

std::string hex32 (uint32_t value)
{
    char text[16];
    std::snprintf (text, sizeof (text), "%08" PRIX32, value);
    return text;
}

} // namespace

std::atomic<Replayer*> Replayer::current { nullptr };

Replayer& Replayer::instance()
{
    // Never destroyed, as the emulation: the program may still call in, and
    // the replay's thread may still run, while static objects are torn down.
    static Replayer* replayer = new Replayer();
    return *replayer;
}

Replayer* Replayer::active()
{
    return current.load();
}

Replayer* Replayer::forSession()
{
    Replayer& replayer = instance();
    {
        std::lock_guard<std::mutex> lock (replayer.stateLock);
        if (replayer.inProcess)
            return current.load();
    }

    // The running program sets its scenario through the environment only. A
    // text the emulation refuses is left to it to report.
    Scenario fromEnvironment;
    std::string error;
    const char* text = std::getenv ("VQDTRM4_SIM");
    if (text != nullptr && parseScenario (text, fromEnvironment, error) && ! fromEnvironment.replayPath.empty())
    {
        replayer.load (fromEnvironment, true);
        return &replayer;
    }

    replayer.stopReplay();
    current = nullptr;
    return nullptr;
}

void Replayer::configure (const Scenario& newScenario)
{
    stopReplay();
    {
        std::lock_guard<std::mutex> lock (stateLock);
        inProcess = true;
    }
    if (newScenario.replayPath.empty())
    {
        std::lock_guard<std::mutex> lock (stateLock);
        result = ReplayOutcome {};
        current = nullptr;
    }
    else
        load (newScenario, false);
}

void Replayer::forget()
{
    stopReplay();
    std::lock_guard<std::mutex> lock (stateLock);
    inProcess = false;
    result = ReplayOutcome {};
    current = nullptr;
}

ReplayOutcome Replayer::outcome()
{
    std::lock_guard<std::mutex> lock (stateLock);
    return result;
}

std::vector<uint8_t> Replayer::flashImage()
{
    std::lock_guard<std::mutex> lock (stateLock);
    return loader.flash();
}

// ---------------------------------------------------------------------------
// Setting up and ending a replay

void Replayer::load (const Scenario& newScenario, bool environment)
{
    stopReplay();

    StateLock lock (stateLock);
    scenario = newScenario;
    fromEnvironment = environment;
    result = ReplayOutcome {};
    result.replaying = true;
    loader.reset (scenario.flashFill);
    loaderStats = Stats {};
    removed.clear();
    inputMessage = arrivalMessage = removalMessage = 0;
    runCrc = 0;
    stopRequested = false;
    lastEventAt = Clock::now();
    {
        std::lock_guard<std::mutex> post (postLock);
        window = nullptr;
    }
    current = this;

    auto read = std::make_unique<vqdrec::Recording>();
    std::string error;
    if (! vqdrec::RecordingReader::readFile (scenario.replayPath, *read, error))
    {
        recording.reset();
        cursor.reset();
        fail ("vqdtrm4 replay: cannot play " + scenario.replayPath + ": " + error);
        return;
    }

    recording = std::move (read);
    cursor = std::make_unique<ReplayCursor> (*recording);
    skippedResults.assign (recording->events.size(), false);
    worker = std::thread ([this] { run(); });
}

void Replayer::stopReplay()
{
    {
        std::lock_guard<std::mutex> lock (stateLock);
        stopRequested = true;
        changed.notify_all();
    }
    if (worker.joinable())
        worker.join();
}

void Replayer::fail (const std::string& line)
{
    result.diverged = true;
    result.divergence = line;
    std::fprintf (stderr, "%s\n", line.c_str());
    std::fflush (stderr);

    // The running program's run must fail, whatever it goes on to do.
    if (fromEnvironment)
        std::_Exit (3);

    changed.notify_all();
}

void Replayer::diverge (const std::string& expected, const Call& call)
{
    std::string where;
    if (cursor->atEnd())
        where = "after the last line of " + scenario.replayPath;
    else
        where = "at line " + std::to_string (cursor->current().event->line) + " of " + scenario.replayPath;

    // HID_Finalize where the recording goes on: the program stopped early.
    const char* what = call.function == Function::finalize ? "stopped early" : "diverged";
    fail ("vqdtrm4 replay: " + std::string (what) + " " + where + ": expected \"" + expected + "\", got \""
          + describe (call) + "\"");
}

// ---------------------------------------------------------------------------
// Playing

void Replayer::run()
{
    StateLock lock (stateLock);
    while (! stopRequested && ! result.diverged)
    {
        if (cursor->atEnd())
        {
            result.playedToEnd = true;
            return;
        }

        Clock::time_point wakeAt = Clock::time_point::max();
        if (playOne (lock, true, wakeAt))
        {
            changed.notify_all();
            continue;
        }
        waitForChangeOrTime (lock, wakeAt);
    }
}

// Called with `lock` held; returns with it held again.
void Replayer::waitForChangeOrTime (StateLock& lock, Clock::time_point wakeAt)
{
    if (wakeAt == Clock::time_point::max())
        changed.wait (lock);
    else if (wakeAt - timedWaitMargin() > Clock::now())
        changed.wait_until (lock, wakeAt - timedWaitMargin());
    else
    {
        // The last stretch, where a timed wait would overshoot.
        lock.unlock();
        std::this_thread::yield();
        lock.lock();
    }
}

void Replayer::perform (Call& call)
{
    StateLock lock (stateLock);
    call.arrival = Clock::now();
    if (result.diverged || stopRequested || cursor == nullptr)
        return;

    // Whether the program still writes to a controller whose removal notice
    // has gone out depends on when its message thread saw the notice, which
    // no recording can tell: such a write fails without being matched.
    if (call.function == Function::write && removed.count (static_cast<int> (call.values[0])) != 0)
    {
        call.answered = true;
        call.results = { 0 };
        return;
    }

    calls.push_back (&call);
    changed.notify_all();

    while (call.state != Call::State::done && ! result.diverged && ! stopRequested)
    {
        Clock::time_point wakeAt = Clock::time_point::max();
        if (playOne (lock, false, wakeAt))
        {
            changed.notify_all();
            continue;
        }
        if (call.state == Call::State::done)
            break;
        waitForChangeOrTime (lock, wakeAt);
    }

    calls.erase (std::remove (calls.begin(), calls.end(), &call), calls.end());
    if (call.state != Call::State::done)
        call.answered = false;
}

void Replayer::advance()
{
    cursor->advance();
    if (cursor->atEnd() && ! result.diverged)
        result.playedToEnd = true;
}

Replayer::Clock::time_point Replayer::dueOf (const ReplayStep& step) const
{
    if (scenario.replayFast)
        return Clock::now();

    if (step.kind == ReplayStep::Kind::result)
        for (const Call* call : calls)
            if (call->state == Call::State::entered && call->resultStep.sameAs (step))
                return std::max (lastEventAt,
                                 call->enteredAt + std::chrono::microseconds (std::max<int64_t> (0, step.timeUs - call->enteredUs)));

    return lastEventAt + std::chrono::microseconds (std::max<int64_t> (0, step.timeUs - cursor->previousTimeUs()));
}

bool Replayer::playOne (StateLock& lock, bool replayThread, Clock::time_point& wakeAt)
{
    if (cursor->atEnd())
    {
        for (const Call* call : calls)
            if (call->state == Call::State::waiting)
            {
                diverge (cursor->describe(), *call);
                return true;
            }
        result.playedToEnd = true;
        return false;
    }

    const ReplayStep step = cursor->current();
    switch (step.kind)
    {
        case ReplayStep::Kind::call:
        {
            if (skipsRemovedWrite (step))
            {
                advance();
                return true;
            }
            if (enter (step))
                return true;
            for (const Call* call : calls)
                if (call->state == Call::State::waiting)
                {
                    diverge (cursor->describe(), *call);
                    return true;
                }
            return false;
        }

        case ReplayStep::Kind::result:
        {
            if (! step.inRun() && skippedResults[step.index])
            {
                advance();
                return true;
            }
            for (Call* call : calls)
            {
                if (call->state != Call::State::entered || ! call->resultStep.sameAs (step))
                    continue;
                const Clock::time_point due = dueOf (step);
                const Clock::time_point now = Clock::now();
                if (now < due)
                {
                    wakeAt = due;
                    return false;
                }
                giveResult (*call, step);
                lastEventAt = now;
                advance();
                return true;
            }
            return false;
        }

        case ReplayStep::Kind::notice:
        {
            if (! replayThread)
                return false;
            const Clock::time_point due = dueOf (step);
            if (Clock::now() < due)
            {
                wakeAt = due;
                return false;
            }
            playNotice (lock, step);
            lastEventAt = Clock::now();
            advance();
            return true;
        }

        case ReplayStep::Kind::end:
            break;
    }
    return false;
}

bool Replayer::skipsRemovedWrite (const ReplayStep& step)
{
    if (step.inRun() || step.function != Function::write)
        return false;
    const Event& event = *step.event;
    if (removed.count (static_cast<int> (event.values[0])) == 0)
        return false;
    // A write that hung at the removal has no result to skip.
    if (! event.open)
        skippedResults[event.partner] = true;
    return true;
}

bool Replayer::matches (const Call& call, const ReplayStep& step) const
{
    if (call.function != step.function)
        return false;

    const Event& event = *step.event;
    if (step.inRun())
    {
        const vqdrec::Run& run = event.run;
        const std::vector<int64_t> expected = { run.hidNo, 64 };
        if (call.values != expected)
            return false;
        return step.part != 0 || (call.report.size() >= 2 && call.report[0] == run.prefix[0] && call.report[1] == run.prefix[1]);
    }

    if (call.values != event.values)
        return false;
    if (call.function != Function::write)
        return true;

    // The recorded report leaves its trailing zero bytes out.
    if (call.report.size() < event.report.size())
        return false;
    return std::equal (event.report.begin(), event.report.end(), call.report.begin())
           && std::all_of (call.report.begin() + static_cast<std::ptrdiff_t> (event.report.size()), call.report.end(),
                           [] (uint8_t byte) { return byte == 0; });
}

bool Replayer::enter (const ReplayStep& step)
{
    Call* call = nullptr;
    for (Call* candidate : calls)
        if (candidate->state == Call::State::waiting && matches (*candidate, step))
        {
            call = candidate;
            break;
        }
    if (call == nullptr)
        return false;

    call->state = Call::State::entered;
    call->enteredAt = std::max (call->arrival, lastEventAt);
    call->enteredUs = step.timeUs;
    call->resultStep = step;
    if (step.inRun())
        call->resultStep.part = step.part + 1;
    else if (step.event->open)
    {
        // The recording ended inside this call: as the library did, it does
        // not return while the replay goes on (no step is ever its result).
        // Only the end of the replay lets it go, answering nothing.
        call->resultStep = ReplayStep {};
        call->resultStep.index = vqdrec::Event::noPartner;
    }
    else
    {
        call->resultStep.index = step.event->partner;
        call->resultStep.event = &recording->events[step.event->partner];
    }
    lastEventAt = call->enteredAt;

    if (call->function == Function::setCallback)
    {
        // The notices that follow go to the window given here, from the
        // moment the call enters, as they would from the maker's library.
        inputMessage = static_cast<unsigned int> (call->values[1]);
        arrivalMessage = static_cast<unsigned int> (call->values[2]);
        removalMessage = static_cast<unsigned int> (call->values[3]);
    }

    if (call->function == Function::write && call->report.size() >= 2)
    {
        // The flash that the program's writes make, as the emulated loader
        // keeps it: a dump shows what the program wrote in this replay.
        Report bytes {};
        std::copy_n (call->report.begin(), std::min<std::size_t> (call->report.size(), bytes.size()), bytes.begin());
        Report answer {};
        static const Scenario plainLoader;
        loader.handle (plainLoader, bytes, answer, loaderStats);

        if (step.inRun())
        {
            const vqdrec::Run& run = step.event->run;
            if (step.cycle == 0)
                runCrc = 0;
            runCrc = vqdrec::crc32Update (runCrc, bytes.data(), bytes.size());
            if (step.cycle + 1 == run.count && runCrc != run.crc)
            {
                advance();
                fail ("vqdtrm4 replay: diverged at line " + std::to_string (step.event->line) + " of " + scenario.replayPath
                      + ": expected \"" + std::to_string (run.count) + " writes with CRC " + hex32 (run.crc)
                      + "\", got \"" + std::to_string (run.count) + " writes with CRC " + hex32 (runCrc) + "\"");
                return true;
            }
        }
    }

    advance();
    return true;
}

void Replayer::giveResult (Call& call, const ReplayStep& step)
{
    call.answered = true;
    if (step.inRun())
    {
        if (step.part == 1)
            call.results = { 1 };
        else
        {
            call.results = { 64 };
            call.resultReport = step.event->run.answer;
        }
    }
    else
    {
        call.results = step.event->values;
        call.resultReport = step.event->report;
    }

    if (call.function == Function::setCallback)
    {
        std::lock_guard<std::mutex> post (postLock);
        if (call.values[0] == 0)
            window = nullptr;
    }
    call.state = Call::State::done;
}

void Replayer::playNotice (StateLock& lock, const ReplayStep& step)
{
    unsigned int message = inputMessage;
    uintptr_t wParam = 0;
    intptr_t lParam = 0;
    bool sent = false;
    if (step.inRun())
    {
        wParam = static_cast<uintptr_t> (step.event->run.hidNo);
        sent = step.event->run.sent;
    }
    else
    {
        message = step.event->message;
        wParam = static_cast<uintptr_t> (step.event->wParam);
        lParam = static_cast<intptr_t> (step.event->lParam);
        sent = step.event->sent;
    }

    if (! step.inRun() && message == removalMessage && removalMessage != 0)
    {
        const int hidNo = static_cast<int> (wParam);
        removed.insert (hidNo);
        // Unplugging cuts the power: the block under way is lost.
        loader.forgetBlock();
        for (Call* call : calls)
            if (call->state == Call::State::waiting && call->function == Function::write && call->values[0] == hidNo)
            {
                call->answered = true;
                call->results = { 0 };
                call->state = Call::State::done;
            }
    }
    else if (! step.inRun() && message == arrivalMessage && arrivalMessage != 0)
        removed.clear();

    std::unique_lock<std::mutex> post (postLock);
    lock.unlock();
    if (window != nullptr)
    {
        // A recording made on Windows may say "sent"; the Linux window can
        // only be posted to, and sendNotice posts there.
        if (sent)
            sendNotice (window, message, wParam, lParam);
        else
            postNotice (window, message, wParam, lParam);
    }
    post.unlock();
    lock.lock();
}

std::string Replayer::describe (const Call& call) const
{
    std::string text = std::string ("> ") + vqdrec::functionName (call.function);
    if (call.function == Function::setCallback)
    {
        text += call.values[0] != 0 ? " window" : " null";
        for (std::size_t i = 1; i < call.values.size(); ++i)
        {
            char number[24];
            std::snprintf (number, sizeof (number), " 0x%" PRIx64, static_cast<uint64_t> (call.values[i]) & 0xFFFFFFFFu);
            text += number;
        }
        return text;
    }
    for (std::size_t i = 0; i < call.values.size(); ++i)
        text += " " + std::to_string (call.values[i]);
    if (call.function == Function::write)
        text += " " + vqdrec::RecordingReader::formatReport (call.report.data(), call.report.size());
    return text;
}

void Replayer::finishSession()
{
    if (! scenario.dumpPath.empty())
    {
        const std::vector<uint8_t>& flash = loader.flash();
        if (! RecordingFile::writeAll (scenario.dumpPath, flash.data(), flash.size()))
            std::fprintf (stderr, "vqdtrm4hid: could not write the flash dump %s\n", scenario.dumpPath.c_str());
    }

    // The recording goes on with calls the program did not make.
    if (cursor->callsLeft())
        fail ("vqdtrm4 replay: stopped early at line " + std::to_string (cursor->current().event->line) + " of "
              + scenario.replayPath + ": HID_Finalize came, but the recording goes on with \"" + cursor->describe()
              + "\"");
}

// ---------------------------------------------------------------------------
// The library's functions

void Replayer::initialize (void*)
{
    Call call;
    call.function = Function::initialize;
    perform (call);
}

void Replayer::setCallback (HidWindowHandle newWindow, unsigned int input, unsigned int arrival, unsigned int removal)
{
    Call call;
    call.function = Function::setCallback;
    call.values = { newWindow != nullptr ? 1 : 0, input, arrival, removal };
    {
        // The window is taken as the call comes in: notices recorded
        // between its entry and its return go to it already.
        std::lock_guard<std::mutex> post (postLock);
        if (newWindow != nullptr)
            window = newWindow;
    }
    perform (call);

    std::lock_guard<std::mutex> post (postLock);
    if (newWindow == nullptr)
        window = nullptr;
}

void Replayer::start()
{
    Call call;
    call.function = Function::start;
    perform (call);
}

void Replayer::stop()
{
    Call call;
    call.function = Function::stop;
    perform (call);
}

void Replayer::finalize()
{
    Call call;
    call.function = Function::finalize;
    perform (call);

    {
        StateLock lock (stateLock);
        if (call.answered)
            finishSession();
        std::lock_guard<std::mutex> post (postLock);
        window = nullptr;
    }

    // The replay's thread ends with the recording, or has ended at a
    // divergence: the session leaves no thread of the library behind.
    if (worker.joinable() && worker.get_id() != std::this_thread::get_id())
        worker.join();
}

int Replayer::enumerate (int* hidNumbers)
{
    Call call;
    call.function = Function::enumHidNo;
    perform (call);
    if (! call.answered || call.results.empty())
        return 0;

    if (hidNumbers != nullptr)
        for (std::size_t i = 1; i < call.results.size() && i <= HID_MAX_DEVICES; ++i)
            hidNumbers[i - 1] = static_cast<int> (call.results[i]);
    return static_cast<int> (call.results[0]);
}

int Replayer::deviceType (int hidNo)
{
    Call call;
    call.function = Function::getDeviceType;
    call.values = { hidNo };
    perform (call);
    return call.answered && ! call.results.empty() ? static_cast<int> (call.results[0]) : 0;
}

int Replayer::firmwareVersion (int type, int* values, int count)
{
    Call call;
    call.function = Function::getFirmwareVersion;
    call.values = { type, count };
    if (values != nullptr)
        for (int i = 0; i < std::min (count, maxListedValues); ++i)
            call.values.push_back (values[i]);
    perform (call);
    if (! call.answered || call.results.empty())
        return 0;

    if (values != nullptr)
        for (std::size_t i = 1; i < call.results.size() && static_cast<int> (i) <= count; ++i)
            values[i - 1] = static_cast<int> (call.results[i]);
    return static_cast<int> (call.results[0]);
}

int Replayer::write (int hidNo, const unsigned char* report, int length)
{
    Call call;
    call.function = Function::write;
    call.values = { hidNo, length };
    if (report != nullptr && length > 0)
        call.report.assign (report, report + std::min<int64_t> (length, maxCopiedBytes));
    perform (call);
    return call.answered && ! call.results.empty() ? static_cast<int> (call.results[0]) : 0;
}

void Replayer::input (int hidNo, unsigned char* buffer, int* length)
{
    if (buffer == nullptr || length == nullptr)
        return;

    Call call;
    call.function = Function::input;
    call.values = { hidNo, *length };
    perform (call);
    if (! call.answered || call.results.empty())
    {
        *length = 0;
        return;
    }

    // The recorded report without its trailing zeros, as long as the
    // recorded length says, within the caller's buffer.
    const int64_t given = std::clamp<int64_t> (call.results[0], 0, std::max (*length, 0));
    for (int64_t i = 0; i < given; ++i)
        buffer[i] = static_cast<std::size_t> (i) < call.resultReport.size() ? call.resultReport[static_cast<std::size_t> (i)] : 0;
    *length = static_cast<int> (call.results[0]);
}

} // namespace detail
} // namespace vqdsim
