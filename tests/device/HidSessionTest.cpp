// The session with the HID library: the order in which it is opened and
// closed, the one-session-per-process rule, closing more than once, notices
// that are still queued when the session ends, and the guards of writeReport.
#include "DeviceTestSupport.h"

using namespace devicetest;
using Strings = std::vector<std::string>;

namespace
{

class HidSession : public DeviceSession
{
};

TEST_F (HidSession, OpensAndClosesInTheLibrarysOrder)
{
    vqdsim::Scenario scenario;
    scenario.firmwareVersion = 0x0217;
    useScenario (scenario);

    ASSERT_EQ (openSession(), 1);
    EXPECT_EQ (HidUtil::getActive(), hid().getUtil());
    EXPECT_TRUE (vqdsim::threadRunning());

    // Session first, then the selection of the controller and its version.
    EXPECT_EQ (vqdsim::callLog(), (Strings { "HID_Initialize", "HID_SetCallback(window)", "HID_Start",
                                             "HID_EnumHIDno", "HID_GetDeviceType", "HID_GetFirmwareVersion" }));
    EXPECT_TRUE (hid().isConnected());
    EXPECT_EQ (selectedHidNo(), vqdsim::controllerHidNo);
    EXPECT_EQ (hid().getFirmwareVersion(), 0x0217);

    // Deleting the HidCtrl ends the session, in the closing order and with
    // nothing after it.
    const auto before = vqdsim::callLog().size();
    ctrl.reset();

    EXPECT_EQ (callsSince (before), (Strings { "HID_Stop", "HID_SetCallback(null)", "HID_Finalize" }));
    EXPECT_FALSE (vqdsim::threadRunning());
    EXPECT_EQ (HidUtil::getActive(), nullptr);

    settle();
    EXPECT_TRUE (handler.events.empty()) << handler.describe();
}

TEST_F (HidSession, ClosingTwiceOrWithoutOpeningCallsNothing)
{
    useScenario ({});
    ASSERT_EQ (openSession(), 1);
    HidUtil* util = hid().getUtil();
    ASSERT_NE (util, nullptr);

    vqdsim::clearCallLog();
    util->close();
    EXPECT_EQ (vqdsim::callLog(), (Strings { "HID_Stop", "HID_SetCallback(null)", "HID_Finalize" }));
    EXPECT_EQ (util->getHidNo(), -1);
    EXPECT_EQ (HidUtil::getActive(), nullptr);

    // The second close, and the one the HidCtrl's destructor makes, change
    // nothing.
    util->close();
    ctrl.reset();
    EXPECT_EQ (vqdsim::callLog(), (Strings { "HID_Stop", "HID_SetCallback(null)", "HID_Finalize" }));

    // A session that never opened closes without a single library call.
    vqdsim::clearCallLog();
    {
        HidUtil never;
        never.close();
        EXPECT_EQ (never.getHidNo(), -1);
    }
    {
        HidCtrl neverOpened;
    }
    EXPECT_TRUE (vqdsim::callLog().empty());
}

TEST_F (HidSession, SecondOpenIsRefusedWhileOneIsOpen)
{
    vqdsim::Scenario scenario;
    scenario.secondController = true;
    useScenario (scenario);

    ASSERT_EQ (openSession(), 1);
    HidUtil* first = hid().getUtil();
    const auto callsAfterFirstOpen = vqdsim::callLog().size();

    RecordingHandler otherHandler;
    GuardedCtrl other;
    otherHandler.watched = &other.get();

    // Refused before the library is touched, and the open session is left
    // as it was.
    EXPECT_EQ (other->open (&otherHandler), 0);
    EXPECT_EQ (other->getUtil(), nullptr);
    EXPECT_FALSE (other->isConnected());
    EXPECT_EQ (vqdsim::callLog().size(), callsAfterFirstOpen);
    EXPECT_EQ (HidUtil::getActive(), first);

    {
        HidUtil bare;
        EXPECT_FALSE (bare.open (nullptr));
        bare.close(); // must not close or forget the open session
    }
    EXPECT_EQ (HidUtil::getActive(), first);
    EXPECT_EQ (vqdsim::callLog().size(), callsAfterFirstOpen);

    // The first session still gets its notices; the refused one gets none.
    vqdsim::unplug (vqdsim::controllerHidNo);
    ASSERT_TRUE (waitForEvents (1));
    settle();
    ASSERT_EQ (handler.events.size(), 1u) << handler.describe();
    EXPECT_EQ (handler.events[0].kind, DeviceEvent::Kind::removed);
    EXPECT_TRUE (otherHandler.events.empty()) << otherHandler.describe();

    // Once the first session is closed, a new one can be opened.
    ctrl.reset();
    ASSERT_EQ (HidUtil::getActive(), nullptr);
    vqdsim::clearCallLog();
    EXPECT_EQ (other->open (&otherHandler), 1);
    EXPECT_EQ (other->getUtil()->getHidNo(), vqdsim::secondControllerHidNo);
    EXPECT_EQ (countOf (vqdsim::callLog(), "HID_Initialize"), 1);
    other->getUtil()->close();
    EXPECT_TRUE (other.guardsIntact());
}

TEST_F (HidSession, NoticesStillQueuedWhenTheSessionClosesAreDropped)
{
    vqdsim::Scenario scenario;
    scenario.secondController = true;
    useScenario (scenario);
    ASSERT_EQ (openSession(), 1);

    // Posted at once from this thread: all three wait in JUCE's queue,
    // unhandled, when the HidCtrl goes away.
    const Report report = filledReport (0x10);
    vqdsim::injectReport (vqdsim::controllerHidNo, report.data(), 64);
    vqdsim::unplug (vqdsim::secondControllerHidNo);
    vqdsim::unplug (vqdsim::controllerHidNo);
    ctrl.reset();

    settle();
    EXPECT_TRUE (handler.events.empty()) << handler.describe();

    // Nor do they reach the next session: a removal of HID number 3 that
    // was meant for a closed session must not unselect the controller of
    // the session opened after it.
    vqdsim::plug (vqdsim::controllerHidNo); // no window is set: posts nothing
    ASSERT_EQ (openSession(), 1);
    vqdsim::injectReport (vqdsim::controllerHidNo, report.data(), 64);
    vqdsim::unplug (vqdsim::controllerHidNo);
    ctrl.reset();

    vqdsim::plug (vqdsim::controllerHidNo);
    RecordingHandler laterHandler;
    GuardedCtrl later;
    laterHandler.watched = &later.get();
    ASSERT_EQ (later->open (&laterHandler), 1);
    ASSERT_EQ (later->getUtil()->getHidNo(), vqdsim::controllerHidNo);

    settle();
    EXPECT_TRUE (handler.events.empty()) << handler.describe();
    EXPECT_TRUE (laterHandler.events.empty()) << laterHandler.describe();
    EXPECT_TRUE (later->isConnected());
    EXPECT_EQ (later->getUtil()->getHidNo(), vqdsim::controllerHidNo);

    later->getUtil()->close();
    settle();
    EXPECT_TRUE (later.guardsIntact());
}

TEST_F (HidSession, WriteReportSendsOnlyToASelectedDevice)
{
    const Report status = commandReport (0xF0, 0x00);

    // Never opened: nothing to send through.
    {
        HidCtrl closed;
        EXPECT_FALSE (closed.writeReport (status.data()));
    }

    vqdsim::Scenario scenario;
    scenario.absentAtStart = true;
    useScenario (scenario);

    // Open but no controller.
    ASSERT_EQ (openSession(), 0);
    EXPECT_FALSE (hid().writeReport (status.data()));

    // Connected as far as the HidCtrl knows, but no HID number selected.
    hid().deviceArrived();
    ASSERT_TRUE (hid().isConnected());
    ASSERT_EQ (selectedHidNo(), -1);
    EXPECT_EQ (hid().getFirmwareVersion(), 0);
    EXPECT_EQ (hid().getInputLength(), 0);
    EXPECT_FALSE (hid().writeReport (status.data()));

    // HID_Write was never reached by any of these.
    EXPECT_EQ (vqdsim::stats().writesRefused, 0);
    EXPECT_EQ (vqdsim::stats().reportsReceived, 0);

    // The controller arrives: a null report is still refused, a real one
    // goes out and is answered.
    vqdsim::plug (vqdsim::controllerHidNo);
    settle();
    ASSERT_EQ (selectedHidNo(), vqdsim::controllerHidNo);
    handler.events.clear();
    EXPECT_FALSE (hid().writeReport (nullptr));
    EXPECT_EQ (vqdsim::stats().writesRefused, 0);
    EXPECT_EQ (vqdsim::stats().reportsReceived, 0);

    EXPECT_TRUE (hid().writeReport (status.data()));
    EXPECT_EQ (vqdsim::stats().reportsReceived, 1);

    // The connection state counts on its own: told of a removal while the
    // session still holds the HID number, the HidCtrl sends nothing until
    // the next arrival.
    ASSERT_TRUE (waitForEvents (1));
    handler.events.clear();
    hid().deviceRemoved();
    ASSERT_EQ (selectedHidNo(), vqdsim::controllerHidNo);
    EXPECT_FALSE (hid().writeReport (status.data()));
    EXPECT_EQ (vqdsim::stats().reportsReceived, 1);
    hid().deviceArrived();
    ASSERT_TRUE (hid().isConnected());
    EXPECT_TRUE (hid().writeReport (status.data()));
    EXPECT_EQ (vqdsim::stats().reportsReceived, 2);
    handler.events.clear();

    // The library's refusal is the result: unplugged, with the removal
    // notice not yet handled, the HidCtrl still tries and says it failed.
    ASSERT_TRUE (waitForEvents (1));
    EXPECT_EQ (handler.events[0].kind, DeviceEvent::Kind::report);
    EXPECT_EQ (handler.events[0].input[0], 0xF0);
    EXPECT_EQ (handler.events[0].input[1], 0x80);
    handler.events.clear();
    vqdsim::unplug (vqdsim::controllerHidNo);
    ASSERT_TRUE (hid().isConnected());
    EXPECT_FALSE (hid().writeReport (status.data()));
    EXPECT_EQ (vqdsim::stats().writesRefused, 1);

    // After the removal notice nothing is sent any more.
    settle();
    ASSERT_FALSE (hid().isConnected());
    EXPECT_FALSE (hid().writeReport (status.data()));
    EXPECT_EQ (vqdsim::stats().writesRefused, 1);
    EXPECT_EQ (vqdsim::stats().reportsReceived, 2);
}

} // namespace
