// The VQDTRM4_SIM text, and how HID_Initialize picks it up when no scenario
// was set in-process.
#include "SimTestSupport.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

using namespace simtest;
using Action = vqdsim::Fault::Action;

namespace
{

bool parse (const std::string& text, vqdsim::Scenario& scenario)
{
    std::string error;
    const bool ok = vqdsim::parseScenario (text, scenario, error);
    EXPECT_TRUE (ok) << text << ": " << error;
    EXPECT_TRUE (! ok || error.empty());
    return ok;
}

TEST (ScenarioText, EveryKeyReachesItsField)
{
    vqdsim::Scenario s;
    ASSERT_TRUE (parse ("cpu=rt1062; date=20191231; version=2.05; fw=0x0207; busy=20; delay_us=150; framed=1;"
                        "fault=blocksum:1:refuse:2; fault=commit:3:answercode:0x84:repeat; fault=7:2:wrongecho:0xF3;"
                        "fault=status:1:silent; fault=data:5:remove:repeat; fault=finish:1:writefail;"
                        "absent=1; remove_ms=250; arrive_ms=1000; second=1; other=1; fill=0x00;"
                        "dump=/tmp/some dir/flash.bin; log=/tmp/some dir/calls.log; input_len=65; enum_count=129",
                        s));

    EXPECT_EQ (s.statusAnswer, 0x8B);
    const uint8_t date[4] = { 0x20, 0x19, 0x12, 0x31 };
    EXPECT_TRUE (std::equal (s.date, s.date + 4, date));
    EXPECT_EQ (std::string (s.version, s.version + 4), "2.05");
    EXPECT_EQ (s.firmwareVersion, 0x0207);
    EXPECT_EQ (s.busyPerBlock, 20);
    EXPECT_EQ (s.answerDelayUs, 150);
    EXPECT_TRUE (s.framed);
    EXPECT_TRUE (s.absentAtStart);
    EXPECT_EQ (s.removeAfterMs, 250);
    EXPECT_EQ (s.arriveAfterMs, 1000);
    EXPECT_TRUE (s.secondController);
    EXPECT_TRUE (s.otherDevice);
    EXPECT_EQ (s.flashFill, 0x00);
    EXPECT_EQ (s.dumpPath, "/tmp/some dir/flash.bin");
    EXPECT_EQ (s.logPath, "/tmp/some dir/calls.log");
    EXPECT_EQ (s.inputLengthOverride, 65);
    EXPECT_EQ (s.enumCountOverride, 129);

    ASSERT_EQ (s.faults.size(), 6u);
    const struct
    {
        int command, occurrence;
        Action action;
        int value;
        bool repeat;
    } expected[] = { { 0x04, 1, Action::refuse, 2, false }, { 0x05, 3, Action::answerCode, 0x84, true }, { 0x07, 2, Action::wrongEcho, 0xF3, false }, { 0x00, 1, Action::silent, 0, false }, { 0x03, 5, Action::remove, 0, true }, { 0x06, 1, Action::writeFail, 0, false } };
    for (std::size_t i = 0; i < 6; ++i)
    {
        SCOPED_TRACE (i);
        EXPECT_EQ (s.faults[i].command, expected[i].command);
        EXPECT_EQ (s.faults[i].occurrence, expected[i].occurrence);
        EXPECT_EQ (s.faults[i].action, expected[i].action);
        EXPECT_EQ (s.faults[i].value, expected[i].value);
        EXPECT_EQ (s.faults[i].repeat, expected[i].repeat);
    }
}

TEST (ScenarioText, AlternativeSpellings)
{
    vqdsim::Scenario s;
    ASSERT_TRUE (parse ("", s));
    ASSERT_TRUE (parse (" ; ;", s));
    EXPECT_EQ (s.statusAnswer, 0x80);
    EXPECT_TRUE (s.faults.empty());

    ASSERT_TRUE (parse ("CPU=RT1062", s));
    EXPECT_EQ (s.statusAnswer, 0x8B);
    ASSERT_TRUE (parse ("cpu=sh7269", s));
    EXPECT_EQ (s.statusAnswer, 0x80);
    ASSERT_TRUE (parse ("status=0x81", s));
    EXPECT_EQ (s.statusAnswer, 0x81);
    ASSERT_TRUE (parse ("status=139", s));
    EXPECT_EQ (s.statusAnswer, 0x8B);

    ASSERT_TRUE (parse ("version=ffffffff", s));
    EXPECT_TRUE (std::all_of (s.version, s.version + 4, [] (uint8_t b) { return b == 0xFF; }));
    ASSERT_TRUE (parse ("version=312E3030", s));
    EXPECT_EQ (std::string (s.version, s.version + 4), "1.00");

    ASSERT_TRUE (parse ("framed=true;second=yes;other=off", s));
    EXPECT_TRUE (s.framed);
    EXPECT_TRUE (s.secondController);
    EXPECT_FALSE (s.otherDevice);

    // Faults add up over texts; other keys take the last value.
    ASSERT_TRUE (parse ("busy=1;busy=3;fault=0x05:1:WRONG_ECHO:0;fault=lastlength:1:answer_code:0x82", s));
    EXPECT_EQ (s.busyPerBlock, 3);
    ASSERT_EQ (s.faults.size(), 2u);
    EXPECT_EQ (s.faults[0].command, 0x05);
    EXPECT_EQ (s.faults[0].action, Action::wrongEcho);
    EXPECT_EQ (s.faults[1].command, 0x07);
    EXPECT_EQ (s.faults[1].action, Action::answerCode);

    const char* names[] = { "status", "info", "blockstart", "data", "blocksum", "commit", "finish", "lastlength", "prepare" };
    for (int code = 0; code <= 8; ++code)
    {
        vqdsim::Scenario one;
        ASSERT_TRUE (parse (std::string ("fault=") + names[code] + ":1:silent", one));
        EXPECT_EQ (one.faults.at (0).command, code) << names[code];
    }
}

TEST (ScenarioText, MistakesAreNamedAndChangeNothing)
{
    const struct
    {
        const char* text;
        const char* named; // the error must mention this
    } bad[] = {
        { "colour=red", "colour" },
        { "busy", "busy" },
        { "busy=", "busy" },
        { "busy=-1", "busy" },
        { "busy=lots", "lots" },
        { "busy=1.5", "busy" },
        { "delay_us=0x", "delay_us" },
        { "cpu=z80", "z80" },
        { "status=256", "status" },
        { "date=2023071", "date" },
        { "date=2023071G", "date" },
        { "date=202307150", "date" },
        { "version=1.0", "version" },
        { "version=1.000", "version" },
        { "framed=maybe", "framed" },
        { "fill=0x100", "fill" },
        { "dump=", "dump" },
        { "log=", "log" },
        { "log= ; busy=1", "log" },
        { "remove_ms=soon", "remove_ms" },
        { "enum_count=-", "enum_count" },
        { "busy=-2", "busy" },
        { "fault=status", "status" },
        { "fault=bogus:1:silent", "bogus" },
        { "fault=status:0:silent", "0" },
        { "fault=status:x:silent", "x" },
        { "fault=status:1:explode", "explode" },
        { "fault=status:1:refuse", "refuse" },
        { "fault=status:1:refuse:300", "refuse" },
        { "fault=status:1:silent:4", "4" },
        { "fault=status:1:refuse:2:again", "again" },
        { "fault=status:1:refuse:2:repeat:repeat", "fault" },
        { "fault=status:1:silent:repeat:repeat", "fault" },
        { "fault=256:1:silent", "256" },
        { "busy=2;colour=red", "colour" },
    };

    for (const auto& c : bad)
    {
        SCOPED_TRACE (c.text);
        vqdsim::Scenario s;
        s.busyPerBlock = 7;
        std::string error;
        EXPECT_FALSE (vqdsim::parseScenario (c.text, s, error));
        EXPECT_NE (error.find (c.named), std::string::npos) << "error: " << error;
        EXPECT_EQ (error.find ('\n'), std::string::npos) << "one line, please: " << error;
        EXPECT_EQ (s.busyPerBlock, 7);
        EXPECT_TRUE (s.faults.empty());
    }
}

// ---------------------------------------------------------------------------

class EnvironmentScenario : public SimSession
{
protected:
    void TearDown() override
    {
        SimSession::TearDown();
        unsetenv ("VQDTRM4_SIM");
    }

    // Opens the session the way the running program does: without configure().
    void openFromEnvironment (const char* text)
    {
        vqdsim::configure (vqdsim::Scenario {});
        vqdsim::reset();
        setenv ("VQDTRM4_SIM", text, 1);
        HID_Initialize (&instanceTag);
        HID_SetCallback (window.handle(), inputMessage, arrivalMessage, removalMessage);
        HID_Start();
        opened = true;
    }
};

TEST_F (EnvironmentScenario, ReadWhenNothingWasConfigured)
{
    openFromEnvironment ("cpu=rt1062;second=1;busy=2;fill=0x00");
    EXPECT_EQ (exchange (command (0xF0, 0x00))[1], 0x8B);

    int numbers[HID_MAX_DEVICES] = {};
    EXPECT_EQ (HID_EnumHIDno (numbers), 2);
    EXPECT_EQ (numbers[1], vqdsim::secondControllerHidNo);
    EXPECT_EQ (vqdsim::flashImage()[0], 0x00);
    EXPECT_EQ (vqdsim::callLog().front(), "HID_Initialize");
}

TEST_F (EnvironmentScenario, BadTextFallsBackToTheDefaultsWithOneLine)
{
    ::testing::internal::CaptureStderr();
    openFromEnvironment ("cpu=rt1062;busy=lots");
    const std::string said = ::testing::internal::GetCapturedStderr();

    EXPECT_NE (said.find ("VQDTRM4_SIM"), std::string::npos) << said;
    EXPECT_NE (said.find ("lots"), std::string::npos) << said;
    EXPECT_EQ (std::count (said.begin(), said.end(), '\n'), 1) << said;
    EXPECT_EQ (exchange (command (0xF0, 0x00))[1], 0x80) << "the good part of a bad text must not be used either";
}

TEST_F (EnvironmentScenario, CallLogFileNamedInTheText)
{
    // The running program can only name the file through the environment.
    const std::string path = ::testing::TempDir() + "vqdsim_env_calls_" + std::to_string (::getpid()) + ".log";
    std::remove (path.c_str());

    openFromEnvironment (("busy=1; log=" + path + " ;cpu=rt1062").c_str());
    EXPECT_EQ (exchange (command (0xF0, 0x00))[1], 0x8B);
    close();

    std::ifstream file (path);
    ASSERT_TRUE (file.good()) << "no call log at " << path;
    std::vector<std::string> lines;
    for (std::string line; std::getline (file, line);)
        lines.push_back (line);
    std::remove (path.c_str());

    const std::vector<std::string> expected { "HID_Initialize", "HID_SetCallback(window)", "HID_Start",
                                              "HID_Stop", "HID_SetCallback(null)", "HID_Finalize" };
    EXPECT_EQ (lines, expected);
}

TEST_F (EnvironmentScenario, InProcessScenarioWins)
{
    setenv ("VQDTRM4_SIM", "cpu=sh7269", 1);
    vqdsim::Scenario scenario;
    scenario.statusAnswer = 0x8B;
    open (scenario);
    EXPECT_EQ (exchange (command (0xF0, 0x00))[1], 0x8B);
}

} // namespace
