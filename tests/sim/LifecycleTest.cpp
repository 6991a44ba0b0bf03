// The library's life cycle as the program drives it: the device thread,
// the callback, the call log, configure() and the flash dump.
#include "SimTestSupport.h"

#include <dirent.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <thread>

using namespace simtest;

namespace
{

class Lifecycle : public SimSession
{
};

int threadsOfThisProcess()
{
    int count = 0;
    if (DIR* tasks = opendir ("/proc/self/task"))
    {
        while (const dirent* entry = readdir (tasks))
            if (entry->d_name[0] != '.')
                ++count;
        closedir (tasks);
    }
    return count;
}

// A thread that has been joined can linger in /proc for a moment while the
// kernel finishes with it, so wait for the count rather than read it once.
int threadsSettledAt (int expected)
{
    const auto giveUp = Clock::now() + patience;
    int count = threadsOfThisProcess();
    while (count != expected && Clock::now() < giveUp)
    {
        std::this_thread::sleep_for (std::chrono::milliseconds (1));
        count = threadsOfThisProcess();
    }
    return count;
}

template <typename Condition>
bool eventually (Condition condition)
{
    const auto giveUp = Clock::now() + patience;
    while (! condition())
    {
        if (Clock::now() > giveUp)
            return false;
        std::this_thread::sleep_for (std::chrono::milliseconds (1));
    }
    return true;
}

// The threads of this process before the library starts one. A sanitizer's
// runtime may start a thread of its own along with the first thread the
// process makes (ThreadSanitizer does), which would then be counted as the
// library's. So one thread is started and ended first, and the count is
// taken once it has left /proc.
int threadsBeforeTheLibrary()
{
    pid_t firstThread = 0;
    std::thread ([&firstThread] { firstThread = static_cast<pid_t> (syscall (SYS_gettid)); }).join();
    const std::string entry = "/proc/self/task/" + std::to_string (firstThread);
    EXPECT_TRUE (eventually ([&entry] { return access (entry.c_str(), F_OK) != 0; }))
        << "a joined thread stays in " << entry;
    return threadsOfThisProcess();
}

TEST_F (Lifecycle, StopEndsTheDeviceThread)
{
    vqdsim::configure (vqdsim::Scenario {});
    const int before = threadsBeforeTheLibrary();
    ASSERT_GT (before, 0) << "cannot count threads here";

    open();
    EXPECT_TRUE (vqdsim::threadRunning());
    EXPECT_EQ (threadsSettledAt (before + 1), before + 1);
    EXPECT_EQ (exchange (command (0xF0, 0x00))[1], 0x80);

    HID_Stop();
    EXPECT_FALSE (vqdsim::threadRunning());
    EXPECT_EQ (threadsSettledAt (before), before);

    // Stopping twice is harmless, and starting twice makes one thread.
    HID_Stop();
    HID_Start();
    HID_Start();
    EXPECT_TRUE (vqdsim::threadRunning());
    EXPECT_EQ (threadsSettledAt (before + 1), before + 1);
    EXPECT_EQ (exchange (command (0xF0, 0x00))[1], 0x80);

    close();
    EXPECT_FALSE (vqdsim::threadRunning());
    EXPECT_EQ (threadsSettledAt (before), before);
}

// A window whose post() holds the device thread until the test lets it go.
class HeldWindow
{
public:
    HeldWindow()
    {
        target.window.post = &HeldWindow::post;
        target.owner = this;
    }

    HidWindow* handle() { return &target.window; }

    bool waitUntilHeld()
    {
        std::unique_lock<std::mutex> guard (lock);
        return changed.wait_for (guard, patience, [this] { return inPost; });
    }

    void release()
    {
        {
            std::lock_guard<std::mutex> guard (lock);
            released = true;
        }
        changed.notify_all();
    }

private:
    struct Target
    {
        HidWindow window;
        HeldWindow* owner;
    };

    static void post (HidWindow* window, unsigned int, uintptr_t, intptr_t)
    {
        HeldWindow* self = reinterpret_cast<Target*> (window)->owner;
        std::unique_lock<std::mutex> guard (self->lock);
        self->inPost = true;
        self->changed.notify_all();
        self->changed.wait (guard, [self] { return self->released; });
    }

    Target target;
    std::mutex lock;
    std::condition_variable changed;
    bool inPost = false;
    bool released = false;
};

TEST_F (Lifecycle, StopReturnsOnlyOnceTheDeviceThreadHasEnded)
{
    const int before = threadsBeforeTheLibrary();
    HeldWindow held;
    open (vqdsim::Scenario {}, held.handle());

    ASSERT_EQ (HID_Write (vqdsim::controllerHidNo, command (0xF0, 0x00).data(), 64), 1);
    ASSERT_TRUE (held.waitUntilHeld());

    // The device thread is inside post(): HID_Stop has to wait for it.
    std::atomic<bool> stopReturned { false };
    std::thread stopper ([&] {
        HID_Stop();
        stopReturned = true;
    });
    std::this_thread::sleep_for (std::chrono::milliseconds (20));
    EXPECT_FALSE (stopReturned) << "HID_Stop returned while its thread was still running";

    held.release();
    stopper.join();
    EXPECT_TRUE (stopReturned);
    EXPECT_FALSE (vqdsim::threadRunning());
    EXPECT_EQ (threadsSettledAt (before), before);
    close();
}

TEST_F (Lifecycle, ClearingTheCallbackWaitsForAPostUnderWay)
{
    // Once HID_SetCallback(NULL, ...) returns, the program may destroy its
    // window, so no post() may still be running in it by then.
    HeldWindow held;
    open (vqdsim::Scenario {}, held.handle());

    ASSERT_EQ (HID_Write (vqdsim::controllerHidNo, command (0xF0, 0x00).data(), 64), 1);
    ASSERT_TRUE (held.waitUntilHeld());

    std::atomic<bool> cleared { false };
    std::thread clearer ([&] {
        HID_SetCallback (nullptr, 0, 0, 0);
        cleared = true;
    });
    std::this_thread::sleep_for (std::chrono::milliseconds (20));
    EXPECT_FALSE (cleared) << "HID_SetCallback(NULL) returned while post() was running";

    held.release();
    clearer.join();
    EXPECT_TRUE (cleared);
    close();
}

TEST_F (Lifecycle, FlashAndWaitingCommandsSurviveARestart)
{
    open();
    const std::vector<uint8_t> block = patternBytes (500, 11);
    writeBlock (0xF2, 0x0A0000, block);

    HID_Stop();
    // Accepted while stopped, answered once the device runs again.
    ASSERT_EQ (HID_Write (vqdsim::controllerHidNo, command (0xF0, 0x01).data(), 64), 1);
    HID_Start();
    EXPECT_EQ (receive()[1], 0x82);

    const std::vector<uint8_t> image2 = vqdsim::flashRegion (0xF2);
    ASSERT_EQ (image2.size(), 0x140000u);
    EXPECT_TRUE (std::equal (block.begin(), block.end(), image2.begin() + 0x10000));
}

TEST_F (Lifecycle, NothingIsPostedOnceTheCallbackIsCleared)
{
    vqdsim::Scenario scenario;
    scenario.answerDelayUs = 5000;
    scenario.secondController = true;
    open (scenario);

    // Answers still on their way when the callback goes (5 ms apart, so
    // most of them are), and below, everything that happens afterwards.
    const int pending = 10;
    for (int i = 0; i < pending; ++i)
        ASSERT_EQ (HID_Write (vqdsim::controllerHidNo, command (0xF0, 0x00).data(), 64), 1);
    Notice first;
    ASSERT_TRUE (window.next (first));

    HID_SetCallback (nullptr, 0, 0, 0);
    const int postsAtClear = window.postCount();

    ASSERT_EQ (HID_Write (vqdsim::secondControllerHidNo, command (0xF0, 0x00).data(), 64), 1);
    const uint8_t report[2] = { 0xF0, 0x80 };
    vqdsim::injectReport (vqdsim::controllerHidNo, report, 2);
    ASSERT_TRUE (eventually ([] { return vqdsim::stats().answersSent >= pending + 1; }));
    vqdsim::unplug (vqdsim::secondControllerHidNo);
    vqdsim::plug (vqdsim::secondControllerHidNo);
    EXPECT_EQ (window.postCount(), postsAtClear);

    // The answers themselves are still handed over to whoever asks.
    int handedOver = 0;
    for (;;)
    {
        Report answer {};
        int length = 64;
        HID_Input (vqdsim::controllerHidNo, answer.data(), &length);
        if (length == 0)
            break;
        ++handedOver;
    }
    EXPECT_EQ (handedOver, pending + 1);
}

TEST_F (Lifecycle, CallLogNamesEachCall)
{
    open();
    int numbers[HID_MAX_DEVICES] = {};
    HID_EnumHIDno (numbers);
    HID_GetDeviceType (numbers[0]);
    int values[2] = { 0, 0 };
    HID_GetFirmwareVersion (0x38, values, 1);
    exchange (command (0xF0, 0x00)); // HID_Write and HID_Input are counted, not logged
    close();

    const std::vector<std::string> expected { "HID_Initialize", "HID_SetCallback(window)",
                                              "HID_Start", "HID_EnumHIDno",
                                              "HID_GetDeviceType", "HID_GetFirmwareVersion",
                                              "HID_Stop", "HID_SetCallback(null)",
                                              "HID_Finalize" };
    EXPECT_EQ (vqdsim::callLog(), expected);

    vqdsim::clearCallLog();
    EXPECT_TRUE (vqdsim::callLog().empty());
    HID_EnumHIDno (numbers);
    EXPECT_EQ (vqdsim::callLog(), std::vector<std::string> { "HID_EnumHIDno" });
}

std::vector<std::string> linesOf (const std::string& path)
{
    std::vector<std::string> lines;
    std::ifstream file (path);
    for (std::string line; std::getline (file, line);)
        lines.push_back (line);
    return lines;
}

TEST_F (Lifecycle, CallLogFileGetsEachLineAsTheCallIsMade)
{
    const std::string path = ::testing::TempDir() + "vqdsim_calls_" + std::to_string (::getpid()) + ".log";
    {
        // What an earlier run left there stays.
        std::ofstream earlier (path, std::ios::trunc);
        earlier << "earlier run\n";
    }

    vqdsim::Scenario scenario;
    scenario.logPath = path;
    open (scenario);

    // Before the session closes: each line is there as soon as its call has
    // returned, not only at the end.
    EXPECT_EQ (linesOf (path),
               (std::vector<std::string> { "earlier run", "HID_Initialize", "HID_SetCallback(window)", "HID_Start" }));

    int numbers[HID_MAX_DEVICES] = {};
    ASSERT_EQ (HID_EnumHIDno (numbers), 1);
    HID_GetDeviceType (numbers[0]);
    int values[2] = { 0, 0 };
    HID_GetFirmwareVersion (0x38, values, 1);
    exchange (command (0xF0, 0x00)); // not logged, in the file neither
    EXPECT_EQ (linesOf (path).back(), "HID_GetFirmwareVersion");

    // Clearing the in-process log leaves the file alone.
    vqdsim::clearCallLog();
    close();

    const std::vector<std::string> expected { "earlier run", "HID_Initialize", "HID_SetCallback(window)",
                                              "HID_Start", "HID_EnumHIDno", "HID_GetDeviceType",
                                              "HID_GetFirmwareVersion", "HID_Stop", "HID_SetCallback(null)",
                                              "HID_Finalize" };
    EXPECT_EQ (linesOf (path), expected);
    EXPECT_EQ (vqdsim::callLog(),
               (std::vector<std::string> { "HID_Stop", "HID_SetCallback(null)", "HID_Finalize" }));

    // A scenario without a log path writes nothing more there.
    vqdsim::configure (vqdsim::Scenario {});
    HID_Initialize (&instanceTag);
    HID_Finalize();
    EXPECT_EQ (linesOf (path), expected);
    std::remove (path.c_str());
}

TEST_F (Lifecycle, CallLogFileThatCannotBeWrittenIsReportedOnce)
{
    vqdsim::Scenario scenario;
    scenario.logPath = ::testing::TempDir() + "vqdsim_no_such_folder_" + std::to_string (::getpid()) + "/calls.log";

    ::testing::internal::CaptureStderr();
    open (scenario);
    close();
    const std::string said = ::testing::internal::GetCapturedStderr();

    EXPECT_NE (said.find (scenario.logPath), std::string::npos) << said;
    EXPECT_EQ (std::count (said.begin(), said.end(), '\n'), 1) << said;
    // The in-process log does not depend on the file.
    EXPECT_EQ (vqdsim::callLog().size(), 6u);
}

TEST_F (Lifecycle, ConfigureStartsAfresh)
{
    open();
    writeBlock (0xF7, 0x1D0000, patternBytes (64, 1));
    ASSERT_GT (vqdsim::stats().answersSent, 0);

    vqdsim::Scenario scenario;
    scenario.flashFill = 0x00;
    vqdsim::configure (scenario);
    EXPECT_FALSE (vqdsim::threadRunning());

    const std::vector<uint8_t> flash = vqdsim::flashImage();
    ASSERT_EQ (flash.size(), vqdsim::flashEnd);
    EXPECT_TRUE (std::all_of (flash.begin(), flash.end(), [] (uint8_t b) { return b == 0x00; }));
    const vqdsim::Stats stats = vqdsim::stats();
    EXPECT_EQ (stats.answersSent, 0);
    EXPECT_EQ (stats.reportsReceived, 0);
    EXPECT_TRUE (stats.blocks.empty());
    EXPECT_EQ (stats.commands[0x03], 0);
    EXPECT_TRUE (vqdsim::commitPollTimesUs().empty());
    EXPECT_TRUE (vqdsim::callLog().empty());

    // The regions are cut from that one flash.
    EXPECT_EQ (vqdsim::flashRegion (0xF1).size(), 0x090000u);
    EXPECT_EQ (vqdsim::flashRegion (0xF2).size(), 0x140000u);
    EXPECT_EQ (vqdsim::flashRegion (0xF7).size(), 0x010000u);
    EXPECT_TRUE (vqdsim::flashRegion (0xF0).empty());
    HID_Start();
    EXPECT_EQ (exchange (command (0xF0, 0x00))[1], 0x80);
}

TEST_F (Lifecycle, FinalizeWritesTheFlashDump)
{
    const std::string path = ::testing::TempDir() + "vqdsim_dump_" + std::to_string (::getpid()) + ".bin";
    std::remove (path.c_str());

    vqdsim::Scenario scenario;
    scenario.flashFill = 0x5A;
    scenario.dumpPath = path;
    open (scenario);
    const std::vector<uint8_t> first = patternBytes (0x1000, 21);
    const std::vector<uint8_t> last = patternBytes (0x100, 22);
    writeBlock (0xF2, 0x090000, first);
    writeBlock (0xF7, 0x1DFF00, last);
    close();

    std::ifstream file (path, std::ios::binary);
    ASSERT_TRUE (file.good()) << path;
    const std::vector<uint8_t> dump ((std::istreambuf_iterator<char> (file)), std::istreambuf_iterator<char>());
    std::remove (path.c_str());

    ASSERT_EQ (dump.size(), vqdsim::flashEnd);
    EXPECT_TRUE (dump == vqdsim::flashImage());
    EXPECT_TRUE (std::equal (first.begin(), first.end(), dump.begin() + 0x090000));
    EXPECT_TRUE (std::equal (last.begin(), last.end(), dump.begin() + 0x1DFF00));
    EXPECT_EQ (dump[0], 0x5A);
    EXPECT_EQ (dump[0x090000 + 0x1000], 0x5A);
}

} // namespace
