// Input reports on their way from the library to the handler: what lands in
// the HidCtrl's buffer, when the handler is called and with what, and what
// happens when a library build reports more, or fewer, bytes than a report
// can hold.
#include "DeviceTestSupport.h"

using namespace devicetest;

namespace
{

class InputReports : public DeviceSession
{
};

TEST_F (InputReports, AnAnswerOfTheControllerReachesTheHandler)
{
    vqdsim::Scenario scenario;
    const uint8_t date[4] = { 0x20, 0x24, 0x01, 0x31 };
    const uint8_t version[4] = { '2', '.', '0', '5' };
    std::copy (date, date + 4, scenario.date);
    std::copy (version, version + 4, scenario.version);
    useScenario (scenario);
    ASSERT_EQ (openSession(), 1);

    // The info command, answered by the library's own thread.
    ASSERT_TRUE (hid().writeReport (commandReport (0xF0, 0x01).data()));
    ASSERT_TRUE (waitForEvents (1)) << "no answer came";
    settle();

    ASSERT_EQ (handler.events.size(), 1u) << handler.describe();
    const DeviceEvent& e = handler.events[0];
    EXPECT_EQ (e.kind, DeviceEvent::Kind::report);
    EXPECT_EQ (e.param, 0);
    EXPECT_TRUE (e.onMessageThread);
    EXPECT_TRUE (e.connected);
    EXPECT_EQ (e.inputLength, 64);
    EXPECT_EQ (e.input[0], 0xF0);
    EXPECT_EQ (e.input[1], 0x82);
    EXPECT_TRUE (std::equal (date, date + 4, e.input.begin() + 2));
    EXPECT_TRUE (std::equal (version, version + 4, e.input.begin() + 7));

    // Several reports in a row: one call each, in order, each seen whole.
    const Report reports[] = { filledReport (0x01), filledReport (0x80, 7), filledReport (0xFF, 0xFF) };
    for (const Report& r : reports)
        vqdsim::injectReport (vqdsim::controllerHidNo, r.data(), 64);
    settle();

    ASSERT_EQ (handler.events.size(), 4u) << handler.describe();
    for (std::size_t i = 0; i < 3; ++i)
    {
        EXPECT_EQ (handler.events[i + 1].kind, DeviceEvent::Kind::report);
        EXPECT_EQ (handler.events[i + 1].input, reports[i]) << "report " << i;
        EXPECT_EQ (handler.events[i + 1].inputLength, 64);
    }
}

TEST_F (InputReports, TheNoticesParameterIsNotPassedOn)
{
    useScenario ({});
    ASSERT_EQ (openSession(), 1);

    const Report report = filledReport (0x33);
    vqdsim::injectReport (vqdsim::controllerHidNo, report.data(), 64);

    // A notice with a parameter, handled before the library's own notice
    // for the same report, which then finds nothing waiting.
    hid().getUtil()->inputNotice (vqdsim::controllerHidNo, 77);
    ASSERT_EQ (handler.events.size(), 1u);
    EXPECT_EQ (handler.events[0].param, 0);
    EXPECT_EQ (handler.events[0].input, report);

    settle();
    EXPECT_EQ (handler.events.size(), 1u) << handler.describe();
}

TEST_F (InputReports, ANoticeWithNothingToReadDoesNotCallTheHandler)
{
    vqdsim::Scenario scenario;
    scenario.secondController = true;
    useScenario (scenario);
    ASSERT_EQ (openSession(), 1);

    const Report first = filledReport (0x50);
    vqdsim::injectReport (vqdsim::controllerHidNo, first.data(), 64);
    settle();
    ASSERT_EQ (handler.events.size(), 1u) << handler.describe();

    // The next report is taken away before its notice is handled.
    const Report stolen = filledReport (0x90);
    vqdsim::injectReport (vqdsim::controllerHidNo, stolen.data(), 64);
    Report taken {};
    int length = 64;
    HID_Input (vqdsim::controllerHidNo, taken.data(), &length);
    ASSERT_EQ (length, 64);
    ASSERT_EQ (taken, stolen);

    settle();
    EXPECT_EQ (handler.events.size(), 1u) << handler.describe();
    EXPECT_EQ (inputOf (hid()), first);
    EXPECT_EQ (hid().getInputLength(), 64);

    // A report of the controller that is not selected is left alone.
    const Report notOurs = filledReport (0xC0);
    vqdsim::injectReport (vqdsim::secondControllerHidNo, notOurs.data(), 64);
    settle();
    EXPECT_EQ (handler.events.size(), 1u) << handler.describe();
    EXPECT_EQ (inputOf (hid()), first);

    Report left {};
    length = 64;
    HID_Input (vqdsim::secondControllerHidNo, left.data(), &length);
    EXPECT_EQ (length, 64) << "the program read the other controller's report";
    EXPECT_EQ (left, notOurs);

    // Nor does the other controller's notice make the program read the
    // selected one's report before that report's own notice: a marker
    // queued between the two notices sees no new call yet.
    const auto before = handler.events.size();
    auto seenAtMarker = std::make_shared<std::size_t> (0);
    vqdsim::injectReport (vqdsim::secondControllerHidNo, notOurs.data(), 64);
    juce::MessageManager::callAsync ([this, seenAtMarker] { *seenAtMarker = handler.events.size(); });
    const Report ours = filledReport (0xD0);
    vqdsim::injectReport (vqdsim::controllerHidNo, ours.data(), 64);
    settle();

    EXPECT_EQ (*seenAtMarker, before) << "the report was read at the other controller's notice";
    ASSERT_EQ (handler.events.size(), before + 1) << handler.describe();
    EXPECT_EQ (handler.events.back().input, ours);
}

TEST_F (InputReports, AShortReportLeavesTheBytesBeyondItAsTheyWere)
{
    useScenario ({});
    ASSERT_EQ (openSession(), 1);

    const Report full = filledReport (0xA0);
    vqdsim::injectReport (vqdsim::controllerHidNo, full.data(), 64);
    settle();
    ASSERT_EQ (inputOf (hid()), full);

    // From now on the library says each report is 10 bytes long, as another
    // build might. Changing the scenario stops the library's thread and
    // clears its records, but the session, the window and the selected
    // controller stay.
    vqdsim::Scenario shortReports;
    shortReports.inputLengthOverride = 10;
    vqdsim::configure (shortReports);

    const Report next = filledReport (0x05, 11);
    vqdsim::injectReport (vqdsim::controllerHidNo, next.data(), 64);
    settle();

    ASSERT_EQ (handler.events.size(), 2u) << handler.describe();
    const DeviceEvent& e = handler.events[1];
    EXPECT_EQ (e.kind, DeviceEvent::Kind::report);
    EXPECT_EQ (e.inputLength, 10);
    EXPECT_TRUE (std::equal (next.begin(), next.begin() + 10, e.input.begin()));
    EXPECT_TRUE (std::equal (full.begin() + 10, full.end(), e.input.begin() + 10))
        << "bytes past the new report were not kept";

    // Zero bytes: nothing read, handler not called, nothing changed.
    vqdsim::Scenario emptyReports;
    emptyReports.inputLengthOverride = 0;
    vqdsim::configure (emptyReports);
    vqdsim::injectReport (vqdsim::controllerHidNo, full.data(), 64);
    settle();
    EXPECT_EQ (handler.events.size(), 2u) << handler.describe();
    EXPECT_EQ (hid().getInputLength(), 10);
}

class MisbehavingLibrary : public DeviceSession
{
};

TEST_F (MisbehavingLibrary, AnOverlongReportLengthIsCutTo64)
{
    vqdsim::Scenario scenario;
    scenario.inputLengthOverride = 200;
    scenario.absentAtStart = true;
    useScenario (scenario);
    ASSERT_EQ (openSession(), 0);

    // At arrival, the waiting report is read with the length cut...
    const Report waiting = filledReport (0x11, 5);
    vqdsim::plug (vqdsim::controllerHidNo);
    vqdsim::injectReport (vqdsim::controllerHidNo, waiting.data(), 64);
    settle();

    ASSERT_EQ (handler.events.size(), 1u) << handler.describe(); // its own notice finds nothing left
    EXPECT_EQ (handler.events[0].kind, DeviceEvent::Kind::arrived);
    EXPECT_EQ (handler.events[0].inputLength, 64);
    EXPECT_EQ (handler.events[0].input, waiting);
    EXPECT_TRUE (ctrl->guardsIntact());

    // ...and so is every report after it.
    const Report report = filledReport (0xEE, 0xF3);
    vqdsim::injectReport (vqdsim::controllerHidNo, report.data(), 64);
    settle();

    ASSERT_EQ (handler.events.size(), 2u) << handler.describe();
    EXPECT_EQ (handler.events[1].kind, DeviceEvent::Kind::report);
    EXPECT_EQ (handler.events[1].inputLength, 64);
    EXPECT_EQ (handler.events[1].input, report);
    EXPECT_TRUE (ctrl->guardsIntact());
}

TEST_F (MisbehavingLibrary, ANegativeReportLengthIsTakenAsNothing)
{
    vqdsim::Scenario scenario;
    scenario.inputLengthOverride = -5;
    useScenario (scenario);
    ASSERT_EQ (openSession(), 1);

    const Report first = filledReport (0x61);
    Report probe {};
    int length = 64;
    vqdsim::injectReport (vqdsim::controllerHidNo, first.data(), 64);
    HID_Input (vqdsim::controllerHidNo, probe.data(), &length);
    settle();

    if (length != -5)
        GTEST_SKIP() << "this build of the library cannot report a negative length (it said " << length << ")";

    vqdsim::injectReport (vqdsim::controllerHidNo, first.data(), 64);
    settle();
    EXPECT_TRUE (handler.events.empty()) << handler.describe();
    EXPECT_EQ (hid().getInputLength(), 0);
    EXPECT_EQ (inputOf (hid()), Report {});
}

TEST_F (MisbehavingLibrary, AnEnumerationCountBeyondTheRoomIsCutTo128)
{
    vqdsim::Scenario scenario;
    scenario.enumCountOverride = 500;
    scenario.otherDevice = true;
    scenario.absentAtStart = true;
    useScenario (scenario);

    // Only the other device is there: every listed entry up to the room
    // given is looked at, none beyond it.
    ASSERT_EQ (openSession(), 0);
    EXPECT_EQ (selectedHidNo(), -1);
    const int asked = countOf (vqdsim::callLog(), "HID_GetDeviceType");
    EXPECT_GE (asked, 1);
    EXPECT_LE (asked, 128);
    EXPECT_TRUE (ctrl->guardsIntact());

    // The controller arrives and is found behind the other device.
    vqdsim::plug (vqdsim::controllerHidNo);
    settle();
    ASSERT_EQ (handler.events.size(), 1u) << handler.describe();
    EXPECT_EQ (handler.events[0].kind, DeviceEvent::Kind::arrived);
    EXPECT_EQ (selectedHidNo(), vqdsim::controllerHidNo);
}

} // namespace
