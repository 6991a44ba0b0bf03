#include "SimTestSupport.h"

#include <cstring>

namespace simtest
{

TestWindow::TestWindow()
{
    target.window.post = &TestWindow::post;
    target.owner = this;
}

void TestWindow::post (HidWindow* window, unsigned int message, uintptr_t wParam, intptr_t lParam)
{
    const auto at = Clock::now();
    TestWindow* self = reinterpret_cast<Target*> (window)->owner;
    {
        std::lock_guard<std::mutex> guard (self->lock);
        self->queue.push_back ({ message, wParam, lParam, at });
        ++self->posts;
    }
    self->arrived.notify_all();
}

bool TestWindow::next (Notice& notice)
{
    std::unique_lock<std::mutex> guard (lock);
    if (! arrived.wait_for (guard, patience, [this] { return ! queue.empty(); }))
        return false;
    notice = queue.front();
    queue.pop_front();
    return true;
}

std::vector<Notice> TestWindow::takeAll()
{
    std::lock_guard<std::mutex> guard (lock);
    std::vector<Notice> all (queue.begin(), queue.end());
    queue.clear();
    return all;
}

int TestWindow::postCount() const
{
    std::lock_guard<std::mutex> guard (lock);
    return posts;
}

// ---------------------------------------------------------------------------

namespace
{
void putLe32 (Report& report, std::size_t offset, uint32_t value)
{
    for (std::size_t i = 0; i < 4; ++i)
        report[offset + i] = static_cast<uint8_t> (value >> (8 * i));
}
} // namespace

Report command (uint8_t target, uint8_t code)
{
    Report report {};
    report[0] = target;
    report[1] = code;
    return report;
}

namespace
{
// Prepare and block start carry the same range: address, a 0xFF separator,
// length.
Report rangeCommand (uint8_t target, uint8_t code, uint32_t address, uint32_t length)
{
    Report report = command (target, code);
    putLe32 (report, 2, address);
    report[6] = 0xFF;
    putLe32 (report, 7, length);
    return report;
}
} // namespace

Report prepareCommand (uint8_t target, uint32_t address, uint32_t length)
{
    return rangeCommand (target, 0x08, address, length);
}

Report blockStartCommand (uint8_t target, uint32_t address, uint32_t length)
{
    return rangeCommand (target, 0x02, address, length);
}

Report dataCommand (uint8_t target, const uint8_t* bytes, std::size_t count)
{
    Report report = command (target, 0x03);
    std::memcpy (report.data() + 2, bytes, count);
    return report;
}

Report lastLengthCommand (uint8_t target, uint8_t count)
{
    Report report = command (target, 0x07);
    report[2] = count;
    return report;
}

Report blockSumCommand (uint8_t target, uint32_t sum)
{
    Report report = command (target, 0x04);
    putLe32 (report, 2, sum);
    return report;
}

uint32_t byteSum (const std::vector<uint8_t>& bytes)
{
    uint32_t sum = 0;
    for (uint8_t byte : bytes)
        sum += byte;
    return sum;
}

std::vector<uint8_t> patternBytes (std::size_t count, uint32_t seed)
{
    // A small linear congruential generator: every byte value turns up and
    // no two blocks of different seeds look alike.
    std::vector<uint8_t> bytes (count);
    uint32_t state = seed * 2654435761u + 1;
    for (uint8_t& byte : bytes)
    {
        state = state * 1664525u + 1013904223u;
        byte = static_cast<uint8_t> (state >> 24);
    }
    return bytes;
}

std::vector<Report> dataReportsFor (uint8_t target, const std::vector<uint8_t>& block)
{
    std::vector<Report> reports;
    const std::size_t n = block.size();
    for (std::size_t offset = 0; offset < n; offset += 62)
    {
        if (offset + 62 < n)
            reports.push_back (dataCommand (target, block.data() + offset, 62));
        else
        {
            const std::size_t rest = n - offset;
            reports.push_back (lastLengthCommand (target, static_cast<uint8_t> (rest)));
            reports.push_back (dataCommand (target, block.data() + offset, rest));
        }
    }
    return reports;
}

uint32_t le32 (const Report& report, std::size_t offset)
{
    return static_cast<uint32_t> (report[offset]) | (static_cast<uint32_t> (report[offset + 1]) << 8)
           | (static_cast<uint32_t> (report[offset + 2]) << 16) | (static_cast<uint32_t> (report[offset + 3]) << 24);
}

// ---------------------------------------------------------------------------

void SimSession::open (const vqdsim::Scenario& scenario, HidWindow* target)
{
    vqdsim::configure (scenario);
    HID_Initialize (&instanceTag);
    HID_SetCallback (target != nullptr ? target : window.handle(), inputMessage, arrivalMessage, removalMessage);
    HID_Start();
    opened = true;
}

void SimSession::close()
{
    if (! opened)
        return;
    HID_Stop();
    HID_SetCallback (nullptr, 0, 0, 0);
    HID_Finalize();
    opened = false;
    window.takeAll();
}

void SimSession::TearDown()
{
    close();
    vqdsim::reset();
}

Notice SimSession::expectNotice (unsigned int message, uintptr_t wParam)
{
    Notice notice;
    if (! window.next (notice))
    {
        ADD_FAILURE() << "no notice came (waited for message 0x" << std::hex << message << ")";
        return notice;
    }
    EXPECT_EQ (notice.message, message);
    EXPECT_EQ (notice.wParam, wParam);
    EXPECT_EQ (notice.lParam, 0);
    return notice;
}

Report SimSession::receive (int hidNo)
{
    Report answer {};
    const Notice notice = expectNotice (inputMessage, static_cast<uintptr_t> (hidNo));
    if (notice.message != inputMessage)
        return answer;

    int length = static_cast<int> (answer.size());
    HID_Input (hidNo, answer.data(), &length);
    EXPECT_EQ (length, 64) << "an input notice without a waiting report";
    return answer;
}

Report SimSession::exchange (const Report& report, int hidNo)
{
    EXPECT_NE (HID_Write (hidNo, report.data(), static_cast<int> (report.size())), 0);
    return receive (hidNo);
}

std::vector<Report> SimSession::exchangeAll (const std::vector<Report>& reports, int hidNo)
{
    for (const Report& report : reports)
        EXPECT_NE (HID_Write (hidNo, report.data(), static_cast<int> (report.size())), 0);

    std::vector<Report> answers;
    for (std::size_t i = 0; i < reports.size(); ++i)
    {
        answers.push_back (receive (hidNo));
        if (::testing::Test::HasFailure())
            break;
    }
    return answers;
}

void SimSession::writeBlock (uint8_t target, uint32_t address, const std::vector<uint8_t>& block)
{
    std::vector<Report> reports { blockStartCommand (target, address, static_cast<uint32_t> (block.size())) };
    for (const Report& report : dataReportsFor (target, block))
        reports.push_back (report);
    reports.push_back (blockSumCommand (target, byteSum (block)));
    reports.push_back (command (target, 0x05));

    const std::vector<Report> answers = exchangeAll (reports);
    ASSERT_EQ (answers.size(), reports.size());
    for (std::size_t i = 0; i + 1 < answers.size(); ++i)
    {
        ASSERT_EQ (answers[i][0], target) << "answer " << i;
        ASSERT_EQ (answers[i][1], 0x80) << "answer " << i;
    }
    ASSERT_EQ (answers.back()[1], 0x85);
}

void SimSession::expectQuiet (int hidNo)
{
    EXPECT_TRUE (window.takeAll().empty()) << "an unexpected notice is queued";
    Report buffer {};
    int length = 64;
    HID_Input (hidNo, buffer.data(), &length);
    EXPECT_EQ (length, 0) << "an unexpected answer waits";
}

} // namespace simtest
