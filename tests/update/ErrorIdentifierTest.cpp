// Every error identifier, each reached through the situation that causes it
// (which defect of the file gives which one is FileChecks').
#include "WorkerFixture.h"

#include "update/CommandProtocol.h"

#include <algorithm>

using Action = vqdsim::Fault::Action;
using namespace Protocol;

TEST_F (WorkerTest, FileErrors)
{
    // Which defect gives which identifier is FileChecks'; here, that the
    // worker stops on it before it asks the controller anything.
    fileOptions.defect = UpdateFileMaker::Defect::badCrc;
    writeUpdateFile();
    EXPECT_EQ (runToError(), errFileCrc);
    EXPECT_EQ (engine->getFileLoadMark(), 0);
    EXPECT_EQ (engine->getImageRecord (0).status, errFileCrc);
    EXPECT_EQ (vqdsim::stats().commands[cmdQueryInfo], 0);
}

TEST_F (WorkerTest, NoQualifyingFile)
{
    // Wrong length, wrong letter case, the other processor's name.
    writeUpdateFile ("vqdtrm4__v1.23.bin");
    writeUpdateFile ("VQDTRM4__v123.bin");
    writeUpdateFile ("vqdtrm4_B__v123.bin");
    EXPECT_EQ (runToError(), errNoUpdateFile);
    EXPECT_EQ (engine->getFileCpuKind(), cpuUnknown);
}

TEST_F (WorkerTest, LastQualifyingFileInListingOrderWins)
{
    fileOptions.version = "1.00";
    writeUpdateFile ("vqdtrm4__v100.bin");
    fileOptions.version = "1.10";
    writeUpdateFile ("vqdtrm4__v110.bin");

    juce::String last;
    for (const auto& file : UpdateFile::listCandidates (folder.get(), *UpdateFile::getNamePattern (cpuSh7269)))
        last = file.getFileName();

    startWorker();
    ASSERT_TRUE (runUntilState (stateReady));
    EXPECT_TRUE (engine->getImageRecord (0).path.endsWith (last));
    EXPECT_EQ (engine->getFileVersion(), last == "vqdtrm4__v100.bin" ? "1.00" : "1.10");
}

TEST_F (WorkerTest, FileVanishingDuringTheLoad)
{
    writeUpdateFile();
    openSession();
    engine->loadHook = [] (const juce::String& path, uint32_t& date, juce::String& version, std::vector<uint8_t>& content) {
        juce::File (path).deleteFile();
        return loadUpdateFile (path, date, version, content);
    };
    ASSERT_TRUE (engine->startFromIdle());
    ASSERT_TRUE (runUntilWorkerEnds());
    EXPECT_EQ (engine->getUpdateState(), errProtocol);
    EXPECT_EQ (engine->getImageRecord (0).status, errNoUpdateFile);
}

TEST_F (WorkerTest, ControllerInformationErrors)
{
    writeUpdateFile();

    // A year beyond 0x50.
    UpdateFileMaker::parseDate ("20510101", scenario.date);
    EXPECT_EQ (runToError(), errDeviceInfo);
    engine.reset();

    // A malformed version, even though image 0 would be written.
    UpdateFileMaker::parseDate ("20230715", scenario.date);
    const char bad[4] = { '1', '.', '2', 'a' };
    std::copy (bad, bad + 4, scenario.version);
    EXPECT_EQ (runToError(), errDeviceInfo);
    EXPECT_EQ (engine->getImageRecord (0).status, imageToUpdate);
    EXPECT_EQ (engine->getImageRecord (1).status, imageLoaded);
    engine.reset();

    // Not an info answer.
    const char good[4] = { '1', '.', '0', '0' };
    std::copy (good, good + 4, scenario.version);
    scenario.faults = { fault (cmdQueryInfo, 1, Action::answerCode, ansOk) };
    EXPECT_EQ (runToError(), errProtocol);
}

TEST_F (WorkerTest, StatusRefusals)
{
    writeUpdateFile();

    const std::pair<int, int> cases[] = { { 1, errDeviceCode1 }, { 2, errDeviceCode2 }, { 3, errDeviceCode3 }, { 4, errDeviceCode4 }, { 5, errProtocol }, { 9, errProtocol } };

    for (const auto& [subCode, expected] : cases)
    {
        SCOPED_TRACE (subCode);
        scenario.faults = { fault (cmdQueryStatus, 1, Action::refuse, subCode) };
        EXPECT_EQ (runToError(), expected);
        EXPECT_EQ (engine->getCpuKind(), cpuUnknown);
        EXPECT_EQ (engine->getFileCpuKind(), cpuUnknown);
        engine.reset();
    }

    // An answer code the status query does not know.
    scenario.faults = { fault (cmdQueryStatus, 1, Action::answerCode, ansInfo) };
    EXPECT_EQ (runToError(), errProtocol);
}

TEST_F (WorkerTest, RefusalsDuringTheUpdate)
{
    writeUpdateFile();

    struct Case
    {
        vqdsim::Fault fault;
        int expected;
    };

    const Case cases[] = {
        { fault (cmdBlockSum, 2, Action::refuse, 2), errDeviceCode2 },
        { fault (cmdBlockSum, 1, Action::refuse, 3), errProtocol },
        { fault (cmdCommitPoll, 1, Action::refuse, 3), errDeviceCode3 },
        { fault (cmdCommitPoll, 1, Action::refuse, 4), errDeviceCode4 },
        { fault (cmdCommitPoll, 1, Action::refuse, 2), errProtocol },
        { fault (cmdCommitPoll, 1, Action::answerCode, ansOk), errProtocol },
        { fault (cmdPrepare, 1, Action::refuse, 1), errProtocol },
        { fault (cmdBlockStart, 2, Action::answerCode, ansBusy), errProtocol },
        { fault (cmdData, 7, Action::refuse, 5), errProtocol },
        // A finish the library could not write leaves the controller in its
        // loader: as a removal, never the completion screen.
        { fault (cmdFinish, 1, Action::writeFail), errDisconnected },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (testing::Message() << "command " << c.fault.command << " value " << c.fault.value);
        scenario.faults = { c.fault };
        EXPECT_EQ (runToError(), c.expected);
        EXPECT_FALSE (vqdsim::stats().finished);
        EXPECT_FALSE (engine->getUpdateComplete());
        EXPECT_EQ (std::count (engine->statesSeen.begin(), engine->statesSeen.end(), stateComplete), 0);
        engine.reset();
    }
}

TEST_F (WorkerTest, SilentControllerRunsIntoTheTimeLimit)
{
    scenario.faults = { fault (cmdData, 10, Action::silent) };
    writeUpdateFile();
    startWorker();
    ASSERT_TRUE (runUntilState (stateReady));
    engine->confirmUpdate();

    // The silent report runs into the real ten-second limit.
    const auto start = juce::Time::getMillisecondCounter();
    ASSERT_TRUE (runUntilWorkerEnds (20000));
    EXPECT_EQ (engine->getUpdateState(), errTimeout);
    EXPECT_GE (juce::Time::getMillisecondCounter() - start, 9900u);
    EXPECT_EQ (vqdsim::stats().commands[cmdData], 10);
    EXPECT_EQ (vqdsim::stats().commands[cmdBlockSum], 0);
}

TEST_F (WorkerTest, NotConnectedAtTheFirstScreen)
{
    scenario.absentAtStart = true;
    writeUpdateFile();
    openSession();
    EXPECT_FALSE (engine->getHidCtrl()->isConnected());
    EXPECT_FALSE (engine->startFromIdle());
    EXPECT_EQ (engine->getUpdateState(), errNotConnected);
    EXPECT_FALSE (engine->isThreadRunning());
}
