// The emulated firmware loader's answers to each command, checked through
// the library's C functions as the update worker would see them.
#include "SimTestSupport.h"

#include <algorithm>

using namespace simtest;

namespace
{

class LoaderCommands : public SimSession
{
};

constexpr uint8_t image1 = 0xF1;
constexpr uint8_t image2 = 0xF2;
constexpr uint8_t image3 = 0xF7;

std::vector<uint8_t> flashSlice (uint32_t address, std::size_t length)
{
    const std::vector<uint8_t> flash = vqdsim::flashImage();
    return std::vector<uint8_t> (flash.begin() + address, flash.begin() + address + static_cast<std::ptrdiff_t> (length));
}

bool allBytesAre (const std::vector<uint8_t>& bytes, uint8_t value)
{
    return std::all_of (bytes.begin(), bytes.end(), [value] (uint8_t b) { return b == value; });
}

TEST_F (LoaderCommands, StatusNamesTheProcessorKind)
{
    for (const uint8_t kind : { uint8_t (0x80), uint8_t (0x8B) })
    {
        SCOPED_TRACE (int (kind));
        vqdsim::Scenario scenario;
        scenario.statusAnswer = kind;
        open (scenario);

        const Report answer = exchange (command (0xF0, 0x00));
        EXPECT_EQ (answer[0], 0xF0);
        EXPECT_EQ (answer[1], kind);
        EXPECT_TRUE (std::all_of (answer.begin() + 2, answer.end(), [] (uint8_t b) { return b == 0; }));
        close();
    }
}

TEST_F (LoaderCommands, InfoCarriesTheScenarioDateAndVersion)
{
    vqdsim::Scenario scenario;
    const uint8_t date[4] = { 0x20, 0x19, 0x12, 0x31 };
    const uint8_t version[4] = { '2', '.', '0', '5' };
    std::copy (std::begin (date), std::end (date), scenario.date);
    std::copy (std::begin (version), std::end (version), scenario.version);
    open (scenario);

    Report answer = exchange (command (0xF0, 0x01));
    EXPECT_EQ (answer[0], 0xF0);
    EXPECT_EQ (answer[1], 0x82);
    EXPECT_TRUE (std::equal (std::begin (date), std::end (date), answer.begin() + 2));
    EXPECT_EQ (answer[6], 0);
    EXPECT_TRUE (std::equal (std::begin (version), std::end (version), answer.begin() + 7));
    close();

    // A controller that has no version reports four 0xFF bytes.
    std::fill (std::begin (scenario.version), std::end (scenario.version), uint8_t (0xFF));
    open (scenario);
    answer = exchange (command (0xF0, 0x01));
    EXPECT_EQ (answer[1], 0x82);
    EXPECT_TRUE (std::all_of (answer.begin() + 7, answer.begin() + 11, [] (uint8_t b) { return b == 0xFF; }));
}

TEST_F (LoaderCommands, PrepareIsAcceptedAndItsLengthKept)
{
    open();
    Report answer = exchange (prepareCommand (image1, 0x1D0000, 0x10000));
    EXPECT_EQ (answer[0], image1);
    EXPECT_EQ (answer[1], 0x80);
    answer = exchange (prepareCommand (image2, 0x1D0000, 0x1000));
    EXPECT_EQ (answer[0], image2);
    EXPECT_EQ (answer[1], 0x80);

    EXPECT_EQ (vqdsim::stats().prepareLengths, (std::vector<uint32_t> { 0x10000, 0x1000 }));
    EXPECT_TRUE (allBytesAre (vqdsim::flashImage(), 0xFF)) << "prepare must not touch the flash";
}

TEST_F (LoaderCommands, WholeBlockCycleLeavesTheDataInFlash)
{
    // Sizes around the 62-byte cut: a single byte, exactly one report, a
    // last piece of a full 62 bytes, and a short last piece.
    const std::size_t sizes[] = { 1, 62, 124, 200 };
    open();

    uint32_t address = 0x1D0000;
    int expectedDataBytes = 0;
    std::vector<int> expectedLastLengths;
    for (const std::size_t size : sizes)
    {
        SCOPED_TRACE (size);
        const std::vector<uint8_t> block = patternBytes (size, static_cast<uint32_t> (size));

        Report answer = exchange (blockStartCommand (image3, address, static_cast<uint32_t> (size)));
        ASSERT_EQ (answer[0], image3);
        ASSERT_EQ (answer[1], 0x80);

        for (const Report& report : dataReportsFor (image3, block))
        {
            answer = exchange (report);
            ASSERT_EQ (answer[0], image3);
            ASSERT_EQ (answer[1], 0x80);
        }

        answer = exchange (blockSumCommand (image3, byteSum (block)));
        ASSERT_EQ (answer[1], 0x80);
        EXPECT_TRUE (allBytesAre (flashSlice (address, size), 0xFF)) << "written before the commit";

        answer = exchange (command (image3, 0x05));
        EXPECT_EQ (answer[0], image3);
        EXPECT_EQ (answer[1], 0x85);
        EXPECT_EQ (flashSlice (address, size), block);

        expectedDataBytes += static_cast<int> (size);
        const std::size_t lastPiece = size - (size - 1) / 62 * 62;
        expectedLastLengths.push_back (static_cast<int> (lastPiece));
        address += static_cast<uint32_t> (size) + 3; // leave untouched gaps between the blocks
    }

    // Bytes around the blocks stay as they were.
    const std::vector<uint8_t> flash = vqdsim::flashImage();
    EXPECT_EQ (flash[0x1D0000 - 1], 0xFF);
    EXPECT_EQ (flash[0x1D0000 + 1], 0xFF); // the gap after the one-byte block
    EXPECT_EQ (flash[address - 1], 0xFF);
    EXPECT_EQ (flash[address - 2], 0xFF);

    const vqdsim::Stats stats = vqdsim::stats();
    EXPECT_EQ (stats.dataBytes, expectedDataBytes);
    EXPECT_EQ (stats.lastLengths, expectedLastLengths);
    ASSERT_EQ (stats.blocks.size(), std::size (sizes));
    for (const vqdsim::BlockRecord& record : stats.blocks)
    {
        EXPECT_EQ (record.target, image3);
        EXPECT_TRUE (record.committed);
    }
    EXPECT_EQ (stats.blocks[3].length, 200u);
}

TEST_F (LoaderCommands, FullSizeBlocksSentBackToBack)
{
    // Two blocks of the largest size, the second ending exactly at the end
    // of image 1's region, with every report written before any answer is read.
    open();
    const std::vector<uint8_t> first = patternBytes (0x20000, 1);
    const std::vector<uint8_t> second = patternBytes (0x20000, 2);
    writeBlock (image1, 0x000000, first);
    writeBlock (image1, 0x070000, second);

    EXPECT_EQ (flashSlice (0x000000, first.size()), first);
    EXPECT_EQ (flashSlice (0x070000, second.size()), second);
    EXPECT_TRUE (allBytesAre (flashSlice (0x020000, 0x50000), 0xFF));

    const vqdsim::Stats stats = vqdsim::stats();
    EXPECT_EQ (stats.commands[0x03], 2 * 2115);
    EXPECT_EQ (stats.lastLengths, (std::vector<int> { 4, 4 }));
}

TEST_F (LoaderCommands, WrongBlockSumRefusesTheBlock)
{
    open();
    const std::vector<uint8_t> block = patternBytes (300, 7);

    // A wrong sum.
    std::vector<Report> reports { blockStartCommand (image2, 0x090000, 300) };
    for (const Report& report : dataReportsFor (image2, block))
        reports.push_back (report);
    reports.push_back (blockSumCommand (image2, byteSum (block) + 1));
    std::vector<Report> answers = exchangeAll (reports);
    ASSERT_EQ (answers.size(), reports.size());
    EXPECT_EQ (answers.back()[0], image2);
    EXPECT_EQ (answers.back()[1], 0x81);
    EXPECT_EQ (answers.back()[2], 2);

    // The refused block is gone: there is nothing to commit.
    Report answer = exchange (command (image2, 0x05));
    EXPECT_EQ (answer[1], 0x81);
    EXPECT_EQ (answer[2], 5);

    // The right sum over fewer bytes than announced is refused too.
    const std::vector<uint8_t> part (block.begin(), block.begin() + 62);
    answers = exchangeAll ({ blockStartCommand (image2, 0x090000, 300), dataCommand (image2, part.data(), 62),
                             blockSumCommand (image2, byteSum (part)) });
    ASSERT_EQ (answers.size(), 3u);
    EXPECT_EQ (answers[2][1], 0x81);
    EXPECT_EQ (answers[2][2], 2);

    EXPECT_TRUE (allBytesAre (vqdsim::flashRegion (image2), 0xFF));
    const vqdsim::Stats stats = vqdsim::stats();
    ASSERT_EQ (stats.blocks.size(), 2u);
    EXPECT_FALSE (stats.blocks[0].committed);
    EXPECT_FALSE (stats.blocks[1].committed);
}

TEST_F (LoaderCommands, CommitPollIsBusyTheSetNumberOfTimes)
{
    vqdsim::Scenario scenario;
    scenario.busyPerBlock = 3;
    open (scenario);

    const std::vector<uint8_t> block = patternBytes (100, 3);
    std::vector<Report> reports { blockStartCommand (image3, 0x1D8000, 100) };
    for (const Report& report : dataReportsFor (image3, block))
        reports.push_back (report);
    reports.push_back (blockSumCommand (image3, byteSum (block)));
    for (const Report& answer : exchangeAll (reports))
        ASSERT_EQ (answer[1], 0x80);

    for (int poll = 0; poll < 3; ++poll)
    {
        const Report answer = exchange (command (image3, 0x05));
        EXPECT_EQ (answer[0], image3);
        EXPECT_TRUE (answer[1] == 0x83 || answer[1] == 0x84) << "poll " << poll << " answered " << int (answer[1]);
        EXPECT_TRUE (allBytesAre (flashSlice (0x1D8000, 100), 0xFF)) << "written while still busy";
    }

    Report answer = exchange (command (image3, 0x05));
    EXPECT_EQ (answer[1], 0x85);
    EXPECT_EQ (flashSlice (0x1D8000, 100), block);

    // Once done, the block no longer waits.
    answer = exchange (command (image3, 0x05));
    EXPECT_EQ (answer[1], 0x81);
    EXPECT_EQ (answer[2], 5);
    EXPECT_EQ (vqdsim::commitPollTimesUs().size(), 5u);
}

TEST_F (LoaderCommands, BlockStartOutsideItsRegionIsRefused)
{
    open();
    struct Case
    {
        uint8_t target;
        uint32_t address;
        uint32_t length;
    };
    const Case refused[] = {
        { image3, 0x1D0000, 0x10001 }, // runs past the end of image 3
        { image1, 0x08FFFF, 2 },       // crosses from image 1 into image 2
        { image2, 0x080000, 0x100 },   // starts before image 2
        { image2, 0x000000, 0x100 },   // inside image 1, but sent to image 2
        { 0xF0, 0x000000, 0x10 },      // not an image target
        { 0xF3, 0x000000, 0x10 },
        { image1, 0x000000, 0 },       // empty
        { image2, 0x090000, 0x20001 }, // longer than a block may be
        { image1, 0xFFFFFFF0, 0x20 },  // wraps around 2^32 into image 1
    };
    for (const Case& c : refused)
    {
        SCOPED_TRACE (::testing::Message() << std::hex << int (c.target) << " " << c.address << " " << c.length);
        const Report answer = exchange (blockStartCommand (c.target, c.address, c.length));
        EXPECT_EQ (answer[0], c.target);
        EXPECT_EQ (answer[1], 0x81);
        EXPECT_EQ (answer[2], 5);
    }

    // No block was started by any of them.
    const uint8_t one = 0x42;
    Report answer = exchange (dataCommand (image1, &one, 1));
    EXPECT_EQ (answer[1], 0x81);
    EXPECT_EQ (answer[2], 5);
    EXPECT_TRUE (vqdsim::stats().blocks.empty());

    // The edges themselves are inside.
    EXPECT_EQ (exchange (blockStartCommand (image3, 0x1DFFFF, 1))[1], 0x80);
    EXPECT_EQ (exchange (blockStartCommand (image2, 0x1B0000, 0x20000))[1], 0x80);
    EXPECT_EQ (exchange (blockStartCommand (image1, 0x000000, 0x20000))[1], 0x80);
}

TEST_F (LoaderCommands, DataBeyondTheAnnouncedLengthIsRefused)
{
    open();
    const std::vector<uint8_t> block = patternBytes (10, 9);
    EXPECT_EQ (exchange (blockStartCommand (image1, 0x100, 10))[1], 0x80);

    // 62 bytes do not fit into a 10-byte block; the report is refused whole.
    Report full = dataCommand (image1, patternBytes (62, 5).data(), 62);
    Report answer = exchange (full);
    EXPECT_EQ (answer[1], 0x81);
    EXPECT_EQ (answer[2], 5);

    // The block itself is still open and takes its 10 bytes.
    EXPECT_EQ (exchange (lastLengthCommand (image1, 10))[1], 0x80);
    EXPECT_EQ (exchange (dataCommand (image1, block.data(), 10))[1], 0x80);
    // One more byte is too many.
    EXPECT_EQ (exchange (lastLengthCommand (image1, 1))[1], 0x80);
    answer = exchange (dataCommand (image1, block.data(), 1));
    EXPECT_EQ (answer[1], 0x81);
    EXPECT_EQ (answer[2], 5);

    EXPECT_EQ (exchange (blockSumCommand (image1, byteSum (block)))[1], 0x80);
    EXPECT_EQ (exchange (command (image1, 0x05))[1], 0x85);
    EXPECT_EQ (flashSlice (0x100, 10), block);
    EXPECT_EQ (vqdsim::stats().dataBytes, 10);
}

TEST_F (LoaderCommands, LastLengthCountsForTheNextDataReportOnly)
{
    open();
    const std::vector<uint8_t> block = patternBytes (100, 12);

    // A short piece first, then a full one: 38 + 62 bytes.
    std::vector<Report> reports { blockStartCommand (image3, 0x1D0000, 100), lastLengthCommand (image3, 38),
                                  dataCommand (image3, block.data(), 38), dataCommand (image3, block.data() + 38, 62),
                                  blockSumCommand (image3, byteSum (block)), command (image3, 0x05) };
    std::vector<Report> answers = exchangeAll (reports);
    ASSERT_EQ (answers.size(), reports.size());
    EXPECT_EQ (answers[4][1], 0x80) << "the second data report was not taken as 62 bytes";
    EXPECT_EQ (answers[5][1], 0x85);
    EXPECT_EQ (flashSlice (0x1D0000, 100), block);

    // A last length announced and then abandoned by a new block start does
    // not shorten the new block's first data report.
    const uint32_t overlap = byteSum (std::vector<uint8_t> (block.begin() + 38, block.begin() + 62));
    reports = { blockStartCommand (image3, 0x1D1000, 100), lastLengthCommand (image3, 5),
                blockStartCommand (image3, 0x1D1000, 124), dataCommand (image3, block.data(), 62),
                dataCommand (image3, block.data() + 38, 62), blockSumCommand (image3, byteSum (block) + overlap) };
    answers = exchangeAll (reports);
    ASSERT_EQ (answers.size(), reports.size());
    for (std::size_t i = 0; i < answers.size(); ++i)
        EXPECT_EQ (answers[i][1], 0x80) << "answer " << i;
}

TEST_F (LoaderCommands, CommandsOutOfPlaceAreRefused)
{
    open();
    struct Case
    {
        const char* what;
        Report report;
    };
    const uint8_t byte = 1;
    const Case cases[] = {
        { "unknown code 0x09", command (0xF0, 0x09) },
        { "unknown code 0x7F", command (image1, 0x7F) },
        { "commit poll with no block", command (image1, 0x05) },
        { "data with no block", dataCommand (image1, &byte, 1) },
        { "last length with no block", lastLengthCommand (image1, 1) },
        { "block sum with no block", blockSumCommand (image1, 0) },
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE (c.what);
        const Report answer = exchange (c.report);
        EXPECT_EQ (answer[0], c.report[0]);
        EXPECT_EQ (answer[1], 0x81);
        EXPECT_EQ (answer[2], 5);
    }

    // Last lengths outside 1..62 within an open block.
    EXPECT_EQ (exchange (blockStartCommand (image1, 0, 100))[1], 0x80);
    for (const uint8_t count : { uint8_t (0), uint8_t (63), uint8_t (255) })
    {
        SCOPED_TRACE (int (count));
        const Report answer = exchange (lastLengthCommand (image1, count));
        EXPECT_EQ (answer[1], 0x81);
        EXPECT_EQ (answer[2], 5);
    }
    EXPECT_EQ (vqdsim::stats().lastLengths, (std::vector<int> { 1, 0, 63, 255 }));
}

TEST_F (LoaderCommands, FinishIsNotAnswered)
{
    open();
    ASSERT_NE (HID_Write (vqdsim::controllerHidNo, command (0xF0, 0x06).data(), 64), 0);

    // The loader handles its commands in order, so the first answer after
    // the finish belongs to the status query that follows it.
    const Report answer = exchange (command (0xF0, 0x00));
    EXPECT_EQ (answer[0], 0xF0);
    EXPECT_EQ (answer[1], 0x80);
    expectQuiet();

    const vqdsim::Stats stats = vqdsim::stats();
    EXPECT_TRUE (stats.finished);
    EXPECT_EQ (stats.answersSent, 1);
    EXPECT_EQ (stats.commands[0x06], 1);

    // The program sends the finish and may close the session at once; the
    // finish still counts as received.
    close();
    open();
    ASSERT_NE (HID_Write (vqdsim::controllerHidNo, command (0xF0, 0x06).data(), 64), 0);
    close();
    EXPECT_TRUE (vqdsim::stats().finished);
}

} // namespace
