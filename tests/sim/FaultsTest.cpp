// Scenario faults: which command they hit and what each action does to the
// answer and to the loader.
#include "SimTestSupport.h"

#include <algorithm>

using namespace simtest;
using Action = vqdsim::Fault::Action;

namespace
{

class Faults : public SimSession
{
protected:
    void openWith (std::initializer_list<vqdsim::Fault> faults, int busy = 0)
    {
        vqdsim::Scenario scenario;
        scenario.faults = faults;
        scenario.busyPerBlock = busy;
        open (scenario);
    }

    static vqdsim::Fault fault (int code, int occurrence, Action action, int value = 0, bool repeat = false)
    {
        vqdsim::Fault f;
        f.command = code;
        f.occurrence = occurrence;
        f.action = action;
        f.value = value;
        f.repeat = repeat;
        return f;
    }

    // Start, data and sum of a small block in image 3; returns the block.
    std::vector<uint8_t> sendBlockUpToSum (uint32_t address)
    {
        const std::vector<uint8_t> block = patternBytes (40, address);
        std::vector<Report> reports { blockStartCommand (0xF7, address, 40) };
        for (const Report& r : dataReportsFor (0xF7, block))
            reports.push_back (r);
        reports.push_back (blockSumCommand (0xF7, byteSum (block)));
        for (const Report& answer : exchangeAll (reports))
            EXPECT_EQ (answer[1], 0x80);
        return block;
    }
};

std::vector<uint8_t> flashAt (uint32_t address, std::size_t length)
{
    const std::vector<uint8_t> flash = vqdsim::flashImage();
    return std::vector<uint8_t> (flash.begin() + address, flash.begin() + address + static_cast<std::ptrdiff_t> (length));
}

TEST_F (Faults, OnlyTheNthCommandOfItsCodeIsHitUnlessRepeated)
{
    openWith ({ fault (0x00, 2, Action::refuse, 3) });

    EXPECT_EQ (exchange (command (0xF0, 0x00))[1], 0x80);
    EXPECT_EQ (exchange (command (0xF0, 0x01))[1], 0x82); // other codes do not count
    const Report second = exchange (command (0xF0, 0x00));
    EXPECT_EQ (second[0], 0xF0);
    EXPECT_EQ (second[1], 0x81);
    EXPECT_EQ (second[2], 3);
    EXPECT_EQ (exchange (command (0xF0, 0x00))[1], 0x80);
    close();

    openWith ({ fault (0x00, 2, Action::refuse, 1, true) });
    EXPECT_EQ (exchange (command (0xF0, 0x00))[1], 0x80);
    for (int i = 2; i <= 4; ++i)
    {
        SCOPED_TRACE (i);
        const Report answer = exchange (command (0xF0, 0x00));
        EXPECT_EQ (answer[1], 0x81);
        EXPECT_EQ (answer[2], 1);
    }
    EXPECT_EQ (vqdsim::stats().commands[0x00], 4);
}

TEST_F (Faults, RefusedCommandHasNoEffect)
{
    openWith ({ fault (0x02, 1, Action::refuse, 4), fault (0x08, 1, Action::refuse, 9) });

    const Report answer = exchange (blockStartCommand (0xF7, 0x1D0000, 10));
    EXPECT_EQ (answer[0], 0xF7);
    EXPECT_EQ (answer[1], 0x81);
    EXPECT_EQ (answer[2], 4);

    // The refused block start opened no block.
    const uint8_t byte = 0x11;
    EXPECT_EQ (exchange (dataCommand (0xF7, &byte, 1))[2], 5);

    EXPECT_EQ (exchange (prepareCommand (0xF1, 0x1D0000, 0x10000))[1], 0x81);
    EXPECT_TRUE (vqdsim::stats().prepareLengths.empty());
    EXPECT_TRUE (vqdsim::stats().blocks.empty());

    // The second block start is not hit.
    EXPECT_EQ (exchange (blockStartCommand (0xF7, 0x1D0000, 10))[1], 0x80);
}

TEST_F (Faults, WrongEchoChangesOnlyByteZero)
{
    openWith ({ fault (0x01, 1, Action::wrongEcho, 0x12), fault (0x02, 1, Action::wrongEcho, 0xF1) });

    const Report info = exchange (command (0xF0, 0x01));
    EXPECT_EQ (info[0], 0x12);
    EXPECT_EQ (info[1], 0x82);
    EXPECT_EQ (info[2], 0x20);
    EXPECT_EQ (info[7], '1');

    // The command still took effect: the block is open.
    const Report start = exchange (blockStartCommand (0xF7, 0x1D0000, 1));
    EXPECT_EQ (start[0], 0xF1);
    EXPECT_EQ (start[1], 0x80);
    const uint8_t byte = 0x5C;
    EXPECT_EQ (exchange (lastLengthCommand (0xF7, 1))[1], 0x80);
    const Report data = exchange (dataCommand (0xF7, &byte, 1));
    EXPECT_EQ (data[0], 0xF7);
    EXPECT_EQ (data[1], 0x80);
}

TEST_F (Faults, SilentCommandIsNeitherAnsweredNorHandled)
{
    openWith ({ fault (0x08, 1, Action::silent), fault (0x02, 1, Action::silent) });

    ASSERT_EQ (HID_Write (vqdsim::controllerHidNo, prepareCommand (0xF1, 0, 16).data(), 64), 1);
    ASSERT_EQ (HID_Write (vqdsim::controllerHidNo, blockStartCommand (0xF7, 0x1D0000, 1).data(), 64), 1);
    // Answers come in order, so the first one belongs to the status query.
    const Report status = exchange (command (0xF0, 0x00));
    EXPECT_EQ (status[0], 0xF0);
    EXPECT_EQ (status[1], 0x80);
    expectQuiet();

    EXPECT_TRUE (vqdsim::stats().prepareLengths.empty());
    const uint8_t byte = 1;
    EXPECT_EQ (exchange (dataCommand (0xF7, &byte, 1))[2], 5) << "the silent block start opened a block";

    const vqdsim::Stats stats = vqdsim::stats();
    EXPECT_EQ (stats.commands[0x08], 1);
    EXPECT_EQ (stats.commands[0x02], 1);
    EXPECT_EQ (stats.answersSent, 2);
}

TEST_F (Faults, AnswerCodeReplacesTheAnswerButNotTheWork)
{
    // A commit poll answered "done" while the loader is still busy: the
    // block is not written by it, and the busy answer it owed is still owed.
    openWith ({ fault (0x05, 1, Action::answerCode, 0x85) }, 1);
    const std::vector<uint8_t> block = sendBlockUpToSum (0x1D0100);

    const Report first = exchange (command (0xF7, 0x05));
    EXPECT_EQ (first[0], 0xF7);
    EXPECT_EQ (first[1], 0x85);
    EXPECT_TRUE (std::all_of (first.begin() + 2, first.end(), [] (uint8_t b) { return b == 0; }));
    EXPECT_NE (flashAt (0x1D0100, 40), block);

    const Report second = exchange (command (0xF7, 0x05));
    EXPECT_TRUE (second[1] == 0x83 || second[1] == 0x84);
    EXPECT_EQ (exchange (command (0xF7, 0x05))[1], 0x85);
    EXPECT_EQ (flashAt (0x1D0100, 40), block);
}

TEST_F (Faults, RemoveUnplugsTheControllerAsTheCommandArrives)
{
    openWith ({ fault (0x00, 2, Action::remove) });
    EXPECT_EQ (exchange (command (0xF0, 0x00))[1], 0x80);

    ASSERT_EQ (HID_Write (vqdsim::controllerHidNo, command (0xF0, 0x00).data(), 64), 1);
    expectNotice (removalMessage, vqdsim::controllerHidNo);

    EXPECT_EQ (HID_Write (vqdsim::controllerHidNo, command (0xF0, 0x00).data(), 64), 0);
    int numbers[HID_MAX_DEVICES] = {};
    EXPECT_EQ (HID_EnumHIDno (numbers), 0);
    EXPECT_EQ (HID_GetDeviceType (vqdsim::controllerHidNo), 0);
    expectQuiet();

    const vqdsim::Stats stats = vqdsim::stats();
    EXPECT_EQ (stats.commands[0x00], 2);
    EXPECT_EQ (stats.answersSent, 1);
    EXPECT_EQ (stats.writesRefused, 1);
}

} // namespace
