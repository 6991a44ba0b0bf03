// Whole updates against the simulated controller: what reaches its flash,
// the command stream, the echo rule, commit polling, removal and quit.
#include "WorkerFixture.h"

#include "update/CommandProtocol.h"

using Action = vqdsim::Fault::Action;
using namespace Protocol;

namespace
{
int count (const vqdsim::Stats& stats, uint8_t command)
{
    return stats.commands[command];
}
} // namespace

TEST (UpdateState, GuardKeepsTheRemovalAndRangeTest)
{
    TestEngine engine;
    EXPECT_EQ (engine.getUpdateState(), stateIdle);

    engine.setUpdateState (errProtocol);
    engine.setUpdateState (stateBlockData);
    EXPECT_EQ (engine.getUpdateState(), stateBlockData); // an echo error may be replaced

    engine.setUpdateState (errDisconnected);
    engine.setUpdateState (stateComplete);
    engine.setUpdateState (errTimeout);
    EXPECT_EQ (engine.getUpdateState(), errDisconnected);

    EXPECT_FALSE (isErrorIdentifier (0xE00));
    EXPECT_TRUE (isErrorIdentifier (0xE01));
    EXPECT_TRUE (isErrorIdentifier (0xE41));
    EXPECT_FALSE (isErrorIdentifier (0xE42));
}

TEST_F (WorkerTest, DifferentDatesWriteAllThreeImages)
{
    writeUpdateFile();
    startWorker();
    ASSERT_TRUE (runUntilState (stateReady));

    EXPECT_EQ (engine->getTotalBytes(), 0x1E0000);
    EXPECT_EQ (engine->getDeviceVersion(), "1.00");
    EXPECT_EQ (engine->getFileVersion(), "1.02");
    EXPECT_EQ (engine->getFileCpuKind(), cpuSh7269);
    EXPECT_EQ (engine->getProgressForeground(), UpdateEngine::progressUpdatingColour);

    engine->confirmUpdate();
    ASSERT_TRUE (runUntilWorkerEnds());
    MessageLoop::runFor (20);

    EXPECT_EQ (engine->getUpdateState(), stateComplete);
    EXPECT_TRUE (engine->getUpdateComplete());
    EXPECT_TRUE (engine->getFirstImageIsZero());
    EXPECT_DOUBLE_EQ (engine->getProgress(), 1.0);
    EXPECT_EQ (engine->statesSeen.back(), stateComplete);

    // The flash holds the file's images byte for byte.
    EXPECT_TRUE (vqdsim::flashImage() == fileBytes (0, vqdsim::flashEnd));

    const auto stats = vqdsim::stats();
    EXPECT_EQ (stats.prepareLengths, std::vector<uint32_t> ({ 0x10000 }));
    ASSERT_EQ (stats.blocks.size(), 16u);
    EXPECT_EQ (count (stats, cmdBlockStart), 16);
    EXPECT_EQ (count (stats, cmdBlockSum), 16);

    // Full blocks end in a 4-byte piece, the 64 KiB blocks in a 2-byte one.
    std::vector<int> lastLengths = { 4, 4, 4, 4, 2, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 2 };
    EXPECT_EQ (stats.lastLengths, lastLengths);
    EXPECT_EQ (count (stats, cmdData), 14 * 2115 + 2 * 1058);
    EXPECT_EQ (stats.dataBytes, 0x1E0000);
    EXPECT_TRUE (stats.finished);

    // Blocks in address order, each of the right length.
    EXPECT_EQ (stats.blocks[0].target, 0xF1);
    EXPECT_EQ (stats.blocks[4].length, 0x10000u);
    EXPECT_EQ (stats.blocks[5].target, 0xF2);
    EXPECT_EQ (stats.blocks[5].address, 0x90000u);
    EXPECT_EQ (stats.blocks[15].target, 0xF7);
    EXPECT_EQ (stats.blocks[15].address, 0x1D0000u);
}

TEST_F (WorkerTest, EqualDatesWriteImageOneAndTheVersionPartOfImageTwo)
{
    std::copy (std::begin (fileOptions.date), std::end (fileOptions.date), scenario.date);
    scenario.flashFill = 0x5A;
    writeUpdateFile();
    runWholeUpdate();

    EXPECT_EQ (engine->getUpdateState(), stateComplete);
    EXPECT_EQ (engine->getTotalBytes(), 0x141000);
    EXPECT_FALSE (engine->getFirstImageIsZero());
    EXPECT_EQ (engine->getImageRecord (0).status, imageSkipped);
    EXPECT_EQ (engine->getProgressForeground(), UpdateEngine::progressUpdatingColour); // set by the prepare step

    const auto stats = vqdsim::stats();
    EXPECT_EQ (stats.prepareLengths, std::vector<uint32_t> ({ 0x1000 }));
    ASSERT_EQ (stats.blocks.size(), 11u);
    EXPECT_EQ (stats.blocks[10].length, 0x1000u);
    EXPECT_EQ (stats.lastLengths.back(), 4);
    EXPECT_EQ (count (stats, cmdData), 10 * 2115 + 67);

    // Image 0 untouched, image 1 whole, image 2 only its first 4 KiB.
    EXPECT_TRUE (vqdsim::flashRegion (0xF1) == std::vector<uint8_t> (0x90000, 0x5A));
    EXPECT_TRUE (vqdsim::flashRegion (0xF2) == fileBytes (0x90000, 0x140000));

    auto image2 = vqdsim::flashRegion (0xF7);
    ASSERT_EQ (image2.size(), 0x10000u);
    EXPECT_TRUE (std::vector<uint8_t> (image2.begin(), image2.begin() + 0x1000) == fileBytes (0x1D0000, 0x1000));
    EXPECT_TRUE (std::all_of (image2.begin() + 0x1000, image2.end(), [] (uint8_t b) { return b == 0x5A; }));
}

TEST_F (WorkerTest, RtControllerUsesItsOwnFile)
{
    scenario.statusAnswer = 0x8B;
    writeUpdateFile ("vqdtrm4__v102.bin"); // the other kind's file is ignored
    fileOptions.seed = 99;
    writeUpdateFile ("vqdtrm4_B__v102.bin");
    startWorker();
    ASSERT_TRUE (runUntilState (stateReady));
    EXPECT_EQ (engine->getCpuKind(), cpuRt1062);
    EXPECT_EQ (engine->getFileCpuKind(), cpuRt1062);
    EXPECT_TRUE (engine->getImageRecord (1).path.endsWith ("vqdtrm4_B__v102.bin"));
}

TEST_F (WorkerTest, ControllerWithoutVersionReadsZero)
{
    std::fill (std::begin (scenario.version), std::end (scenario.version), 0xFF);
    writeUpdateFile();
    startWorker();
    ASSERT_TRUE (runUntilState (stateReady));
    EXPECT_EQ (engine->getDeviceVersion(), "0.00");
    EXPECT_EQ (engine->getImageRecord (1).status, imageToUpdate);
    EXPECT_EQ (engine->getImageRecord (2).status, imageToUpdate);
}

TEST_F (WorkerTest, ReadyStateWaitsForTheUser)
{
    writeUpdateFile();
    startWorker();
    ASSERT_TRUE (runUntilState (stateReady));

    MessageLoop::runFor (300);
    EXPECT_EQ (engine->getUpdateState(), stateReady);
    EXPECT_EQ (count (vqdsim::stats(), cmdPrepare), 0);
    EXPECT_TRUE (engine->isThreadRunning());

    // Pressing OK again while the worker runs changes nothing.
    EXPECT_TRUE (engine->startFromIdle());
    EXPECT_EQ (count (vqdsim::stats(), cmdQueryStatus), 1);
}

TEST_F (WorkerTest, WrongEchoOnBlockStartIsReplacedByTheNextState)
{
    scenario.faults = { fault (cmdBlockStart, 3, Action::wrongEcho, 0xF3) };
    writeUpdateFile();
    runWholeUpdate();

    EXPECT_EQ (engine->getUpdateState(), stateComplete);
    EXPECT_TRUE (vqdsim::flashImage() == fileBytes (0, vqdsim::flashEnd));
}

TEST_F (WorkerTest, WrongEchoOnDataEndsTheUpdateAfterTheBlock)
{
    scenario.faults = { fault (cmdData, 5, Action::wrongEcho, 0xF2) };
    writeUpdateFile();
    EXPECT_EQ (runToError(), errProtocol);

    // The whole first block was still sent, but no byte sum followed.
    const auto stats = vqdsim::stats();
    EXPECT_EQ (count (stats, cmdData), 2115);
    EXPECT_EQ (count (stats, cmdBlockSum), 0);
    EXPECT_FALSE (stats.finished);
}

TEST_F (WorkerTest, RefusedDataSendsTheRestOfTheBlockWithoutChecksum)
{
    scenario.faults = { fault (cmdData, 100, Action::refuse, 1) };
    writeUpdateFile();
    EXPECT_EQ (runToError(), errProtocol);
    EXPECT_EQ (count (vqdsim::stats(), cmdData), 2115);
    EXPECT_EQ (count (vqdsim::stats(), cmdBlockSum), 0);
}

TEST_F (WorkerTest, RefusedLastLengthStillSendsTheLastPiece)
{
    scenario.faults = { fault (cmdLastLength, 1, Action::refuse, 1) };
    writeUpdateFile();
    EXPECT_EQ (runToError(), errProtocol);
    EXPECT_EQ (count (vqdsim::stats(), cmdData), 2115);
    EXPECT_EQ (count (vqdsim::stats(), cmdBlockSum), 0);
}

TEST_F (WorkerTest, BusyAnswersArePolledAHundredMillisecondsApart)
{
    for (int i = 1; i <= 20; ++i)
        scenario.faults.push_back (fault (cmdCommitPoll, i, Action::answerCode, ansBusy));

    std::copy (std::begin (fileOptions.date), std::end (fileOptions.date), scenario.date);
    writeUpdateFile();
    runWholeUpdate();
    EXPECT_EQ (engine->getUpdateState(), stateComplete);

    // Twenty-one polls for the first block, one for each of the ten others.
    const auto times = vqdsim::commitPollTimesUs();
    ASSERT_EQ (times.size(), 21u + 10u);

    for (size_t i = 1; i < 21; ++i)
        EXPECT_GE (times[i] - times[i - 1], 90000) << "poll " << i;
}

TEST_F (WorkerTest, RemovalDuringBlockDataStopsTheWorkerWithoutChecksum)
{
    scenario.faults = { fault (cmdData, 500, Action::remove) };
    writeUpdateFile();
    startWorker();
    ASSERT_TRUE (runUntilState (stateReady));
    engine->confirmUpdate();

    ASSERT_TRUE (runUntilState (errDisconnected));
    ASSERT_TRUE (runUntilWorkerEnds (6000));
    MessageLoop::runFor (50);

    EXPECT_EQ (engine->getUpdateState(), errDisconnected);
    EXPECT_FALSE (engine->getHidCtrl()->isConnected());

    const auto stats = vqdsim::stats();
    EXPECT_EQ (count (stats, cmdBlockSum), 0);
    EXPECT_FALSE (stats.finished);
    EXPECT_EQ (engine->statesSeen.back(), errDisconnected);

    // Plugging it in again changes nothing.
    vqdsim::plug (vqdsim::controllerHidNo);
    MessageLoop::runUntil ([&] { return engine->getHidCtrl()->isConnected(); }, 2000);
    MessageLoop::runFor (50);
    EXPECT_EQ (engine->getUpdateState(), errDisconnected);
}

TEST_F (WorkerTest, RemovalOnTheReadyScreenShowsTheDisconnection)
{
    writeUpdateFile();
    startWorker();
    ASSERT_TRUE (runUntilState (stateReady));

    vqdsim::unplug (vqdsim::controllerHidNo);
    ASSERT_TRUE (runUntilState (errDisconnected));
    ASSERT_TRUE (runUntilWorkerEnds (6000));

    // Confirming afterwards cannot paint over the removal.
    engine->confirmUpdate();
    EXPECT_EQ (engine->getUpdateState(), errDisconnected);
}

TEST_F (WorkerTest, RemovalBeforeTheWorkerStartsChangesNothing)
{
    writeUpdateFile();
    openSession();
    vqdsim::unplug (vqdsim::controllerHidNo);
    ASSERT_TRUE (MessageLoop::runUntil ([&] { return ! engine->getHidCtrl()->isConnected(); }));
    EXPECT_EQ (engine->getUpdateState(), stateIdle);

    // Now OK finds no controller.
    EXPECT_FALSE (engine->startFromIdle());
    EXPECT_EQ (engine->getUpdateState(), errNotConnected);
    EXPECT_FALSE (engine->isThreadRunning());
}

TEST_F (WorkerTest, QuitDuringTheUpdateStopsTheWorker)
{
    writeUpdateFile();
    startWorker();
    ASSERT_TRUE (runUntilState (stateReady));
    engine->confirmUpdate();
    ASSERT_TRUE (MessageLoop::runUntil ([&] { return vqdsim::stats().commands[cmdData] > 3000; }, 20000));

    engine->stopWorker();
    EXPECT_FALSE (engine->isThreadRunning());
    EXPECT_FALSE (vqdsim::stats().finished);
}

TEST_F (WorkerTest, StrayAnswerBeforeTheWorkerStartsIsNotTakenForAnAnswer)
{
    // Nothing is signalled while no worker waits, and starting it clears
    // what might be left: the status query gets its own answer.
    writeUpdateFile();
    openSession();
    const uint8_t stray[64] = { 0xF7, 0x80 };
    vqdsim::injectReport (vqdsim::controllerHidNo, stray, 64);
    MessageLoop::runFor (50);
    ASSERT_TRUE (engine->startFromIdle());
    ASSERT_TRUE (runUntilState (stateReady)) << getUpdateStateName (engine->getUpdateState());
}

TEST_F (WorkerTest, ProgressOnlyMovesForward)
{
    writeUpdateFile();
    startWorker();
    ASSERT_TRUE (runUntilState (stateReady));
    EXPECT_EQ (engine->getProgress(), 0.0);
    engine->confirmUpdate();

    double last = 0.0;
    bool backwards = false;

    MessageLoop::runUntil ([&] {
        const double now = engine->getProgress();
        backwards = backwards || now < last;
        last = now;
        return ! engine->isThreadRunning();
    },
                           updateTimeoutMs);

    EXPECT_FALSE (backwards);
    EXPECT_DOUBLE_EQ (engine->getProgress(), 1.0);
}
