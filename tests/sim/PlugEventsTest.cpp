// Unplugging and plugging in: by the test's hand, by the scenario's clock,
// and what an absent controller does with reports.
#include "SimTestSupport.h"

#include <algorithm>
#include <thread>

using namespace simtest;

namespace
{

class PlugEvents : public SimSession
{
protected:
    static std::vector<int> presentDevices()
    {
        int numbers[HID_MAX_DEVICES] = {};
        const int count = HID_EnumHIDno (numbers);
        return std::vector<int> (numbers, numbers + std::max (0, std::min (count, int (HID_MAX_DEVICES))));
    }
};

TEST_F (PlugEvents, UnplugAndPlugAtOnce)
{
    open();

    // An answer waits when the cable is pulled: it goes with the device.
    ASSERT_EQ (HID_Write (vqdsim::controllerHidNo, command (0xF0, 0x00).data(), 64), 1);
    expectNotice (inputMessage, vqdsim::controllerHidNo);

    vqdsim::unplug (vqdsim::controllerHidNo);
    expectNotice (removalMessage, vqdsim::controllerHidNo);
    Report buffer {};
    int length = 64;
    HID_Input (vqdsim::controllerHidNo, buffer.data(), &length);
    EXPECT_EQ (length, 0);

    EXPECT_EQ (HID_Write (vqdsim::controllerHidNo, command (0xF0, 0x00).data(), 64), 0);
    EXPECT_EQ (vqdsim::stats().writesRefused, 1);
    EXPECT_TRUE (presentDevices().empty());
    EXPECT_EQ (HID_GetDeviceType (vqdsim::controllerHidNo), 0);

    // Pulling it again does nothing more.
    vqdsim::unplug (vqdsim::controllerHidNo);
    vqdsim::plug (vqdsim::controllerHidNo);
    expectNotice (arrivalMessage, 0);
    vqdsim::plug (vqdsim::controllerHidNo);
    EXPECT_TRUE (window.takeAll().empty());

    EXPECT_EQ (presentDevices(), std::vector<int> { vqdsim::controllerHidNo });
    EXPECT_EQ (HID_GetDeviceType (vqdsim::controllerHidNo), 0x38);
    // The answer that waited before the removal did not come back with it.
    length = 64;
    HID_Input (vqdsim::controllerHidNo, buffer.data(), &length);
    EXPECT_EQ (length, 0);
    EXPECT_EQ (exchange (command (0xF0, 0x01))[1], 0x82);
}

TEST_F (PlugEvents, AnswerOnItsWayIsLostWithTheDevice)
{
    vqdsim::Scenario scenario;
    scenario.answerDelayUs = 20000;
    open (scenario);

    // Out and back in while an answer is still being prepared: the loader
    // has handled the prepare (its length is kept) but not yet answered.
    ASSERT_EQ (HID_Write (vqdsim::controllerHidNo, prepareCommand (0xF1, 0x1D0000, 0x10000).data(), 64), 1);
    const auto giveUp = Clock::now() + patience;
    while (vqdsim::stats().prepareLengths.empty() && Clock::now() < giveUp)
        std::this_thread::yield();
    ASSERT_EQ (vqdsim::stats().prepareLengths.size(), 1u);
    vqdsim::unplug (vqdsim::controllerHidNo);
    vqdsim::plug (vqdsim::controllerHidNo);

    // Only on a very slow machine could the answer have gone out before the
    // removal; then it went before the removal notice.
    Notice notice;
    do
        ASSERT_TRUE (window.next (notice));
    while (notice.message == inputMessage);
    EXPECT_EQ (notice.message, removalMessage);
    expectNotice (arrivalMessage, 0);

    // The first answer after the arrival belongs to the next command.
    EXPECT_EQ (exchange (command (0xF0, 0x01))[1], 0x82);
    expectQuiet();
}

TEST_F (PlugEvents, RemovalLosesTheBlockUnderWay)
{
    open();
    const std::vector<uint8_t> block = patternBytes (62, 4);
    EXPECT_EQ (exchange (blockStartCommand (0xF7, 0x1D0000, 124))[1], 0x80);
    EXPECT_EQ (exchange (dataCommand (0xF7, block.data(), 62))[1], 0x80);

    vqdsim::unplug (vqdsim::controllerHidNo);
    expectNotice (removalMessage, vqdsim::controllerHidNo);
    vqdsim::plug (vqdsim::controllerHidNo);
    expectNotice (arrivalMessage, 0);

    const Report data = exchange (dataCommand (0xF7, block.data(), 62));
    EXPECT_EQ (data[1], 0x81);
    EXPECT_EQ (data[2], 5);
    const std::vector<uint8_t> image3 = vqdsim::flashRegion (0xF7);
    EXPECT_TRUE (std::all_of (image3.begin(), image3.end(), [] (uint8_t b) { return b == 0xFF; }));
}

TEST_F (PlugEvents, AbsentAtStartArrivesLater)
{
    vqdsim::Scenario scenario;
    scenario.absentAtStart = true;
    scenario.arriveAfterMs = 20;
    vqdsim::configure (scenario);
    HID_Initialize (&instanceTag);
    HID_SetCallback (window.handle(), inputMessage, arrivalMessage, removalMessage);
    opened = true;

    // The arrival is counted from HID_Start, so before it nothing is there.
    EXPECT_TRUE (presentDevices().empty());
    EXPECT_EQ (HID_Write (vqdsim::controllerHidNo, command (0xF0, 0x00).data(), 64), 0);

    const auto started = Clock::now();
    HID_Start();
    const Notice arrival = expectNotice (arrivalMessage, 0);
    EXPECT_GE (arrival.at - started, std::chrono::milliseconds (20)) << "arrived before its time";
    EXPECT_EQ (presentDevices(), std::vector<int> { vqdsim::controllerHidNo });
    EXPECT_EQ (exchange (command (0xF0, 0x00))[1], 0x80);
}

TEST_F (PlugEvents, RemovedAfterStartAndBackAgain)
{
    vqdsim::Scenario scenario;
    scenario.removeAfterMs = 15;
    scenario.arriveAfterMs = 10;
    const auto started = Clock::now();
    open (scenario);

    const Notice removal = expectNotice (removalMessage, vqdsim::controllerHidNo);
    EXPECT_GE (removal.at - started, std::chrono::milliseconds (15));
    const Notice arrival = expectNotice (arrivalMessage, 0);
    EXPECT_GE (arrival.at - started, std::chrono::milliseconds (15 + 10));

    EXPECT_EQ (exchange (command (0xF0, 0x00))[1], 0x80);
    EXPECT_EQ (vqdsim::stats().answersSent, 1);
}

TEST_F (PlugEvents, RemovalFaultWithArrivalBringsTheControllerBack)
{
    // The program's retry after a lost device: the second status query goes
    // to the re-arrived controller and is answered.
    vqdsim::Scenario scenario;
    vqdsim::Fault fault;
    fault.command = 0x00;
    fault.occurrence = 1;
    fault.action = vqdsim::Fault::Action::remove;
    scenario.faults.push_back (fault);
    scenario.arriveAfterMs = 5;
    open (scenario);

    ASSERT_EQ (HID_Write (vqdsim::controllerHidNo, command (0xF0, 0x00).data(), 64), 1);
    expectNotice (removalMessage, vqdsim::controllerHidNo);
    expectNotice (arrivalMessage, 0);
    EXPECT_EQ (exchange (command (0xF0, 0x00))[1], 0x80);
}

TEST_F (PlugEvents, ControllersComeAndGoOnTheirOwn)
{
    vqdsim::Scenario scenario;
    scenario.secondController = true;
    scenario.otherDevice = true;
    open (scenario);

    // Answers carry the HID number of the device that gave them.
    ASSERT_EQ (HID_Write (vqdsim::secondControllerHidNo, command (0xF0, 0x01).data(), 64), 1);
    EXPECT_EQ (receive (vqdsim::secondControllerHidNo)[1], 0x82);
    EXPECT_EQ (exchange (command (0xF0, 0x00))[1], 0x80);

    vqdsim::unplug (vqdsim::secondControllerHidNo);
    expectNotice (removalMessage, vqdsim::secondControllerHidNo);
    EXPECT_EQ (presentDevices(), (std::vector<int> { vqdsim::otherDeviceHidNo, vqdsim::controllerHidNo }));
    EXPECT_EQ (HID_Write (vqdsim::secondControllerHidNo, command (0xF0, 0x00).data(), 64), 0);
    EXPECT_EQ (exchange (command (0xF0, 0x00))[1], 0x80);

    vqdsim::unplug (vqdsim::otherDeviceHidNo);
    expectNotice (removalMessage, vqdsim::otherDeviceHidNo);
    EXPECT_EQ (presentDevices(), std::vector<int> { vqdsim::controllerHidNo });

    // The second controller writes its own flash, not the first one's.
    vqdsim::plug (vqdsim::secondControllerHidNo);
    expectNotice (arrivalMessage, 0);
    const std::vector<uint8_t> block = patternBytes (30, 30);
    std::vector<Report> reports { blockStartCommand (0xF7, 0x1D0000, 30) };
    for (const Report& r : dataReportsFor (0xF7, block))
        reports.push_back (r);
    reports.push_back (blockSumCommand (0xF7, byteSum (block)));
    reports.push_back (command (0xF7, 0x05));
    const std::vector<Report> answers = exchangeAll (reports, vqdsim::secondControllerHidNo);
    ASSERT_FALSE (answers.empty());
    EXPECT_EQ (answers.back()[1], 0x85);
    const std::vector<uint8_t> image3 = vqdsim::flashRegion (0xF7);
    EXPECT_TRUE (std::all_of (image3.begin(), image3.end(), [] (uint8_t b) { return b == 0xFF; }));
    EXPECT_TRUE (vqdsim::stats().blocks.back().committed);
}

} // namespace
