// The replay's rules, one small hand-written recording each: the recorded
// results and notices, the flash the program's writes make, a divergence in
// each kind of line, the removal rule, calls of another thread waiting for
// their turn, the recorded waits, and fast=1.
#include "ReplayFixture.h"

#include "recording/Crc32.h"
#include "recording/RecordingReader.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <thread>

namespace
{

using Report = std::array<uint8_t, 64>;

const std::string header = "vqdtrm4-recording 1\n"
                           "recorder 1.0.0\n"
                           "arch linux\n"
                           "maker libvqdtrm4hid_maker.so\n"
                           "started 2026-12-09 23:40:01\n"
                           "---\n";

const std::string opening = "0 t1 > HID_Initialize\n"
                            "5 t1 < HID_Initialize\n"
                            "10 t1 > HID_SetCallback window 0x403 0x402 0x401\n"
                            "15 t1 < HID_SetCallback\n";

std::string closing (int64_t at)
{
    std::string text;
    const char* lines[] = { "> HID_Stop", "< HID_Stop", "> HID_SetCallback null 0 0 0", "< HID_SetCallback",
                            "> HID_Finalize", "< HID_Finalize" };
    for (const char* line : lines)
        text += std::to_string (at++) + " t1 " + line + "\n";
    return text;
}

std::string hex (const Report& report)
{
    return vqdrec::RecordingReader::formatReport (report.data(), report.size());
}

// One block of 124 bytes for image 0xF1 at address 0: its start, two data
// reports of 62 bytes, its sum and the commit poll.
struct Block
{
    std::vector<uint8_t> bytes;
    std::vector<Report> reports; // start, data, data, sum, commit

    Block()
    {
        for (int i = 0; i < 124; ++i)
            bytes.push_back (static_cast<uint8_t> (i * 7 + 3));

        Report start { 0xF1, 0x02 };
        start[7] = 124;
        reports.push_back (start);
        for (int piece = 0; piece < 2; ++piece)
        {
            Report data { 0xF1, 0x03 };
            std::copy_n (bytes.begin() + piece * 62, 62, data.begin() + 2);
            reports.push_back (data);
        }
        uint32_t sum = 0;
        for (uint8_t byte : bytes)
            sum += byte;
        Report sumReport { 0xF1, 0x04 };
        for (int i = 0; i < 4; ++i)
            sumReport[static_cast<std::size_t> (2 + i)] = static_cast<uint8_t> (sum >> (8 * i));
        reports.push_back (sumReport);
        reports.push_back (Report { 0xF1, 0x05 });
    }

    // The answer the recording gives to each report.
    static const char* answer (std::size_t index) { return index == 4 ? "F185" : "F180"; }

    uint32_t dataCrc() const
    {
        const uint32_t first = vqdrec::crc32Update (0, reports[1].data(), 64);
        return vqdrec::crc32Update (first, reports[2].data(), 64);
    }
};

// A whole session with the block: its lines 7 and on are listed in the
// comments of the test rows below.
std::string blockSession (const Block& block)
{
    char crc[16];
    std::snprintf (crc, sizeof (crc), "%08X", block.dataCrc());

    std::string text = header + opening
                       + "20 t1 > HID_Start\n"                     // 11
                         "25 t1 < HID_Start\n"                     // 12
                         "30 t1 > HID_EnumHIDno\n"                 // 13
                         "35 t1 < HID_EnumHIDno 2 1 3\n"           // 14
                         "40 t1 > HID_GetDeviceType 3\n"           // 15
                         "45 t1 < HID_GetDeviceType 56\n"          // 16
                         "50 t1 > HID_GetFirmwareVersion 56 1 0\n" // 17
                         "55 t1 < HID_GetFirmwareVersion 1 256\n"  // 18
                         "100 t2 > HID_Write 3 64 "
                       + hex (block.reports[0]) + "\n" // 19
                       + "110 t2 < HID_Write 1\n"      // 20
                         "300 t3 notice 0x403 3 0 posted\n"
                         "400 t1 > HID_Input 3 64\n"
                         "410 t1 < HID_Input 64 F180\n"
                         "1000 t2 run 2 2000 3 F103 "
                       + crc + " F180 t3 t1 posted\n"; // 24
    int64_t at = 3100;
    for (std::size_t i = 3; i < 5; ++i, at += 400) // 25..29, 30..34
        text += std::to_string (at) + " t2 > HID_Write 3 64 " + hex (block.reports[i]) + "\n" + std::to_string (at + 10)
                + " t2 < HID_Write 1\n" + std::to_string (at + 200) + " t3 notice 0x403 3 0 posted\n"
                + std::to_string (at + 300) + " t1 > HID_Input 3 64\n" + std::to_string (at + 310)
                + " t1 < HID_Input 64 " + Block::answer (i) + "\n";
    return text + closing (4000); // 35..40
}

// What the program side does differently in a row: a changed byte in one of
// the block's reports, HID_Finalize instead of the read after one of them,
// or another call after the whole session.
struct Deviation
{
    const char* what;
    int report = -1; // index in Block::reports
    int byte = 0;
    uint8_t value = 0;
    int finalizeAfter = -1; // HID_Finalize instead of the read of this report's answer
    bool callAfterEnd = false;
    std::vector<std::string> says; // parts of the divergence line, in order

    friend void PrintTo (const Deviation& deviation, std::ostream* out) { *out << deviation.what; }
};

class ReplaySession : public ReplayFixture
{
protected:
    // Plays the program's side of the block session; stops at the first call
    // the deviation changes and returns false then.
    bool playBlockSession (const Block& block, const Deviation& deviation)
    {
        openSession();
        HID_Start();

        int numbers[HID_MAX_DEVICES] = {};
        EXPECT_EQ (HID_EnumHIDno (numbers), 2);
        EXPECT_EQ (numbers[0], 1);
        EXPECT_EQ (numbers[1], 3);
        EXPECT_EQ (HID_GetDeviceType (3), 56);
        int versions[2] = {};
        EXPECT_EQ (HID_GetFirmwareVersion (56, versions, 1), 1);
        EXPECT_EQ (versions[0], 256);

        for (std::size_t i = 0; i < block.reports.size(); ++i)
        {
            Report report = block.reports[i];
            const bool changed = deviation.report == static_cast<int> (i);
            if (changed)
                report[static_cast<std::size_t> (deviation.byte)] = deviation.value;
            const int written = HID_Write (3, report.data(), 64);
            if (changed)
            {
                EXPECT_EQ (written, 0);
                return false;
            }
            EXPECT_EQ (written, 1);

            if (deviation.finalizeAfter == static_cast<int> (i))
            {
                HID_Finalize();
                return false;
            }

            if (! waitForNotices (i + 1))
                return false;
            EXPECT_EQ (notices().back().message, NotificationWindow::inputMessage);
            EXPECT_EQ (notices().back().wParam, 3u);
            int length = 0;
            const Report answer = input (3, length);
            EXPECT_EQ (length, 64);
            EXPECT_EQ (hex (answer), Block::answer (i));
        }

        closeSession();
        if (deviation.callAfterEnd)
        {
            HID_Initialize (module);
            return false;
        }
        return true;
    }
};

class ReplaySessionPacing : public ReplaySession, public ::testing::WithParamInterface<bool>
{
};

} // namespace

TEST_P (ReplaySessionPacing, GivesTheRecordedResultsAndNoticesAndKeepsTheWrittenFlash)
{
    const Block block;
    play (blockSession (block), GetParam(), "flash.bin");
    ASSERT_TRUE (playBlockSession (block, Deviation {}));

    const vqdsim::ReplayOutcome outcome = vqdsim::replayOutcome();
    EXPECT_TRUE (outcome.replaying);
    EXPECT_FALSE (outcome.diverged) << outcome.divergence;
    EXPECT_TRUE (outcome.playedToEnd);
    EXPECT_EQ (notices().size(), 5u);

    // The flash holds the block the program wrote, committed by its poll.
    const std::vector<uint8_t> image = vqdsim::flashRegion (0xF1);
    ASSERT_EQ (image.size(), 0x90000u);
    EXPECT_TRUE (std::equal (block.bytes.begin(), block.bytes.end(), image.begin()));
    EXPECT_TRUE (std::all_of (image.begin() + 124, image.end(), [] (uint8_t b) { return b == 0xFF; }));

    // And the same flash is in the dump beside the recording.
    juce::MemoryBlock dump;
    ASSERT_TRUE (juce::File (juce::String::fromUTF8 (path.c_str())).getSiblingFile ("flash.bin").loadFileAsData (dump));
    ASSERT_EQ (dump.getSize(), (size_t) vqdsim::flashEnd);
    EXPECT_TRUE (std::equal (block.bytes.begin(), block.bytes.end(), static_cast<const uint8_t*> (dump.getData())));
}

INSTANTIATE_TEST_SUITE_P (FastAndRecordedTiming, ReplaySessionPacing, ::testing::Values (true, false));

class ReplayDivergence : public ReplaySession, public ::testing::WithParamInterface<Deviation>
{
};

TEST_P (ReplayDivergence, IsReportedWithTheLineAndThenNothingAnswers)
{
    const Block block;
    play (blockSession (block), true);
    EXPECT_FALSE (playBlockSession (block, GetParam()));

    const vqdsim::ReplayOutcome outcome = vqdsim::replayOutcome();
    ASSERT_TRUE (outcome.diverged);
    EXPECT_EQ (outcome.playedToEnd, GetParam().callAfterEnd);
    std::size_t at = 0;
    for (const std::string& part : GetParam().says)
    {
        const std::size_t found = outcome.divergence.find (part, at);
        EXPECT_NE (found, std::string::npos) << "'" << part << "' missing from: " << outcome.divergence;
        at = found == std::string::npos ? at : found + part.size();
    }
    EXPECT_NE (outcome.divergence.find (path), std::string::npos) << outcome.divergence;

    // From then on the library answers nothing.
    MessageLoop::runFor (50);
    const std::size_t noticesBefore = notices().size();
    EXPECT_EQ (HID_Write (3, block.reports[0].data(), 64), 0);
    int numbers[HID_MAX_DEVICES] = {};
    EXPECT_EQ (HID_EnumHIDno (numbers), 0);
    int length = 0;
    input (3, length);
    EXPECT_EQ (length, 0);
    MessageLoop::runFor (50);
    EXPECT_EQ (notices().size(), noticesBefore);
}

INSTANTIATE_TEST_SUITE_P (
    Rows,
    ReplayDivergence,
    ::testing::Values (
        Deviation { "a byte of a plain write", 0, 7, 0x7D, -1, false, { "diverged at line 19 of ", ": expected \"> HID_Write 3 64 F10200000000007C\", got \"> HID_Write 3 64 F10200000000007D\"" } },
        Deviation { "the prefix of a run's write", 2, 0, 0xF2, -1, false, { "diverged at line 24 of ", "expected \"> HID_Write 3 64 F103... (cycle 2 of 2 of a run)\", got \"> HID_Write 3 64 F203" } },
        Deviation { "a payload byte of a run's write", 2, 40, 0x00, -1, false, { "diverged at line 24 of ", "expected \"2 writes with CRC ", "got \"2 writes with CRC " } },
        Deviation { "HID_Finalize where the recording goes on", -1, 0, 0, 0, false, { "stopped early at line 22 of ", "expected \"> HID_Input 3 64\", got \"> HID_Finalize\"" } },
        Deviation { "a call after the end", -1, 0, 0, -1, true, { "diverged after the last line of ", "expected \"the end of the recording\", got \"> HID_Initialize\"" } }),
    [] (const ::testing::TestParamInfo<Deviation>& info) {
        std::string name;
        for (const char* c = info.param.what; *c != '\0'; ++c)
            name += std::isalnum (static_cast<unsigned char> (*c)) ? *c : '_';
        return name;
    });

// After the removal notice the program may still write to the controller,
// as often as its threads happen to: those writes fail unmatched, and the
// recording's own failed writes after the removal are skipped.
class ReplayRemoval : public ReplayFixture, public ::testing::WithParamInterface<int>
{
};

TEST_P (ReplayRemoval, WritesAfterTheNoticeFailWithoutBeingMatched)
{
    const Block block;
    play (header + opening
              + "100 t2 > HID_Write 3 64 " + hex (block.reports[0]) + "\n"
              + "110 t2 < HID_Write 1\n"
                "300 t3 notice 0x401 3 0 posted\n"
                "400 t2 > HID_Write 3 64 F103\n"
                "410 t2 < HID_Write 0\n"
                "500 t2 > HID_Write 3 64 F103\n"
                "510 t2 < HID_Write 0\n"
              + closing (600),
          true);

    openSession();
    ASSERT_EQ (HID_Write (3, block.reports[0].data(), 64), 1);
    // Some writes before the program has seen the notice, then the rest.
    const int writes = GetParam();
    for (int i = 0; i < writes / 2; ++i)
        EXPECT_EQ (HID_Write (3, block.reports[1].data(), 64), 0);
    ASSERT_TRUE (waitForNotices (1));
    EXPECT_EQ (notices()[0].message, NotificationWindow::removalMessage);
    EXPECT_EQ (notices()[0].wParam, 3u);
    for (int i = writes / 2; i < writes; ++i)
        EXPECT_EQ (HID_Write (3, block.reports[1].data(), 64), 0);
    closeSession();

    const vqdsim::ReplayOutcome outcome = vqdsim::replayOutcome();
    EXPECT_FALSE (outcome.diverged) << outcome.divergence;
    EXPECT_TRUE (outcome.playedToEnd);
    // The block under way is lost with the power.
    const std::vector<uint8_t> image = vqdsim::flashRegion (0xF1);
    EXPECT_TRUE (std::all_of (image.begin(), image.end(), [] (uint8_t b) { return b == 0xFF; }));
}

INSTANTIATE_TEST_SUITE_P (WritesAfterTheRemoval, ReplayRemoval, ::testing::Values (0, 1, 2, 5));

// A recording of a failed update ends inside a call: the write that hung when
// the cable was pulled, then Close. Before the removal notice that write is
// the program's too, and as the library did it does not return while the
// replay goes on; after the notice the removal rule holds (the program's
// write fails unmatched, the recording's is skipped).
class ReplayOpenCall : public ReplayFixture, public ::testing::WithParamInterface<bool>
{
};

TEST_P (ReplayOpenCall, HangsLikeTheLibraryUntilTheReplayEnds)
{
    const bool beforeRemoval = GetParam();
    const std::string write = "100 t2 > HID_Write 3 64 F103\n";
    const std::string removal = "200 t3 notice 0x401 3 0 posted\n";
    play (header + opening + (beforeRemoval ? write + removal : removal + write), true);

    openSession();
    const Report data { 0xF1, 0x03 };
    std::atomic<int> written { -1 };
    std::thread worker;
    if (beforeRemoval)
        worker = std::thread ([&] { written = HID_Write (3, data.data(), 64); });
    ASSERT_TRUE (waitForNotices (1));
    EXPECT_EQ (notices()[0].message, NotificationWindow::removalMessage);
    if (! beforeRemoval)
    {
        EXPECT_EQ (HID_Write (3, data.data(), 64), 0);
    }

    // Played to the end, the result that the recording never had is not given.
    ASSERT_TRUE (MessageLoop::runUntil ([] { return vqdsim::replayOutcome().playedToEnd; }, 5000));
    const vqdsim::ReplayOutcome outcome = vqdsim::replayOutcome();
    EXPECT_FALSE (outcome.diverged) << outcome.divergence;
    EXPECT_EQ (written.load(), -1);

    // The program ends: the replay lets the call go, answering nothing.
    vqdsim::reset();
    if (worker.joinable())
        worker.join();
    EXPECT_EQ (written.load(), beforeRemoval ? 0 : -1);
}

INSTANTIATE_TEST_SUITE_P (BeforeAndAfterTheRemoval, ReplayOpenCall, ::testing::Values (true, false));

TEST_F (ReplayFixture, KeepsTheRecordedTimesAndLetsAnotherThreadsCallWaitItsTurn)
{
    using Clock = std::chrono::steady_clock;
    play (header + opening
              + "100 t2 > HID_Write 3 64 F0\n"
                "110 t2 < HID_Write 1\n"
                "50110 t3 notice 0x403 3 0 posted\n" // 50 ms after the write returned
                "50200 t1 > HID_Input 3 64\n"
                "50210 t1 < HID_Input 64 F080\n"
                "60000 t1 > HID_Stop\n"
                "360000 t1 < HID_Stop\n" // blocked 300 ms
                "360010 t1 > HID_SetCallback null 0 0 0\n"
                "360020 t1 < HID_SetCallback\n"
                "360030 t1 > HID_Finalize\n"
                "360040 t1 < HID_Finalize\n",
          false);

    openSession();
    const uint8_t status[64] = { 0xF0 };
    ASSERT_EQ (HID_Write (3, status, 64), 1);
    const Clock::time_point written = Clock::now();

    // The read comes at once, from another thread, while the replay is at
    // the notice: it waits for its turn instead of diverging.
    Clock::time_point readAt;
    Report answer {};
    int length = 64;
    std::thread reader ([&] {
        HID_Input (3, answer.data(), &length);
        readAt = Clock::now();
    });
    EXPECT_TRUE (waitForNotices (1));
    reader.join();
    EXPECT_EQ (length, 64);
    EXPECT_EQ (hex (answer), "F080");
    EXPECT_GE (readAt - written, std::chrono::milliseconds (49));

    const Clock::time_point stopping = Clock::now();
    HID_Stop();
    EXPECT_GE (Clock::now() - stopping, std::chrono::milliseconds (300));
    HID_SetCallback (nullptr, 0, 0, 0);
    HID_Finalize();

    const vqdsim::ReplayOutcome outcome = vqdsim::replayOutcome();
    EXPECT_FALSE (outcome.diverged) << outcome.divergence;
    EXPECT_TRUE (outcome.playedToEnd);
}

// With fast=1 nothing waits: a notice recorded an hour after the previous
// event comes at once (were it waited for, the guard would give up first).
TEST_F (ReplayFixture, FastPlaysWithoutTheRecordedWaits)
{
    play (header + opening
              + "20 t1 > HID_Start\n"
                "25 t1 < HID_Start\n"
                "3600000025 t3 notice 0x402 0 0 posted\n"
              + closing (3600000100),
          true);

    openSession();
    HID_Start();
    ASSERT_TRUE (waitForNotices (1));
    EXPECT_EQ (notices()[0].message, NotificationWindow::arrivalMessage);
    closeSession();
    EXPECT_TRUE (vqdsim::replayOutcome().playedToEnd);
}

TEST_F (ReplayFixture, ARecordingThatCannotBeReadAnswersNothing)
{
    play (header + "5 t1 > HID_Initialize\n7 t1 < HID_Write 1\n", true);

    const vqdsim::ReplayOutcome outcome = vqdsim::replayOutcome();
    EXPECT_TRUE (outcome.diverged);
    EXPECT_NE (outcome.divergence.find ("cannot play " + path + ": line 8: '< HID_Write' returns from HID_Initialize"),
               std::string::npos)
        << outcome.divergence;
    openSession();
    EXPECT_EQ (HID_EnumHIDno (nullptr), 0);
    EXPECT_EQ (HID_GetDeviceType (3), 0);
}
