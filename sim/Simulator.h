// The simulated controller behind the library's C functions and the vqdsim
// control interface: the present devices, their report queues, the thread
// that plays the USB device, and the program's notification window.
//
// Locking: `stateLock` guards everything but the window; `postLock` guards
// the window. A notice is posted holding only `postLock`, taken before
// `stateLock` is let go, so notices keep the order of the changes they
// announce, the program's post() never runs under the state lock, and once
// HID_SetCallback(NULL, ...) holds `postLock` no post can still be under way.
// A notice sent rather than posted (sendNotices) keeps `postLock` until the
// program has handled it, as a library that sends under its own lock would.
// `lifeLock` serialises starting and stopping the thread.
#pragma once

#include "device/VqdTrm4Hid.h"
#include "sim/FirmwareLoader.h"
#include "sim/SimControl.h"

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace vqdsim
{
namespace detail
{

class Simulator
{
public:
    static Simulator& instance();

    // The library's C functions.
    void initialize (void* moduleInstance);
    void setCallback (HidWindowHandle window, unsigned int inputMessage, unsigned int arrivalMessage,
                      unsigned int removalMessage);
    void start();
    void stop();
    void finalize();
    int enumerate (int* hidNumbers);
    int deviceType (int hidNo);
    int firmwareVersion (int type, int* values, int count);
    int write (int hidNo, const unsigned char* report, int length);
    void input (int hidNo, unsigned char* buffer, int* length);

    // The in-process control interface.
    void configure (const Scenario& scenario);
    void forgetScenario();
    std::vector<std::string> callLog();
    void clearCallLog();
    std::vector<uint8_t> flashRegion (uint8_t target);
    std::vector<uint8_t> flashImage();
    Stats stats();
    std::vector<int64_t> commitPollTimesUs();
    void unplug (int hidNo);
    void plug (int hidNo);
    void injectReport (int hidNo, const uint8_t* report, int length);
    bool threadRunning() const { return running.load(); }

private:
    using Clock = std::chrono::steady_clock;

    struct Command
    {
        Report bytes;
        Clock::time_point arrival;
        uint64_t serial = 0; // the device's count of queued commands when this one came
    };

    struct Device
    {
        int hidNo = 0;
        int type = 0;
        bool exists = false;     // part of the scenario at all
        bool present = false;    // plugged in now
        uint64_t generation = 0; // changes at every plug event, so late answers are dropped
        std::deque<Command> commands;
        uint64_t queuedCount = 0; // commands ever queued, and ever taken off
        uint64_t takenCount = 0;  // the queue by the device thread
        std::deque<Report> answers;
        std::unique_ptr<FirmwareLoader> loader; // controllers only
        std::array<int, 256> seen {};           // commands handled, by code, for the faults
        std::array<int, 256> written {};        // writes of each code, for the write faults
        Clock::time_point lastAnswer {};
        std::optional<Clock::time_point> removeAt;
        std::optional<Clock::time_point> arriveAt;
    };

    enum class NoticeKind
    {
        input,
        arrival,
        removal
    };

    struct Notice
    {
        NoticeKind kind;
        int hidNo;
    };

    using StateLock = std::unique_lock<std::mutex>;

    // What a controller does with one command.
    enum class Reaction
    {
        answer,
        noAnswer,
        unplug
    };

    Simulator();

    Device* find (int hidNo);
    Device& primary() { return devices[1]; }
    void applyScenario (const Scenario& newScenario);
    void log (const char* call);
    void stopThread();
    void run();
    // Answers the next waiting command, if any controller has one; false
    // when none has. The steps: whose turn it is, what the command meets
    // (the scenario's fault or the loader), the answer's time, the answer.
    bool serviceOneCommand (StateLock& lock);
    Device* takeTurn();
    Reaction reactTo (Device& device, const Command& command, Report& answer);
    bool waitUntilDue (StateLock& lock, Device& device, const Command& command, uint64_t generation);
    void sendAnswer (StateLock& lock, Device& device, const Report& answer);
    // The fault for the occurrence of a command: those that act on HID_Write
    // itself when `atWrite`, the others when the controller handles it.
    const Fault* faultFor (int code, int occurrence, bool atWrite = false) const;
    void fireTimers (Clock::time_point now, std::vector<Notice>& notices);
    std::optional<Clock::time_point> nextTimer() const;
    void removeDevice (Device& device, std::vector<Notice>& notices);
    void plugDevice (Device& device, std::vector<Notice>& notices);
    void wake();
    void hangLikeAGoneDevice (StateLock& lock, int milliseconds);
    // Waits for every hanging HID_Write where the scenario's flag says so.
    void waitForHangingWrites (bool Scenario::*when);
    void deliver (StateLock& lock, const std::vector<Notice>& notices);

    std::mutex lifeLock;

    std::mutex stateLock;
    std::condition_variable changed;
    Scenario scenario;
    bool configuredInProcess = false;
    void* moduleInstance = nullptr;
    std::array<Device, 3> devices; // the other device, the controller, the second controller
    Stats record;
    std::vector<int64_t> pollTimes;
    std::vector<std::string> calls;
    bool logFileFailed = false; // the scenario's log file could not be written
    uint64_t changeCount = 0;
    std::size_t nextController = 0;
    bool stopRequested = false;
    std::thread worker;
    std::atomic<bool> running { false };

    // Held by an HID_Write that hangs on a gone controller (writeBlockMs),
    // and taken by HID_Stop and HID_Finalize when they wait for it.
    std::mutex ioLock;

    std::mutex postLock;
    HidWindowHandle window = nullptr;
    unsigned int inputMessage = 0;
    unsigned int arrivalMessage = 0;
    unsigned int removalMessage = 0;
};

} // namespace detail
} // namespace vqdsim
