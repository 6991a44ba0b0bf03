// How reports and notices cross the library boundary: one notice per answer,
// answers handed over oldest first, the buffer limits, refused writes,
// device enumeration, and the modes that imitate other library builds.
#include "SimTestSupport.h"

#include <algorithm>

using namespace simtest;

namespace
{

class Reports : public SimSession
{
};

TEST_F (Reports, OneNoticePerAnswerAndOldestHandedOverFirst)
{
    open();
    const Report sent[] = { command (0xF0, 0x00), command (0xF0, 0x01), prepareCommand (0xF2, 0x1D0000, 0x1000) };
    for (const Report& report : sent)
        ASSERT_EQ (HID_Write (vqdsim::controllerHidNo, report.data(), 64), 1);

    // Wait for all three notices before taking any report, so that all
    // three answers wait at once.
    for (int i = 0; i < 3; ++i)
        expectNotice (inputMessage, vqdsim::controllerHidNo);

    const uint8_t expected[3][2] = { { 0xF0, 0x80 }, { 0xF0, 0x82 }, { 0xF2, 0x80 } };
    for (const auto& codes : expected)
    {
        Report answer {};
        int length = 64;
        HID_Input (vqdsim::controllerHidNo, answer.data(), &length);
        EXPECT_EQ (length, 64);
        EXPECT_EQ (answer[0], codes[0]);
        EXPECT_EQ (answer[1], codes[1]);
    }

    // Nothing more waits, and asking again does not make anything up.
    for (int i = 0; i < 2; ++i)
    {
        Report answer {};
        answer.fill (0x77);
        int length = 64;
        HID_Input (vqdsim::controllerHidNo, answer.data(), &length);
        EXPECT_EQ (length, 0);
    }
    EXPECT_TRUE (window.takeAll().empty());
    EXPECT_EQ (vqdsim::stats().answersSent, 3);
    EXPECT_EQ (vqdsim::stats().reportsReceived, 3);
}

TEST_F (Reports, InputWritesNoMoreThan64BytesNorMoreThanAsked)
{
    open();
    const Report info = exchange (command (0xF0, 0x01)); // the answer as the program would read it

    // A larger buffer gets 64 bytes and nothing after them.
    ASSERT_EQ (HID_Write (vqdsim::controllerHidNo, command (0xF0, 0x01).data(), 64), 1);
    expectNotice (inputMessage, vqdsim::controllerHidNo);
    std::vector<uint8_t> big (100, 0xA5);
    int length = 100;
    HID_Input (vqdsim::controllerHidNo, big.data(), &length);
    EXPECT_EQ (length, 64);
    EXPECT_TRUE (std::equal (info.begin(), info.end(), big.begin()));
    EXPECT_TRUE (std::all_of (big.begin() + 64, big.end(), [] (uint8_t b) { return b == 0xA5; }));

    // A smaller room gets only that many bytes, and the report is taken.
    ASSERT_EQ (HID_Write (vqdsim::controllerHidNo, command (0xF0, 0x01).data(), 64), 1);
    expectNotice (inputMessage, vqdsim::controllerHidNo);
    std::vector<uint8_t> small (64, 0xA5);
    length = 5;
    HID_Input (vqdsim::controllerHidNo, small.data(), &length);
    EXPECT_EQ (length, 5);
    EXPECT_TRUE (std::equal (info.begin(), info.begin() + 5, small.begin()));
    EXPECT_TRUE (std::all_of (small.begin() + 5, small.end(), [] (uint8_t b) { return b == 0xA5; }));
    length = 64;
    HID_Input (vqdsim::controllerHidNo, small.data(), &length);
    EXPECT_EQ (length, 0);

    // Null arguments do nothing and take nothing.
    ASSERT_EQ (HID_Write (vqdsim::controllerHidNo, command (0xF0, 0x00).data(), 64), 1);
    expectNotice (inputMessage, vqdsim::controllerHidNo);
    length = 64;
    HID_Input (vqdsim::controllerHidNo, nullptr, &length);
    EXPECT_EQ (length, 64);
    HID_Input (vqdsim::controllerHidNo, small.data(), nullptr);
    Report status {};
    length = 64;
    HID_Input (vqdsim::controllerHidNo, status.data(), &length);
    EXPECT_EQ (length, 64);
    EXPECT_EQ (status[1], 0x80);
}

TEST_F (Reports, WritesThatCannotReachAControllerAreRefused)
{
    vqdsim::Scenario scenario;
    scenario.otherDevice = true;
    open (scenario);

    const Report status = command (0xF0, 0x00);
    EXPECT_EQ (HID_Write (vqdsim::controllerHidNo, nullptr, 64), 0);
    EXPECT_EQ (HID_Write (vqdsim::controllerHidNo, status.data(), 1), 0);
    EXPECT_EQ (HID_Write (vqdsim::controllerHidNo, status.data(), 0), 0);
    EXPECT_EQ (HID_Write (vqdsim::controllerHidNo, status.data(), -64), 0);
    EXPECT_EQ (HID_Write (vqdsim::otherDeviceHidNo, status.data(), 64), 0);
    EXPECT_EQ (HID_Write (vqdsim::secondControllerHidNo, status.data(), 64), 0); // not in this scenario
    EXPECT_EQ (HID_Write (0, status.data(), 64), 0);
    EXPECT_EQ (HID_Write (-1, status.data(), 64), 0);

    // None of them got through: the next answer is the info query's.
    EXPECT_EQ (exchange (command (0xF0, 0x01))[1], 0x82);
    expectQuiet();
    const vqdsim::Stats stats = vqdsim::stats();
    EXPECT_EQ (stats.writesRefused, 8);
    EXPECT_EQ (stats.reportsReceived, 1);
    EXPECT_EQ (stats.commands[0x00], 0);
}

TEST_F (Reports, ShortWritesAreZeroPaddedAndLongOnesCut)
{
    open();

    // Only two bytes count; what lies after them in the caller's buffer must
    // not be read as the prepare's address and length.
    Report prepare {};
    prepare.fill (0xAA);
    prepare[0] = 0xF1;
    prepare[1] = 0x08;
    ASSERT_EQ (HID_Write (vqdsim::controllerHidNo, prepare.data(), 2), 1);
    EXPECT_EQ (receive()[1], 0x80);

    // 11 bytes: the length field is complete.
    Report withLength = prepareCommand (0xF1, 0x1D0000, 0x1234);
    std::fill (withLength.begin() + 11, withLength.end(), uint8_t (0xAA));
    ASSERT_EQ (HID_Write (vqdsim::controllerHidNo, withLength.data(), 11), 1);
    EXPECT_EQ (receive()[1], 0x80);

    // More than 64 bytes: the report is the first 64.
    std::vector<uint8_t> longReport (200, 0);
    longReport[0] = 0xF0;
    longReport[1] = 0x01;
    ASSERT_EQ (HID_Write (vqdsim::controllerHidNo, longReport.data(), 200), 1);
    EXPECT_EQ (receive()[1], 0x82);

    EXPECT_EQ (vqdsim::stats().prepareLengths, (std::vector<uint32_t> { 0, 0x1234 }));
}

TEST_F (Reports, EnumerationListsPresentDevicesInOrder)
{
    open();
    std::vector<int> numbers (HID_MAX_DEVICES, -7);
    EXPECT_EQ (HID_EnumHIDno (numbers.data()), 1);
    EXPECT_EQ (numbers[0], vqdsim::controllerHidNo);
    EXPECT_EQ (numbers[1], -7);
    EXPECT_EQ (HID_GetDeviceType (vqdsim::controllerHidNo), 0x38);
    EXPECT_EQ (HID_GetDeviceType (vqdsim::otherDeviceHidNo), 0);
    EXPECT_EQ (HID_GetDeviceType (vqdsim::secondControllerHidNo), 0);
    close();

    vqdsim::Scenario scenario;
    scenario.otherDevice = true;
    scenario.secondController = true;
    scenario.firmwareVersion = 0x0123;
    open (scenario);
    std::fill (numbers.begin(), numbers.end(), -7);
    EXPECT_EQ (HID_EnumHIDno (numbers.data()), 3);
    EXPECT_EQ (numbers[0], vqdsim::otherDeviceHidNo);
    EXPECT_EQ (numbers[1], vqdsim::controllerHidNo);
    EXPECT_EQ (numbers[2], vqdsim::secondControllerHidNo);
    EXPECT_EQ (numbers[3], -7);
    EXPECT_EQ (HID_GetDeviceType (vqdsim::otherDeviceHidNo), 0x21);
    EXPECT_EQ (HID_GetDeviceType (vqdsim::controllerHidNo), 0x38);
    EXPECT_EQ (HID_GetDeviceType (vqdsim::secondControllerHidNo), 0x38);
    EXPECT_EQ (HID_GetDeviceType (4), 0);
    EXPECT_EQ (HID_GetDeviceType (0), 0);

    // Called as the program calls it: type 0x38, two ints set to 0, count 1.
    int values[2] = { 0, 0 };
    EXPECT_EQ (HID_GetFirmwareVersion (0x38, values, 1), 1);
    EXPECT_EQ (values[0], 0x0123);
    EXPECT_EQ (values[1], 0);
    int untouched[2] = { 0, 0 };
    HID_GetFirmwareVersion (0x21, untouched, 1);
    HID_GetFirmwareVersion (0x38, untouched, 0);
    EXPECT_EQ (untouched[0], 0);
}

TEST_F (Reports, OverridesMisreportButNeverOverrun)
{
    // The count claimed is not the count written.
    vqdsim::Scenario scenario;
    scenario.otherDevice = true;
    scenario.enumCountOverride = 1000;
    scenario.inputLengthOverride = 100;
    open (scenario);

    std::vector<int> numbers (2 * HID_MAX_DEVICES, -7);
    EXPECT_EQ (HID_EnumHIDno (numbers.data()), 1000);
    EXPECT_EQ (numbers[0], vqdsim::otherDeviceHidNo);
    EXPECT_EQ (numbers[1], vqdsim::controllerHidNo);
    EXPECT_TRUE (std::all_of (numbers.begin() + 2, numbers.end(), [] (int n) { return n == -7; }));

    // The length claimed is not the bytes copied.
    ASSERT_EQ (HID_Write (vqdsim::controllerHidNo, command (0xF0, 0x01).data(), 64), 1);
    expectNotice (inputMessage, vqdsim::controllerHidNo);
    std::vector<uint8_t> buffer (200, 0xA5);
    int length = 200;
    HID_Input (vqdsim::controllerHidNo, buffer.data(), &length);
    EXPECT_EQ (length, 100);
    EXPECT_EQ (buffer[1], 0x82);
    EXPECT_TRUE (std::all_of (buffer.begin() + 64, buffer.end(), [] (uint8_t b) { return b == 0xA5; }));

    ASSERT_EQ (HID_Write (vqdsim::controllerHidNo, command (0xF0, 0x01).data(), 64), 1);
    expectNotice (inputMessage, vqdsim::controllerHidNo);
    std::fill (buffer.begin(), buffer.end(), uint8_t (0xA5));
    length = 8;
    HID_Input (vqdsim::controllerHidNo, buffer.data(), &length);
    EXPECT_EQ (length, 100);
    EXPECT_TRUE (std::all_of (buffer.begin() + 8, buffer.end(), [] (uint8_t b) { return b == 0xA5; }));
    close();

    // Zero claimed although a report was handed over.
    scenario = vqdsim::Scenario {};
    scenario.enumCountOverride = 0;
    scenario.inputLengthOverride = 0;
    open (scenario);
    std::fill (numbers.begin(), numbers.end(), -7);
    EXPECT_EQ (HID_EnumHIDno (numbers.data()), 0);
    ASSERT_EQ (HID_Write (vqdsim::controllerHidNo, command (0xF0, 0x00).data(), 64), 1);
    expectNotice (inputMessage, vqdsim::controllerHidNo);
    std::fill (buffer.begin(), buffer.end(), uint8_t (0));
    length = 64;
    HID_Input (vqdsim::controllerHidNo, buffer.data(), &length);
    EXPECT_EQ (length, 0);
    EXPECT_EQ (buffer[1], 0x80);
    length = 64;
    buffer[1] = 0;
    HID_Input (vqdsim::controllerHidNo, buffer.data(), &length);
    EXPECT_EQ (length, 0);
    EXPECT_EQ (buffer[1], 0) << "the report was taken by the first call";
}

TEST_F (Reports, InjectedReportsComeWithANotice)
{
    vqdsim::Scenario scenario;
    scenario.secondController = true;
    open (scenario);

    const uint8_t bytes[5] = { 0xF7, 0x83, 1, 2, 3 };
    vqdsim::injectReport (vqdsim::secondControllerHidNo, bytes, 5);
    expectNotice (inputMessage, vqdsim::secondControllerHidNo);

    Report answer;
    answer.fill (0xEE);
    int length = 64;
    HID_Input (vqdsim::controllerHidNo, answer.data(), &length);
    EXPECT_EQ (length, 0) << "injected into the other controller";
    length = 64;
    HID_Input (vqdsim::secondControllerHidNo, answer.data(), &length);
    EXPECT_EQ (length, 64);
    EXPECT_TRUE (std::equal (bytes, bytes + 5, answer.begin()));
    EXPECT_TRUE (std::all_of (answer.begin() + 5, answer.end(), [] (uint8_t b) { return b == 0; }));
}

} // namespace
