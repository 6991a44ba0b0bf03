// Shared pieces of the device tests: a handler that records every device
// event together with what the HidCtrl showed at that moment, a HidCtrl
// placed between guard bytes, and a fixture that opens the session against
// the simulated controller and pumps the real JUCE message loop.
#pragma once

#include "MessageLoop.h"

#include "device/HidCtrl.h"
#include "device/HidHandler.h"
#include "device/HidUtil.h"
#include "device/NotificationWindow.h"
#include "device/VqdTrm4Hid.h"
#include "sim/SimControl.h"

#include <gtest/gtest.h>
#include <juce_events/juce_events.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace devicetest
{

using Report = std::array<uint8_t, 64>;

// One call of the handler, with the HidCtrl's state as the handler saw it.
struct DeviceEvent
{
    enum class Kind
    {
        removed,
        arrived,
        report
    };

    Kind kind = Kind::report;
    int param = -1;
    bool onMessageThread = false;
    bool connected = false;
    int firmwareVersion = -1;
    int hidNo = -2;
    int inputLength = -1;
    Report input {};
};

inline const char* kindName (DeviceEvent::Kind kind)
{
    switch (kind)
    {
        case DeviceEvent::Kind::removed: return "removed";
        case DeviceEvent::Kind::arrived: return "arrived";
        case DeviceEvent::Kind::report: return "report";
    }
    return "?";
}

class RecordingHandler : public HidHandler
{
public:
    void deviceRemoved() override { record (DeviceEvent::Kind::removed, 0); }
    void deviceArrived() override { record (DeviceEvent::Kind::arrived, 0); }
    void reportReceived (int param) override { record (DeviceEvent::Kind::report, param); }

    // The controller whose state is noted with each event.
    const HidCtrl* watched = nullptr;
    std::vector<DeviceEvent> events;

    std::string describe() const
    {
        std::string text;
        for (const auto& e : events)
            text += std::string (text.empty() ? "" : ", ") + kindName (e.kind);
        return "[" + text + "]";
    }

private:
    void record (DeviceEvent::Kind kind, int param)
    {
        DeviceEvent e;
        e.kind = kind;
        e.param = param;
        e.onMessageThread = juce::MessageManager::getInstance()->isThisTheMessageThread();

        if (watched != nullptr)
        {
            e.connected = watched->isConnected();
            e.firmwareVersion = watched->getFirmwareVersion();
            e.hidNo = watched->getUtil() != nullptr ? watched->getUtil()->getHidNo() : -2;
            e.inputLength = watched->getInputLength();
            std::memcpy (e.input.data(), watched->getInput(), e.input.size());
        }

        events.push_back (e);
    }
};

// A HidCtrl with guard bytes on both sides, so that a report copied past its
// 64-byte buffer shows up as a changed guard even without a memory checker.
class GuardedCtrl
{
public:
    static constexpr std::size_t guardSize = 256;
    static constexpr uint8_t guardByte = 0xA5;

    GuardedCtrl()
    {
        static_assert (guardSize % alignof (HidCtrl) == 0, "the HidCtrl must stay aligned");
        block = static_cast<uint8_t*> (::operator new (blockSize(), std::align_val_t (alignof (HidCtrl))));
        std::memset (block, guardByte, blockSize());
        ctrl = new (block + guardSize) HidCtrl();
    }

    ~GuardedCtrl()
    {
        ctrl->~HidCtrl();
        ::operator delete (block, std::align_val_t (alignof (HidCtrl)));
    }

    HidCtrl& get() noexcept { return *ctrl; }
    HidCtrl* operator->() noexcept { return ctrl; }

    bool guardsIntact() const
    {
        const auto intact = [] (const uint8_t* from) {
            return std::all_of (from, from + guardSize, [] (uint8_t b) { return b == guardByte; });
        };
        return intact (block) && intact (block + guardSize + sizeof (HidCtrl));
    }

private:
    static constexpr std::size_t blockSize() { return guardSize + sizeof (HidCtrl) + guardSize; }

    uint8_t* block = nullptr;
    HidCtrl* ctrl = nullptr;

    GuardedCtrl (const GuardedCtrl&) = delete;
    GuardedCtrl& operator= (const GuardedCtrl&) = delete;
};

inline int countOf (const std::vector<std::string>& log, const std::string& call)
{
    return (int) std::count (log.begin(), log.end(), call);
}

// The calls logged after the first `skip` entries.
inline std::vector<std::string> callsSince (std::size_t skip)
{
    const auto log = vqdsim::callLog();
    return { log.begin() + (std::ptrdiff_t) std::min (skip, log.size()), log.end() };
}

inline Report filledReport (uint8_t first, uint8_t step = 1)
{
    Report r {};
    for (std::size_t i = 0; i < r.size(); ++i)
        r[i] = (uint8_t) (first + step * i);
    return r;
}

inline Report commandReport (uint8_t target, uint8_t code)
{
    Report r {};
    r[0] = target;
    r[1] = code;
    return r;
}

inline Report inputOf (const HidCtrl& ctrl)
{
    Report r {};
    std::memcpy (r.data(), ctrl.getInput(), r.size());
    return r;
}

// Opens a session as the main component does and tears it down after the
// test. Every notice goes the real way: the library posts from its thread
// (or from the test's, for vqdsim::plug/unplug/injectReport), the
// notification window queues it with JUCE, and the message loop that the
// test pumps runs the window procedure.
class DeviceSession : public ::testing::Test
{
protected:
    void TearDown() override
    {
        if (ctrl != nullptr)
        {
            EXPECT_TRUE (ctrl->guardsIntact()) << "something wrote past the HidCtrl";
        }

        ctrl.reset();
        settle();
        EXPECT_EQ (HidUtil::getActive(), nullptr) << "a session was left open";

        // Stops the library's thread whatever the test left behind.
        vqdsim::configure (vqdsim::Scenario {});
    }

    void useScenario (const vqdsim::Scenario& scenario) { vqdsim::configure (scenario); }

    int openSession()
    {
        ctrl = std::make_unique<GuardedCtrl>();
        handler.watched = &ctrl->get();
        return ctrl->get().open (&handler);
    }

    HidCtrl& hid() { return ctrl->get(); }
    int selectedHidNo() { return hid().getUtil() != nullptr ? hid().getUtil()->getHidNo() : -2; }

    // Runs the message loop until every notice given to the window so far
    // has been handled: a marker sent through the window comes out behind
    // them. Twice, for Windows: JUCE keeps its messages in a list of its own
    // with one wake-up message in the system queue for the whole list, so a
    // marker can run before a message that went into the system queue ahead
    // of it; once the first marker has run that list is empty, and a second
    // marker's wake-up goes behind everything before the first.
    static void settle()
    {
        for (int round = 0; round < 2; ++round)
        {
            auto done = std::make_shared<bool> (false);
            auto mark = [done] { *done = true; };
            if (HidUtil* util = HidUtil::getActive(); util != nullptr && util->getWindow() != nullptr)
                util->getWindow()->callAfterQueuedNotices (mark);
            else
                juce::MessageManager::callAsync (mark);
            ASSERT_TRUE (MessageLoop::runUntil ([done] { return *done; }, 10000))
                << "the message loop did not reach the marker";
        }
    }

    // Waits (only as a guard against hanging) for the handler to have seen
    // `count` events.
    bool waitForEvents (std::size_t count, int timeoutMs = 5000)
    {
        return MessageLoop::runUntil ([this, count] { return handler.events.size() >= count; }, timeoutMs);
    }

    // Declared before ctrl, so that it outlives the HidCtrl that calls it.
    RecordingHandler handler;
    std::unique_ptr<GuardedCtrl> ctrl;
};

} // namespace devicetest
