// When answers leave the device. Only orderings and lower bounds are
// asserted, which hold however slow the machine is; how fast the library
// answers belongs to the benchmarks.
#include "SimTestSupport.h"

#include <thread>

using namespace simtest;

namespace
{

class AnswerTiming : public SimSession
{
};

int64_t nanosecondsOf (Clock::time_point t)
{
    return std::chrono::duration_cast<std::chrono::nanoseconds> (t.time_since_epoch()).count();
}

TEST_F (AnswerTiming, FramedAnswersLeaveOnMillisecondBoundaries)
{
    vqdsim::Scenario scenario;
    scenario.framed = true;
    open (scenario);

    const int samples = 40;
    int nearBoundary = 0;
    uint32_t phase = 12345;
    for (int i = 0; i < samples; ++i)
    {
        // Send at scattered points inside a millisecond, so that an answer
        // delayed by a fixed time instead of framed would land anywhere.
        phase = phase * 1103515245u + 12345u;
        std::this_thread::sleep_for (std::chrono::microseconds ((phase >> 8) % 900));

        const auto sent = Clock::now();
        ASSERT_EQ (HID_Write (vqdsim::controllerHidNo, command (0xF0, 0x00).data(), 64), 1);
        const Notice notice = expectNotice (inputMessage, vqdsim::controllerHidNo);
        Report answer {};
        int length = 64;
        HID_Input (vqdsim::controllerHidNo, answer.data(), &length);
        ASSERT_EQ (answer[1], 0x80);

        // Never within the millisecond the command arrived in.
        const int64_t sentNs = nanosecondsOf (sent);
        const int64_t postedNs = nanosecondsOf (notice.at);
        EXPECT_GT (postedNs / 1000000, sentNs / 1000000) << "sample " << i;

        if (postedNs % 1000000 < 400000)
            ++nearBoundary;
    }

    // Waking up after the boundary takes a little while, so the notices
    // only cluster near the start of a millisecond; unframed they would
    // spread evenly over it.
    EXPECT_GE (nearBoundary, samples * 7 / 10) << nearBoundary << " of " << samples << " near a boundary";
}

TEST_F (AnswerTiming, DelayComesBeforeEveryAnswer)
{
    vqdsim::Scenario scenario;
    scenario.answerDelayUs = 3000;
    open (scenario);

    // One at a time, each answer waits for its delay.
    for (int i = 0; i < 3; ++i)
    {
        const auto sent = Clock::now();
        ASSERT_EQ (HID_Write (vqdsim::controllerHidNo, command (0xF0, 0x00).data(), 64), 1);
        const Notice notice = expectNotice (inputMessage, vqdsim::controllerHidNo);
        EXPECT_GE (notice.at - sent, std::chrono::microseconds (3000));
        Report answer {};
        int length = 64;
        HID_Input (vqdsim::controllerHidNo, answer.data(), &length);
        EXPECT_EQ (length, 64);
    }

    // Sent together, they still come one delay apart: the device works
    // through them in turn.
    const auto sent = Clock::now();
    for (int i = 0; i < 4; ++i)
        ASSERT_EQ (HID_Write (vqdsim::controllerHidNo, command (0xF0, 0x00).data(), 64), 1);
    Notice last;
    for (int i = 0; i < 4; ++i)
        last = expectNotice (inputMessage, vqdsim::controllerHidNo);
    EXPECT_GE (last.at - sent, std::chrono::microseconds (4 * 3000));
}

TEST_F (AnswerTiming, CommitPollsAreTimedOnArrival)
{
    vqdsim::Scenario scenario;
    scenario.busyPerBlock = 2;
    open (scenario);
    const std::vector<uint8_t> block = patternBytes (20, 5);
    std::vector<Report> reports { blockStartCommand (0xF7, 0x1D0000, 20) };
    for (const Report& r : dataReportsFor (0xF7, block))
        reports.push_back (r);
    reports.push_back (blockSumCommand (0xF7, byteSum (block)));
    exchangeAll (reports);

    std::vector<std::pair<int64_t, int64_t>> windows;
    for (int poll = 0; poll < 3; ++poll)
    {
        std::this_thread::sleep_for (std::chrono::milliseconds (2));
        const int64_t before = nanosecondsOf (Clock::now()) / 1000;
        ASSERT_EQ (HID_Write (vqdsim::controllerHidNo, command (0xF7, 0x05).data(), 64), 1);
        const int64_t after = nanosecondsOf (Clock::now()) / 1000;
        windows.emplace_back (before, after);
        receive();
    }

    const std::vector<int64_t> times = vqdsim::commitPollTimesUs();
    ASSERT_EQ (times.size(), 3u);
    for (std::size_t i = 0; i < times.size(); ++i)
    {
        EXPECT_GE (times[i], windows[i].first) << i;
        EXPECT_LE (times[i], windows[i].second) << i;
    }
}

} // namespace
