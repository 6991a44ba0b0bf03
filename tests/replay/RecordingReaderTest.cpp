// The recording reader: what it takes from a good file, and the first error
// of a bad one, with the line it is on. A recording comes from outside, so
// every refusal must name the line rather than crash or guess.
#include "recording/Crc32.h"
#include "recording/RecordingReader.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>

using vqdrec::Event;
using vqdrec::Function;
using vqdrec::Recording;
using vqdrec::RecordingReader;

namespace
{

const std::string header = "vqdtrm4-recording 1\n"
                           "recorder 1.0.0\n"
                           "arch x64\n"
                           "maker vqdtrm4hid_maker.dll\n"
                           "started 2026-12-09 23:40:01\n"
                           "---\n";

} // namespace

TEST (Crc32, IsZlibsCrc32)
{
    const std::string check = "123456789";
    const auto* bytes = reinterpret_cast<const uint8_t*> (check.data());
    EXPECT_EQ (vqdrec::crc32Update (0, bytes, check.size()), 0xCBF43926u);
    // In pieces, as a run's reports are summed one after the other.
    EXPECT_EQ (vqdrec::crc32Update (vqdrec::crc32Update (0, bytes, 4), bytes + 4, 5), 0xCBF43926u);
    EXPECT_EQ (vqdrec::crc32Update (0, bytes, 0), 0u);
}

TEST (RecordingReader, ReadsEveryKindOfLine)
{
    const std::string text = header
                             + "# a comment\r\n"
                               "10 t1 > HID_SetCallback window 0x403 0x402 0x401\n"
                               "11 t1 < HID_SetCallback\n"
                               "20 t1 > HID_EnumHIDno\n"
                               "21 t1 < HID_EnumHIDno 2 1 3\n"
                               "1532 t1 > HID_Write 3 64 F001\n"
                               "1540 t1 < HID_Write 1\n"
                               "1718 t3 notice 0x403 3 0 posted\n"
                               "1790 t2 > HID_Input 3 64\n"
                               "1795 t2 < HID_Input 64 F0822023071500312E3030\n"
                               "1800 t1 > HID_GetFirmwareVersion 56 1 0\n"
                               "1801 t1 < HID_GetFirmwareVersion 1 256\n"
                               "2000 t1 run 2114 2200000 3 F103 0A1B2C3D F180 t3 t2 sent\n"
                               // The program ended inside this call.
                               "2300000 t1 > HID_Write 3 64 F103\n";
    Recording recording;
    std::string error;
    ASSERT_TRUE (RecordingReader::parse (text, recording, error)) << error;

    EXPECT_EQ (recording.version, 1);
    EXPECT_EQ (recording.header["arch"], "x64");
    EXPECT_EQ (recording.header["started"], "2026-12-09 23:40:01");
    ASSERT_EQ (recording.events.size(), 13u);

    const Event& callback = recording.events[0];
    EXPECT_EQ (callback.line, 8);
    EXPECT_EQ (callback.function, Function::setCallback);
    EXPECT_EQ (callback.values, (std::vector<int64_t> { 1, 0x403, 0x402, 0x401 }));
    EXPECT_EQ (callback.partner, 1u);
    EXPECT_FALSE (callback.open);

    EXPECT_EQ (recording.events[3].values, (std::vector<int64_t> { 2, 1, 3 }));

    const Event& write = recording.events[4];
    EXPECT_EQ (write.timeUs, 1532);
    EXPECT_EQ (write.values, (std::vector<int64_t> { 3, 64 }));
    EXPECT_EQ (write.report, (std::vector<uint8_t> { 0xF0, 0x01 }));

    const Event& notice = recording.events[6];
    EXPECT_EQ (notice.kind, Event::Kind::notice);
    EXPECT_EQ (notice.thread, 3);
    EXPECT_EQ (notice.message, 0x403u);
    EXPECT_EQ (notice.wParam, 3u);
    EXPECT_FALSE (notice.sent);

    EXPECT_EQ (recording.events[8].values, (std::vector<int64_t> { 64 }));
    EXPECT_EQ (recording.events[8].report.size(), 11u);

    const Event& run = recording.events[11];
    EXPECT_EQ (run.kind, Event::Kind::run);
    EXPECT_EQ (run.run.count, 2114);
    EXPECT_EQ (run.run.spanUs, 2200000);
    EXPECT_EQ (run.run.prefix[0], 0xF1);
    EXPECT_EQ (run.run.prefix[1], 0x03);
    EXPECT_EQ (run.run.crc, 0x0A1B2C3Du);
    EXPECT_EQ (run.run.answer, (std::vector<uint8_t> { 0xF1, 0x80 }));
    EXPECT_EQ (run.run.noticeThread, 3);
    EXPECT_EQ (run.run.inputThread, 2);
    EXPECT_TRUE (run.run.sent);

    EXPECT_TRUE (recording.events[12].open);
    EXPECT_EQ (recording.events[12].partner, Event::noPartner);
}

TEST (RecordingReader, FormatsReportsAsTheFormatWritesThem)
{
    const uint8_t report[64] = { 0xF1, 0x0a, 0x00, 0x5C };
    EXPECT_EQ (RecordingReader::formatReport (report, 64), "F10A005C");
    EXPECT_EQ (RecordingReader::formatReport (report + 4, 60), "-");
}

struct BadRecording
{
    const char* what;
    std::string text;
    std::string error; // the start of what the reader must say
};

class RecordingReaderRefuses : public ::testing::TestWithParam<BadRecording>
{
};

TEST_P (RecordingReaderRefuses, NamingTheLine)
{
    Recording recording;
    recording.version = 99; // left alone by a refusal
    std::string error;
    EXPECT_FALSE (RecordingReader::parse (GetParam().text, recording, error));
    EXPECT_EQ (error.substr (0, GetParam().error.size()), GetParam().error) << "the reader said: " << error;
    EXPECT_EQ (recording.version, 99);
}

// The events' lines start at line 7, after the six of `header`.
INSTANTIATE_TEST_SUITE_P (
    Rows,
    RecordingReaderRefuses,
    ::testing::Values (
        BadRecording { "empty", "", "line 1: the file is empty" },
        BadRecording { "not a recording", "hello\n---\n", "line 1: not a recording" },
        BadRecording { "another version", "vqdtrm4-recording 2\n---\n", "line 1: format version 2" },
        BadRecording { "truncated header", "vqdtrm4-recording 1\narch x64\nstarted 2026-12-09", "line 4: the header is cut short" },
        BadRecording { "header line without value", "vqdtrm4-recording 1\narch\n---\n", "line 2: header line 'arch'" },
        BadRecording { "bad hex", header + "5 t1 > HID_Write 3 64 F0G1\n", "line 7: report 'F0G1' is not hex" },
        BadRecording { "odd hex", header + "5 t1 > HID_Write 3 64 F01\n", "line 7: report 'F01' has an odd number" },
        BadRecording { "report longer than its length", header + "5 t1 > HID_Write 3 2 F00102\n",
                       "line 7: the report has 3 bytes, more than its length 2" },
        BadRecording { "unknown event", header + "5 t1 call HID_Start\n", "line 7: unknown event 'call'" },
        BadRecording { "unknown function", header + "5 t1 > HID_Open\n", "line 7: unknown function 'HID_Open'" },
        BadRecording { "a result without a call", header + "5 t1 < HID_Write 1\n", "line 7: a '<' with no '>'" },
        BadRecording { "a result of another call",
                       header + "5 t1 > HID_Start\n6 t1 < HID_Stop\n", "line 8: '< HID_Stop' returns from HID_Start" },
        BadRecording { "a thread calls twice",
                       header + "5 t1 > HID_Start\n6 t1 > HID_Stop\n", "line 8: t1 calls HID_Stop while its call of line 7" },
        BadRecording { "too few fields", header + "5 t1 > HID_Write 3 64\n", "line 7: > HID_Write takes 3 fields" },
        BadRecording { "too many fields", header + "5 t1 > HID_Start now\n", "line 7: > HID_Start takes 0 fields" },
        BadRecording { "bad time", header + "5x t1 > HID_Start\n", "line 7: time '5x'" },
        BadRecording { "negative time", header + "-5 t1 > HID_Start\n", "line 7: time '-5'" },
        // Beyond what the replay's arithmetic takes (2^40 us, 2^22 cycles).
        BadRecording { "time too late", header + "1099511627777 t1 > HID_Start\n",
                       "line 7: time '1099511627777' is not a whole number from 0 to 1099511627776" },
        BadRecording { "span too long", header + "5 t1 run 3 1099511627777 3 F103 0A1B2C3D F180 t3 t2 sent\n",
                       "line 7: span '1099511627777' is not a whole number from 0 to 1099511627776" },
        BadRecording { "too many cycles", header + "5 t1 run 4194305 2000 3 F103 0A1B2C3D F180 t3 t2 sent\n",
                       "line 7: count '4194305' is not a whole number from 1 to 4194304" },
        BadRecording { "bad thread", header + "5 x1 > HID_Start\n", "line 7: thread 'x1'" },
        BadRecording { "short event", header + "5 t1\n", "line 7: an event is" },
        BadRecording { "bad window", header + "5 t1 > HID_SetCallback hwnd 0x403 0x402 0x401\n",
                       "line 7: HID_SetCallback's window 'hwnd'" },
        BadRecording { "notice message without 0x", header + "5 t3 notice 403 3 0 posted\n",
                       "line 7: message '403' is not hexadecimal" },
        BadRecording { "notice neither posted nor sent", header + "5 t3 notice 0x403 3 0 queued\n",
                       "line 7: 'queued' is neither posted nor sent" },
        BadRecording { "run with a short CRC", header + "5 t2 run 10 100 3 F103 1234 F180 t3 t1 posted\n",
                       "line 7: CRC '1234' is not 8 hex digits" },
        BadRecording { "run of no cycles", header + "5 t2 run 0 100 3 F103 0A1B2C3D F180 t3 t1 posted\n",
                       "line 7: count '0'" },
        BadRecording { "run with a long prefix", header + "5 t2 run 2 100 3 F10300 0A1B2C3D F180 t3 t1 posted\n",
                       "line 7: prefix 'F10300'" },
        BadRecording { "run while its thread is in a call",
                       header + "5 t2 > HID_Stop\n6 t2 run 2 100 3 F103 0A1B2C3D F180 t3 t1 posted\n",
                       "line 8: a run on t2 while its call of line 7" },
        BadRecording { "number out of range", header + "5 t1 > HID_GetDeviceType 99999999999\n",
                       "line 7: HID number '99999999999'" }),
    [] (const ::testing::TestParamInfo<BadRecording>& info) {
        std::string name;
        for (const char* c = info.param.what; *c != '\0'; ++c)
            name += std::isalnum (static_cast<unsigned char> (*c)) ? *c : '_';
        return name;
    });
