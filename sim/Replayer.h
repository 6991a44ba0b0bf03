// Plays a recording of a real controller (Scenario::replayPath) behind the
// library's ten functions, in place of the emulation: the program's calls
// are matched in order against the recording's calls and get the recorded
// results after the recorded time; the recorded notices are posted to the
// program's window from a thread of the replay's own. The first call that
// is not the recording's next one is a divergence: it is reported at once
// (and ends the running program with status 3) and from then on the library
// answers nothing.
//
// Locking: `stateLock` guards everything but the window; `postLock` guards
// the window and is taken before `stateLock` is let go for a notice, so that
// once HID_SetCallback has replaced the window no notice is still going to
// the old one. A call's thread and the replay's thread both move the replay
// on: a call plays its own entry and return (no hand-over to another thread
// for each of the thousands of block data calls), the replay's thread plays
// the notices.
#pragma once

#include "device/VqdTrm4Hid.h"
#include "recording/Recording.h"
#include "sim/FirmwareLoader.h"
#include "sim/LibraryBackend.h"
#include "sim/ReplayCursor.h"
#include "sim/Scenario.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace vqdsim
{
namespace detail
{

class Replayer final : public LibraryBackend
{
public:
    static Replayer& instance();

    // The replay, when one is set; nullptr when the emulation answers.
    static Replayer* active();

    // Called by HID_Initialize: when no scenario was set in-process, reads
    // VQDTRM4_SIM and sets up the replay it names, if any. Returns the
    // replay, or nullptr when the emulation is to answer.
    static Replayer* forSession();

    // The in-process control (vqdsim::configure and vqdsim::reset).
    void configure (const Scenario& scenario);
    void forget();
    ReplayOutcome outcome();
    std::vector<uint8_t> flashImage();

    // The library's functions.
    void initialize (void* moduleInstance) override;
    void setCallback (HidWindowHandle window, unsigned int inputMessage, unsigned int arrivalMessage,
                      unsigned int removalMessage) override;
    void start() override;
    void stop() override;
    void finalize() override;
    int enumerate (int* hidNumbers) override;
    int deviceType (int hidNo) override;
    int firmwareVersion (int type, int* values, int count) override;
    int write (int hidNo, const unsigned char* report, int length) override;
    void input (int hidNo, unsigned char* buffer, int* length) override;

private:
    using Clock = std::chrono::steady_clock;
    using StateLock = std::unique_lock<std::mutex>;

    // One call of the program, from its arrival to its return.
    struct Call
    {
        vqdrec::Function function = vqdrec::Function::initialize;
        std::vector<int64_t> values;
        std::vector<uint8_t> report;
        Clock::time_point arrival;

        enum class State
        {
            waiting, // for its turn
            entered, // matched; waits for its result
            done
        };
        State state = State::waiting;
        ReplayStep resultStep; // where its result is, once entered
        Clock::time_point enteredAt;
        int64_t enteredUs = 0; // the recorded time of its entry

        bool answered = false; // false: the library answers nothing
        std::vector<int64_t> results;
        std::vector<uint8_t> resultReport;
    };

    Replayer() = default;

    void load (const Scenario& scenario, bool fromEnvironment);
    void stopReplay();
    void run();

    // Plays the call through the replay and returns once it has its result
    // (or the replay diverged or stopped).
    void perform (Call& call);

    // Plays the current step if it can be played now by this thread (the
    // replay's own plays notices, every thread plays calls and results).
    // False when it cannot; `wakeAt` says when it might.
    bool playOne (StateLock& lock, bool replayThread, Clock::time_point& wakeAt);
    // Waits for a change, or until `wakeAt` (max: no time set).
    void waitForChangeOrTime (StateLock& lock, Clock::time_point wakeAt);
    bool enter (const ReplayStep& step);
    void advance();
    bool skipsRemovedWrite (const ReplayStep& step);
    void giveResult (Call& call, const ReplayStep& step);
    void playNotice (StateLock& lock, const ReplayStep& step);
    bool matches (const Call& call, const ReplayStep& step) const;
    void diverge (const std::string& expected, const Call& call);
    void fail (const std::string& line);
    std::string describe (const Call& call) const;
    Clock::time_point dueOf (const ReplayStep& step) const;
    void finishSession();

    std::mutex stateLock;
    std::condition_variable changed;

    bool inProcess = false;       // configure() set the scenario
    bool fromEnvironment = false; // the running program's replay: a divergence ends it
    Scenario scenario;
    std::unique_ptr<vqdrec::Recording> recording;
    std::unique_ptr<ReplayCursor> cursor;
    std::vector<Call*> calls; // the program's calls under way
    std::vector<bool> skippedResults;
    std::set<int> removed;         // HID numbers whose removal notice has been posted
    unsigned int inputMessage = 0; // what the program gave HID_SetCallback
    unsigned int removalMessage = 0;
    unsigned int arrivalMessage = 0;
    Clock::time_point lastEventAt; // when the previous step happened in this replay
    uint32_t runCrc = 0;           // of the writes of the run under way
    bool stopRequested = false;
    ReplayOutcome result;
    FirmwareLoader loader; // the flash the program's writes make
    Stats loaderStats;
    std::thread worker;
    static std::atomic<Replayer*> current;

    std::mutex postLock;
    HidWindowHandle window = nullptr;
};

} // namespace detail
} // namespace vqdsim
