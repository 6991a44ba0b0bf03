// Drives the simulated controller through the library's real C functions,
// the way the program does: a notification window whose post() only queues,
// HID_Write for commands and HID_Input for answers.
#pragma once

#include "device/VqdTrm4Hid.h"
#include "sim/SimControl.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <initializer_list>
#include <mutex>
#include <vector>

namespace simtest
{

using Report = std::array<uint8_t, 64>;
using Clock = std::chrono::steady_clock;

constexpr unsigned int removalMessage = 0x401;
constexpr unsigned int arrivalMessage = 0x402;
constexpr unsigned int inputMessage = 0x403;

// How long a test waits for something the library must do before calling it
// a failure. It only guards against hanging; nothing is measured with it.
constexpr auto patience = std::chrono::seconds (5);

struct Notice
{
    unsigned int message = 0;
    uintptr_t wParam = 0;
    intptr_t lParam = 0;
    Clock::time_point at;
};

class TestWindow
{
public:
    TestWindow();
    TestWindow (const TestWindow&) = delete;
    TestWindow& operator= (const TestWindow&) = delete;

    HidWindow* handle() { return &target.window; }

    // Takes the oldest notice, waiting for one if none is queued yet.
    bool next (Notice& notice);
    // The notices queued right now, without waiting.
    std::vector<Notice> takeAll();
    // Every post() the library ever made to this window.
    int postCount() const;

private:
    struct Target
    {
        HidWindow window; // first, so that the library's pointer is ours too
        TestWindow* owner;
    };

    static void post (HidWindow* window, unsigned int message, uintptr_t wParam, intptr_t lParam);

    Target target;
    mutable std::mutex lock;
    std::condition_variable arrived;
    std::deque<Notice> queue;
    int posts = 0;
};

// Command reports as the program builds them: zeroed, then the named fields.
Report command (uint8_t target, uint8_t code);
Report prepareCommand (uint8_t target, uint32_t address, uint32_t length);
Report blockStartCommand (uint8_t target, uint32_t address, uint32_t length);
Report dataCommand (uint8_t target, const uint8_t* bytes, std::size_t count);
Report lastLengthCommand (uint8_t target, uint8_t count);
Report blockSumCommand (uint8_t target, uint32_t sum);

uint32_t byteSum (const std::vector<uint8_t>& bytes);
std::vector<uint8_t> patternBytes (std::size_t count, uint32_t seed);

// The reports that carry one block after its block start, cut the way the
// program cuts them: 62 bytes a report, the last piece announced by a last
// length report even when it is a full 62 bytes.
std::vector<Report> dataReportsFor (uint8_t target, const std::vector<uint8_t>& block);

uint32_t le32 (const Report& report, std::size_t offset);

// One session with the library per test, closed in the program's order.
class SimSession : public ::testing::Test
{
protected:
    void TearDown() override;

    // Starts a session whose notices go to `target`, this fixture's window
    // by default.
    void open (const vqdsim::Scenario& scenario = vqdsim::Scenario {}, HidWindow* target = nullptr);
    void close();

    // Sends one command to `hidNo` and returns its answer; fails the test if
    // the write is refused or no input notice for that device comes.
    Report exchange (const Report& report, int hidNo = vqdsim::controllerHidNo);
    // Sends every command first and then collects as many answers.
    std::vector<Report> exchangeAll (const std::vector<Report>& reports, int hidNo = vqdsim::controllerHidNo);
    // Waits for the next notice and expects it to be an input notice of
    // `hidNo`, then takes that report.
    Report receive (int hidNo = vqdsim::controllerHidNo);
    // Waits for the next notice and expects `message` with `wParam`.
    Notice expectNotice (unsigned int message, uintptr_t wParam);

    // Writes one whole block (start, data, sum, commit) and expects every
    // step to be accepted.
    void writeBlock (uint8_t target, uint32_t address, const std::vector<uint8_t>& block);

    // True when no notice is queued and no answer waits for `hidNo`.
    void expectQuiet (int hidNo = vqdsim::controllerHidNo);

    TestWindow window;
    bool opened = false;
    int instanceTag = 0;
};

} // namespace simtest
