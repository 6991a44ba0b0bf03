// Which device is selected, and what the removal and arrival notices do to
// the selection: the controller among other HID devices, two controllers at
// once, devices coming and going while one is selected or none is.
#include "DeviceTestSupport.h"

using namespace devicetest;

namespace
{

class DeviceEvents : public DeviceSession
{
};

TEST_F (DeviceEvents, TheControllerIsFoundByItsTypeNotByItsPlace)
{
    vqdsim::Scenario scenario;
    scenario.otherDevice = true; // listed first, with another device type
    scenario.firmwareVersion = 0x0305;
    useScenario (scenario);

    ASSERT_EQ (openSession(), 1);
    EXPECT_EQ (selectedHidNo(), vqdsim::controllerHidNo);
    EXPECT_EQ (hid().getFirmwareVersion(), 0x0305);

    const auto log = vqdsim::callLog();
    EXPECT_EQ (countOf (log, "HID_EnumHIDno"), 1);
    EXPECT_EQ (countOf (log, "HID_GetDeviceType"), 2);

    // The other device going away is none of the program's business.
    vqdsim::unplug (vqdsim::otherDeviceHidNo);
    settle();
    EXPECT_TRUE (handler.events.empty()) << handler.describe();
    EXPECT_TRUE (hid().isConnected());
    EXPECT_EQ (selectedHidNo(), vqdsim::controllerHidNo);
    EXPECT_EQ (hid().getFirmwareVersion(), 0x0305);
}

TEST_F (DeviceEvents, OfTwoControllersTheFirstListedWinsAndTheSecondIsIgnored)
{
    vqdsim::Scenario scenario;
    scenario.otherDevice = true;
    scenario.secondController = true;
    useScenario (scenario);

    ASSERT_EQ (openSession(), 1);
    EXPECT_EQ (selectedHidNo(), vqdsim::controllerHidNo);

    // The search stops at the first match: the second controller's type is
    // never asked for.
    EXPECT_EQ (countOf (vqdsim::callLog(), "HID_GetDeviceType"), 2);

    vqdsim::unplug (vqdsim::secondControllerHidNo);
    settle();
    EXPECT_TRUE (handler.events.empty()) << handler.describe();
    EXPECT_TRUE (hid().isConnected());
    EXPECT_EQ (selectedHidNo(), vqdsim::controllerHidNo);
}

TEST_F (DeviceEvents, RemovalOfTheSelectedOneLeavesNoneSelectedUntilTheNextArrival)
{
    vqdsim::Scenario scenario;
    scenario.otherDevice = true;
    scenario.secondController = true;
    scenario.firmwareVersion = 0x0142;
    useScenario (scenario);

    ASSERT_EQ (openSession(), 1);
    ASSERT_EQ (selectedHidNo(), vqdsim::controllerHidNo);

    // Something in the input buffer, so that its clearing shows.
    const Report report = filledReport (0x21, 3);
    vqdsim::injectReport (vqdsim::controllerHidNo, report.data(), 64);
    ASSERT_TRUE (waitForEvents (1));
    ASSERT_EQ (inputOf (hid()), report);
    handler.events.clear();

    const auto callsBefore = vqdsim::callLog().size();
    vqdsim::unplug (vqdsim::controllerHidNo);
    settle();

    ASSERT_EQ (handler.events.size(), 1u) << handler.describe();
    const DeviceEvent& removed = handler.events[0];
    EXPECT_EQ (removed.kind, DeviceEvent::Kind::removed);
    EXPECT_TRUE (removed.onMessageThread);
    EXPECT_FALSE (removed.connected);
    EXPECT_EQ (removed.hidNo, -1);
    EXPECT_EQ (removed.firmwareVersion, 0);
    EXPECT_EQ (removed.inputLength, 0);
    EXPECT_EQ (removed.input, Report {});

    // The second controller is still there, but the removal does not look
    // for it.
    EXPECT_EQ (selectedHidNo(), -1);
    EXPECT_FALSE (hid().isConnected());
    EXPECT_TRUE (callsSince (callsBefore).empty());

    // Neither does the removal of a device that is no longer selected, nor
    // a report notice: nothing is selected, nothing is read.
    vqdsim::unplug (vqdsim::otherDeviceHidNo);
    vqdsim::injectReport (vqdsim::secondControllerHidNo, report.data(), 64);
    settle();
    EXPECT_EQ (handler.events.size(), 1u) << handler.describe();
    EXPECT_EQ (selectedHidNo(), -1);
    EXPECT_TRUE (callsSince (callsBefore).empty());

    // The next arrival (here: the other device coming back) selects the
    // controller that stayed, reads its version and the report waiting for
    // it.
    handler.events.clear();
    vqdsim::plug (vqdsim::otherDeviceHidNo);
    settle();

    ASSERT_EQ (handler.events.size(), 1u) << handler.describe();
    const DeviceEvent& arrived = handler.events[0];
    EXPECT_EQ (arrived.kind, DeviceEvent::Kind::arrived);
    EXPECT_TRUE (arrived.onMessageThread);
    EXPECT_TRUE (arrived.connected);
    EXPECT_EQ (arrived.hidNo, vqdsim::secondControllerHidNo);
    EXPECT_EQ (arrived.firmwareVersion, 0x0142);
    EXPECT_EQ (arrived.inputLength, 64);
    EXPECT_EQ (arrived.input, report);

    const auto calls = callsSince (callsBefore);
    EXPECT_EQ (countOf (calls, "HID_EnumHIDno"), 1);
    EXPECT_EQ (countOf (calls, "HID_GetFirmwareVersion"), 1);

    // Now the second one is selected, and its removal counts.
    handler.events.clear();
    vqdsim::unplug (vqdsim::secondControllerHidNo);
    settle();
    ASSERT_EQ (handler.events.size(), 1u) << handler.describe();
    EXPECT_EQ (handler.events[0].kind, DeviceEvent::Kind::removed);
    EXPECT_EQ (selectedHidNo(), -1);
}

TEST_F (DeviceEvents, ArrivalWhileOneIsSelectedChangesNothing)
{
    vqdsim::Scenario scenario;
    scenario.secondController = true;
    scenario.firmwareVersion = 0x0111;
    useScenario (scenario);

    ASSERT_EQ (openSession(), 1);
    const Report report = filledReport (0x40);
    vqdsim::injectReport (vqdsim::controllerHidNo, report.data(), 64);
    ASSERT_TRUE (waitForEvents (1));
    handler.events.clear();

    vqdsim::unplug (vqdsim::secondControllerHidNo);
    settle();
    vqdsim::clearCallLog();

    // Another controller arrives while the first one is selected.
    vqdsim::plug (vqdsim::secondControllerHidNo);
    settle();

    EXPECT_TRUE (handler.events.empty()) << handler.describe();
    EXPECT_EQ (selectedHidNo(), vqdsim::controllerHidNo);
    EXPECT_TRUE (hid().isConnected());
    EXPECT_EQ (hid().getFirmwareVersion(), 0x0111);
    EXPECT_EQ (inputOf (hid()), report);
    EXPECT_EQ (hid().getInputLength(), 64);

    // Not even a look at the devices or the version.
    const auto log = vqdsim::callLog();
    EXPECT_EQ (countOf (log, "HID_GetFirmwareVersion"), 0);
    EXPECT_EQ (countOf (log, "HID_EnumHIDno"), 0);
    EXPECT_EQ (countOf (log, "HID_GetDeviceType"), 0);
}

TEST_F (DeviceEvents, RemovalAndArrivalInOneBurstAreHandledInOrder)
{
    vqdsim::Scenario scenario;
    scenario.firmwareVersion = 0x0200;
    useScenario (scenario);
    ASSERT_EQ (openSession(), 1);

    // Both notices are queued before either is handled.
    vqdsim::unplug (vqdsim::controllerHidNo);
    vqdsim::plug (vqdsim::controllerHidNo);
    settle();

    ASSERT_EQ (handler.events.size(), 2u) << handler.describe();
    EXPECT_EQ (handler.events[0].kind, DeviceEvent::Kind::removed);
    EXPECT_EQ (handler.events[0].hidNo, -1);
    EXPECT_EQ (handler.events[1].kind, DeviceEvent::Kind::arrived);
    EXPECT_EQ (handler.events[1].hidNo, vqdsim::controllerHidNo);
    EXPECT_EQ (handler.events[1].firmwareVersion, 0x0200);
    EXPECT_TRUE (hid().isConnected());

    // A second removal of the same number finds it selected again; a third
    // one finds nothing.
    vqdsim::unplug (vqdsim::controllerHidNo);
    settle();
    EXPECT_EQ (handler.events.size(), 3u) << handler.describe();
    vqdsim::unplug (vqdsim::controllerHidNo); // not present: the library posts nothing
    settle();
    EXPECT_EQ (handler.events.size(), 3u) << handler.describe();
}

TEST_F (DeviceEvents, NoControllerAtStartThenItArrives)
{
    vqdsim::Scenario scenario;
    scenario.absentAtStart = true;
    scenario.arriveAfterMs = 100; // plugged in by the library's own thread
    scenario.firmwareVersion = 0x0456;
    useScenario (scenario);

    // The session opens all the same, with nothing selected.
    ASSERT_EQ (openSession(), 0);
    ASSERT_NE (hid().getUtil(), nullptr);
    EXPECT_EQ (HidUtil::getActive(), hid().getUtil());
    EXPECT_FALSE (hid().isConnected());
    EXPECT_EQ (selectedHidNo(), -1);
    EXPECT_EQ (hid().getFirmwareVersion(), 0);

    auto log = vqdsim::callLog();
    EXPECT_EQ (countOf (log, "HID_EnumHIDno"), 1);
    EXPECT_EQ (countOf (log, "HID_GetFirmwareVersion"), 0);

    ASSERT_TRUE (waitForEvents (1)) << "no arrival came";
    settle();

    ASSERT_EQ (handler.events.size(), 1u) << handler.describe();
    const DeviceEvent& arrived = handler.events[0];
    EXPECT_EQ (arrived.kind, DeviceEvent::Kind::arrived);
    EXPECT_TRUE (arrived.onMessageThread);
    EXPECT_TRUE (arrived.connected);
    EXPECT_EQ (arrived.hidNo, vqdsim::controllerHidNo);
    EXPECT_EQ (arrived.firmwareVersion, 0x0456);
    EXPECT_EQ (arrived.inputLength, 0); // nothing was waiting

    log = vqdsim::callLog();
    EXPECT_EQ (countOf (log, "HID_EnumHIDno"), 2);
    EXPECT_EQ (countOf (log, "HID_GetFirmwareVersion"), 1);

    // It answers, now that it is selected.
    EXPECT_TRUE (hid().writeReport (commandReport (0xF0, 0x00).data()));
    ASSERT_TRUE (waitForEvents (2));
    EXPECT_EQ (handler.events[1].kind, DeviceEvent::Kind::report);
}

TEST_F (DeviceEvents, ArrivalOfAnotherKindOfDeviceSelectsNothing)
{
    vqdsim::Scenario scenario;
    scenario.absentAtStart = true;
    scenario.otherDevice = true;
    useScenario (scenario);

    ASSERT_EQ (openSession(), 0);
    vqdsim::unplug (vqdsim::otherDeviceHidNo);
    vqdsim::plug (vqdsim::otherDeviceHidNo);
    settle();

    EXPECT_TRUE (handler.events.empty()) << handler.describe();
    EXPECT_FALSE (hid().isConnected());
    EXPECT_EQ (selectedHidNo(), -1);
    EXPECT_EQ (countOf (vqdsim::callLog(), "HID_GetFirmwareVersion"), 0);
}

} // namespace
