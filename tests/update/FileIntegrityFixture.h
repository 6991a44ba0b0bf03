#pragma once

// Whole updates with the update file changed on disk after its checks: on
// the ready screen or between two blocks. Whatever the change, the update
// must complete with the flash holding the file as it was checked.
#include "WorkerFixture.h"

#include "update/CommandProtocol.h"

#include <functional>

struct Tampering
{
    const char* name;
    std::function<void (const juce::File&)> apply;
};

class FileIntegrityTest : public WorkerTest
{
protected:
    static constexpr const char* fileName = "vqdtrm4__v102.bin";

    void SetUp() override
    {
        WorkerTest::SetUp();

        // Nothing here is about the commit poll's pace: poll at once.
        pacing.commitPollMs = 1;
    }

    enum class When
    {
        onTheReadyScreen, // after the checks, before Start
        betweenTwoBlocks  // the first block written, the second announced
    };

    // Runs a whole update with the file tampered with at that moment; the
    // update must complete with the flash holding the file as it was checked.
    void updateWithFileChanged (const Tampering& tampering, When when)
    {
        SCOPED_TRACE (tampering.name);
        writeUpdateFile (fileName);
        startWorker();
        ASSERT_TRUE (runUntilState (stateReady));
        EXPECT_EQ (engine->getFileVersion(), "1.02");

        if (when == When::onTheReadyScreen)
            tampering.apply (folder / fileName);

        engine->confirmUpdate();

        if (when == When::betweenTwoBlocks)
        {
            ASSERT_TRUE (MessageLoop::runUntil ([] { return vqdsim::stats().commands[Protocol::cmdBlockStart] >= 2; }, 20000));
            tampering.apply (folder / fileName);
        }

        ASSERT_TRUE (runUntilWorkerEnds());
        EXPECT_EQ (engine->getUpdateState(), stateComplete) << getUpdateStateName (engine->getUpdateState());
        EXPECT_TRUE (vqdsim::flashImage() == fileBytes (0, vqdsim::flashEnd));
        EXPECT_EQ (vqdsim::stats().dataBytes, 0x1E0000);

        engine.reset();
        (folder / fileName).deleteFile();
    }
};
