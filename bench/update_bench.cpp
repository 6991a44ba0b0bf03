// A whole update against the simulated controller, timed: once with the
// controller answering at once, to see what the program itself costs per
// round trip, and once with it answering like a full-speed USB interrupt
// endpoint, at the first 1 ms frame boundary after each command arrives, to
// see how close the update comes to the pace the protocol allows.
//
//   build/bin/update_bench [runs] [--no-framed]
//
// The last line reads "round trip: N us; framed run: R x floor", where N is
// the program's own cost per round trip (the CPU time of its threads, the
// simulated device's thread left out) and R the framed run's time over its
// floor (round trips at 1 ms plus the pauses the worker prescribes).
//
// Each run also times the three thread hand-overs of a round trip on their
// own, with no work between them, and the line before the last gives that
// floor and what the program spends above it: most of N is what this machine
// charges for putting threads to sleep and waking them, which the program
// cannot do without.
#include "MessageLoop.h"
#include "support/ThreadTimes.h"
#include "sim/SimControl.h"
#include "tools/UpdateFileMaker.h"
#include "update/UpdateEngine.h"

#include <juce_events/juce_events.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
#include <set>
#include <sstream>
#include <thread>
#include <vector>

namespace
{
// The engine with a screen that only takes the lock, as the main component
// does around its composition.
class BenchEngine : public UpdateEngine
{
public:
    ~BenchEngine() override
    {
        stopWorker();
        closeDevice();
    }

    void handleAsyncUpdate() override
    {
        const juce::ScopedLock sl (statusLock);
        ++compositions;
    }

    int compositions = 0;
};

struct RunResult
{
    bool ok = false;
    double totalMs = 0; // from the user's confirmation to the finish command
    double dataMs = 0;  // the same, without the commit polling
    int roundTrips = 0; // commands that were answered
    int reports = 0;    // reports sent, the finish command included
    int commitPolls = 0;
    int blocks = 0;
    double floorMs = 0;       // round trips at 1 ms plus the prescribed pauses
    double programCpuUs = 0;  // CPU time of the program's threads, the simulator's left out
    double programUserUs = 0; // the part of it spent in user space
};

RunResult runUpdate (const juce::File& folder, bool framed)
{
    vqdsim::Scenario scenario;
    UpdateFileMaker::parseDate ("20230715", scenario.date);
    scenario.framed = framed;
    vqdsim::configure (scenario);

    BenchEngine engine;
    engine.setUpdateFolder (folder);

    // The thread that appears with the session is the simulated device's;
    // its time is the controller's, not the program's.
    const auto before = ThreadTimes::threadIds();
    engine.openDevice();
    std::set<int> deviceThreads;

    for (int id : ThreadTimes::threadIds())
        if (before.count (id) == 0)
            deviceThreads.insert (id);

    auto programUserUs = [&] {
        double us = ThreadTimes::processUserSystemUs().first;

        for (int id : deviceThreads)
            us -= ThreadTimes::threadUserSystemUs (id).first;

        return us;
    };

    auto deviceCpuUs = [&] {
        double us = 0;

        for (int id : deviceThreads)
            us += ThreadTimes::threadCpuUs (id);

        return us;
    };

    RunResult result;

    if (! engine.startFromIdle())
        return result;

    MessageLoop::runUntil ([&] { return engine.getUpdateState() == stateReady || ! engine.isThreadRunning(); }, 60000);

    if (engine.getUpdateState() != stateReady)
        return result;

    const auto statsBefore = vqdsim::stats();
    const double cpuBefore = ThreadTimes::processCpuUs() - deviceCpuUs();
    const double userBefore = programUserUs();
    const double start = juce::Time::getMillisecondCounterHiRes();
    engine.confirmUpdate();
    MessageLoop::runUntil ([&] { return ! engine.isThreadRunning(); }, 600000);
    const double end = juce::Time::getMillisecondCounterHiRes();
    result.programCpuUs = ThreadTimes::processCpuUs() - deviceCpuUs() - cpuBefore;
    result.programUserUs = programUserUs() - userBefore;

    const auto stats = vqdsim::stats();
    const auto polls = vqdsim::commitPollTimesUs();

    const auto file = UpdateFileMaker::make ({});
    result.ok = engine.getUpdateState() == stateComplete
                && vqdsim::flashImage() == std::vector<uint8_t> (file.begin(), file.begin() + vqdsim::flashEnd);
    result.totalMs = end - start;
    result.reports = stats.reportsReceived - statsBefore.reportsReceived;
    result.roundTrips = result.reports - 1; // the finish command has no answer
    result.commitPolls = (int) polls.size();
    result.blocks = (int) stats.blocks.size();

    // Each block's polling starts 100 ms before its first poll and ends with
    // the poll that found the block written.
    double pollingMs = 0;

    for (size_t i = 0; i < polls.size();)
    {
        size_t j = i;

        while (j + 1 < polls.size() && polls[j + 1] - polls[j] < 150000)
            ++j;

        pollingMs += 100.0 + (double) (polls[j] - polls[i]) / 1000.0;
        i = j + 1;
    }

    result.dataMs = result.totalMs - pollingMs;

    // Passes after the confirmation: prepare, three per block (start, data,
    // checksum) and one per poll, and the last block start that completes.
    const int passes = 1 + 3 * result.blocks + result.commitPolls + 1;
    result.floorMs = result.roundTrips * 1.0 + result.commitPolls * 100.0 + (passes - result.commitPolls) * 1.0;
    return result;
}

// The machine's own floor for a round trip: the same three hand-overs as an
// answered command, with no work between them. A worker thread wakes a
// "device" thread through a condition variable, as a write wakes the
// simulator's thread; that thread queues a call to the message thread, as the
// library's callback does; the message thread sets the worker's event, as
// the report-received handler does. Counted like the program: the CPU time
// of the worker and the message thread, the device thread's left out.
double handOverFloorUs (int roundTrips)
{
    struct Ring
    {
        std::mutex lock;
        std::condition_variable changed;
        int requests = 0;
        bool stop = false;
        juce::WaitableEvent answered;
        std::atomic<int> tid { 0 };
    };

    auto ring = std::make_shared<Ring>();

    std::thread device ([ring] {
        ring->tid = ThreadTimes::currentThreadId();
        std::unique_lock<std::mutex> lock (ring->lock);

        for (;;)
        {
            ring->changed.wait (lock, [&] { return ring->stop || ring->requests > 0; });

            if (ring->stop)
                return;

            --ring->requests;
            lock.unlock();
            juce::MessageManager::callAsync ([ring] { ring->answered.signal(); });
            lock.lock();
        }
    });

    while (ring->tid == 0)
        std::this_thread::yield();

    const int deviceTid = ring->tid;
    std::atomic<bool> finished { false };

    class Worker : public juce::Thread
    {
    public:
        Worker (Ring& r, int trips, std::atomic<bool>& f) : juce::Thread ("HandOver"), ring (r), count (trips), finished (f) {}

        void run() override
        {
            for (int i = 0; i < count; ++i)
            {
                {
                    const std::lock_guard<std::mutex> lock (ring.lock);
                    ++ring.requests;
                }

                ring.changed.notify_all();

                if (! ring.answered.wait (10000))
                    break;

                ring.answered.reset();
            }

            finished = true;
        }

        Ring& ring;
        const int count;
        std::atomic<bool>& finished;
    };

    Worker worker (*ring, roundTrips, finished);
    const double cpuBefore = ThreadTimes::processCpuUs() - ThreadTimes::threadCpuUs (deviceTid);
    worker.startThread();
    MessageLoop::runUntil ([&] { return finished.load(); }, 600000);
    worker.stopThread (10000);
    const double cpu = ThreadTimes::processCpuUs() - ThreadTimes::threadCpuUs (deviceTid) - cpuBefore;

    {
        const std::lock_guard<std::mutex> lock (ring->lock);
        ring->stop = true;
    }

    ring->changed.notify_all();
    device.join();
    return cpu / roundTrips;
}

double median (std::vector<double> values)
{
    std::sort (values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}
} // namespace

int main (int argc, char** argv)
{
    const int runs = argc > 1 ? std::max (1, atoi (argv[1])) : 3;
    const bool withFramed = ! (argc > 2 && juce::String (argv[2]) == "--no-framed");

    juce::ScopedJuceInitialiser_GUI juce;

    const auto folder = juce::File::getSpecialLocation (juce::File::tempDirectory)
                            .getNonexistentChildFile ("vqdtrm4_bench_", "", false);
    folder.createDirectory();
    UpdateFileMaker::write (folder.getChildFile ("vqdtrm4__v102.bin"), {});

    std::vector<double> roundTripUs, ratios, floorUs;
    RunResult last;
    bool allOk = true;

    for (int run = 0; run < runs; ++run)
    {
        const auto fast = runUpdate (folder, false);
        floorUs.push_back (handOverFloorUs (fast.roundTrips));
        const auto framed = withFramed ? runUpdate (folder, true) : RunResult { true };
        allOk = allOk && fast.ok && framed.ok;

        // Without answer delay, what is left of the time after the prescribed
        // pauses is the latency of the round trips: the program's work, the
        // simulated device's and three thread hand-overs. The program's own
        // cost is the CPU time its threads spent, the device's left out.
        const double pausesMs = fast.floorMs - fast.roundTrips * 1.0;
        const double latencyUs = (fast.totalMs - pausesMs) * 1000.0 / fast.roundTrips;
        const double perTripUs = fast.programCpuUs / fast.roundTrips;
        roundTripUs.push_back (perTripUs);
        if (withFramed)
            ratios.push_back (framed.totalMs / framed.floorMs);

        std::printf ("run %d: %d reports (%d round trips, %d blocks, %d commit polls)\n",
                     run + 1, fast.reports, fast.roundTrips, fast.blocks, fast.commitPolls);
        std::printf ("  no delay: total %.0f ms, data phase %.0f ms, %.1f us latency and %.1f us of the program's CPU"
                     " (%.1f us in user space) per round trip\n",
                     fast.totalMs, fast.dataMs, latencyUs, perTripUs, fast.programUserUs / fast.roundTrips);
        std::printf ("  hand-over floor: %.1f us of CPU per round trip for the same three hand-overs with no work\n",
                     floorUs.back());
        if (withFramed)
            std::printf ("  framed:   total %.0f ms, data phase %.0f ms, floor %.0f ms, %.4f x floor\n",
                         framed.totalMs, framed.dataMs, framed.floorMs, framed.totalMs / framed.floorMs);
        last = framed;
    }

    folder.deleteRecursively();

    if (! allOk)
        std::printf ("warning: an update did not end complete with the flash equal to the file\n");

    std::printf ("hand-over floor: %.0f us; the program's work above it: %.0f us\n",
                 median (floorUs), median (roundTripUs) - median (floorUs));
    std::printf ("round trip: %.0f us; framed run: %.3f x floor\n", median (roundTripUs), median (ratios));
    return allOk ? 0 : 1;
}
