// The update engine against the recordings of tests/recordings, played in
// the simulated controller's place: the program must send exactly the
// recorded commands, and end where the recorded session ended. A recording
// that the program leaves (another update file, a command byte changed in
// the recording) must be reported with its line and end the update in an
// error, never in completion.
#include "MessageLoop.h"
#include "TempFolder.h"
#include "TestEngine.h"
#include "recording/Crc32.h"
#include "sim/SimControl.h"
#include "tools/UpdateFileMaker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

namespace
{

const std::string recordings = VQD_RECORDINGS_DIR;

std::string readText (const std::string& path)
{
    std::ifstream file (path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// The value of a "key value" line of tests/recordings/update-file.txt.
std::string updateFileSays (const std::string& key)
{
    std::istringstream lines (readText (recordings + "/update-file.txt"));
    std::string line;
    while (std::getline (lines, line))
        if (line.rfind (key + " ", 0) == 0)
            return line.substr (key.size() + 1);
    return {};
}

class ReplayedUpdate : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // The file the recordings were made with, made anew from the
        // options the fixtures' folder names; its CRC says it is that file.
        ASSERT_EQ (updateFileSays ("options"), "--version 1.02 --date 20240318");
        UpdateFileMaker::parseDate ("20240318", fileOptions.date);
        fileOptions.version = "1.02";
    }

    void TearDown() override
    {
        engine.reset();
        vqdsim::reset();
    }

    void writeUpdateFile()
    {
        fileData = UpdateFileMaker::make (fileOptions);
        ASSERT_TRUE ((folder / updateFileSays ("name")).replaceWithData (fileData.data(), fileData.size()));
    }

    // Plays the recording at `path` to the program's end: through the ready
    // screen when it comes, until the worker ends. Returns the final state.
    int play (const std::string& path, const UpdateEngine::Pacing& pacing = {})
    {
        vqdsim::Scenario scenario;
        scenario.replayPath = path;
        scenario.replayFast = true;
        vqdsim::configure (scenario);

        engine = std::make_unique<TestEngine>();
        engine->setPacing (pacing);
        engine->setUpdateFolder (folder.get());
        engine->openDevice();
        EXPECT_TRUE (engine->startFromIdle());
        EXPECT_TRUE (MessageLoop::runUntil (
            [&] { return ! engine->isThreadRunning() || engine->getUpdateState() == stateReady; }, 60000));
        if (engine->getUpdateState() == stateReady)
        {
            engine->confirmUpdate();
            EXPECT_TRUE (MessageLoop::runUntil ([&] { return ! engine->isThreadRunning(); }, 60000));
        }
        MessageLoop::runFor (20);
        return engine->getUpdateState();
    }

    // Ends the session as the program does when it closes.
    void closeSession() { engine.reset(); }

    // After a divergence nothing answers: the program's limit for an answer
    // ends the update, shortened here.
    static UpdateEngine::Pacing shortAnswerLimit()
    {
        UpdateEngine::Pacing pacing;
        pacing.answerTimeoutMs = 1000;
        return pacing;
    }

    std::vector<uint8_t> fileBytes (std::size_t offset, std::size_t length) const
    {
        return { fileData.begin() + static_cast<std::ptrdiff_t> (offset),
                 fileData.begin() + static_cast<std::ptrdiff_t> (offset + length) };
    }

    TempFolder folder;
    UpdateFileMaker::Options fileOptions;
    std::vector<uint8_t> fileData;
    std::unique_ptr<TestEngine> engine;
};

} // namespace

TEST_F (ReplayedUpdate, TheUpdateFileIsTheOneTheRecordingsWereMadeWith)
{
    writeUpdateFile();
    char crc[16];
    std::snprintf (crc, sizeof (crc), "%08X", vqdrec::crc32Update (0, fileData.data(), fileData.size()));
    EXPECT_EQ (crc, updateFileSays ("crc32"));
}

TEST_F (ReplayedUpdate, AWholeUpdateWritesTheFileAndCompletes)
{
    writeUpdateFile();
    EXPECT_EQ (play (recordings + "/whole-update.txt"), stateComplete);
    EXPECT_TRUE (engine->getUpdateComplete());
    EXPECT_TRUE (vqdsim::flashImage() == fileBytes (0, vqdsim::flashEnd));

    closeSession();
    const vqdsim::ReplayOutcome outcome = vqdsim::replayOutcome();
    EXPECT_FALSE (outcome.diverged) << outcome.divergence;
    EXPECT_TRUE (outcome.playedToEnd);
}

TEST_F (ReplayedUpdate, ARemovalDuringTheBlockDataEndsOnTheRecoveryPage)
{
    writeUpdateFile();
    const int state = play (recordings + "/removal-in-data.txt");
    EXPECT_EQ (state, errDisconnected);
    EXPECT_TRUE (isRecoveryError (state));

    // Pulled out in the third block: the first two, 0x40000 bytes, were
    // committed; the rest of the flash was never written.
    const std::vector<uint8_t> flash = vqdsim::flashImage();
    ASSERT_EQ (flash.size(), static_cast<std::size_t> (vqdsim::flashEnd));
    EXPECT_TRUE (std::equal (flash.begin(), flash.begin() + 0x40000, fileData.begin()));
    EXPECT_TRUE (std::all_of (flash.begin() + 0x40000, flash.end(), [] (uint8_t b) { return b == 0xFF; }));

    closeSession();
    const vqdsim::ReplayOutcome outcome = vqdsim::replayOutcome();
    EXPECT_FALSE (outcome.diverged) << outcome.divergence;
    EXPECT_TRUE (outcome.playedToEnd);
}

TEST_F (ReplayedUpdate, AnotherUpdateFileDivergesAtTheFirstBlocksData)
{
    fileOptions.seed = 2; // other image bytes, the same version and date
    writeUpdateFile();
    const std::string path = recordings + "/whole-update.txt";
    EXPECT_NE (play (path, shortAnswerLimit()), stateComplete);
    EXPECT_FALSE (engine->getUpdateComplete());

    // The first block's data are the recording's first run.
    const std::string text = readText (path);
    const std::size_t run = text.find (" run ");
    ASSERT_NE (run, std::string::npos);
    const int line = 1 + static_cast<int> (std::count (text.begin(), text.begin() + static_cast<std::ptrdiff_t> (run), '\n'));

    const vqdsim::ReplayOutcome outcome = vqdsim::replayOutcome();
    ASSERT_TRUE (outcome.diverged);
    EXPECT_NE (outcome.divergence.find ("diverged at line " + std::to_string (line) + " of " + path + ": expected \"2114 writes with CRC "),
               std::string::npos)
        << outcome.divergence;
    EXPECT_NE (outcome.divergence.find ("got \"2114 writes with CRC "), std::string::npos) << outcome.divergence;
}

TEST_F (ReplayedUpdate, ACommandByteChangedInTheRecordingDivergesThere)
{
    writeUpdateFile();

    // The prepare command of the recording asks for another length.
    std::string text = readText (recordings + "/whole-update.txt");
    const std::string prepare = "> HID_Write 3 64 F10800001D00FF000001";
    const std::size_t at = text.find (prepare);
    ASSERT_NE (at, std::string::npos);
    text[at + prepare.size() - 1] = '2';
    const int line = 1 + static_cast<int> (std::count (text.begin(), text.begin() + static_cast<std::ptrdiff_t> (at), '\n'));
    const juce::File changed = folder / "changed.txt";
    ASSERT_TRUE (changed.replaceWithText (juce::String::fromUTF8 (text.c_str()), false, false, "\n"));
    const std::string path = changed.getFullPathName().toStdString();

    EXPECT_NE (play (path, shortAnswerLimit()), stateComplete);
    EXPECT_FALSE (engine->getUpdateComplete());
    const std::vector<uint8_t> flash = vqdsim::flashImage();
    EXPECT_TRUE (std::all_of (flash.begin(), flash.end(), [] (uint8_t b) { return b == 0xFF; }));

    const vqdsim::ReplayOutcome outcome = vqdsim::replayOutcome();
    ASSERT_TRUE (outcome.diverged);
    EXPECT_EQ (outcome.divergence, "vqdtrm4 replay: diverged at line " + std::to_string (line) + " of " + path
                                       + ": expected \"> HID_Write 3 64 F10800001D00FF000002\", got \"> HID_Write 3 64 "
                                         "F10800001D00FF000001\"");
}
