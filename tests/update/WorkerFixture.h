#pragma once

// Drives the real update worker against the simulated controller on the
// running message loop: the library's thread answers, its notices go
// through the notification window to the engine, as in the program.
#include "MessageLoop.h"
#include "TempFolder.h"
#include "TestEngine.h"
#include "sim/SimControl.h"
#include "tools/UpdateFileMaker.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

class WorkerTest : public ::testing::Test
{
protected:
    static constexpr int updateTimeoutMs = 60000;

    void SetUp() override
    {
        // The controller holds an older build than the file by default, so
        // that all three images are written.
        UpdateFileMaker::parseDate ("20230715", scenario.date);
        UpdateFileMaker::parseDate ("20240318", fileOptions.date);
    }

    void TearDown() override
    {
        engine.reset();
        vqdsim::reset();
    }

    void writeUpdateFile (const juce::String& name = "vqdtrm4__v102.bin")
    {
        fileData = UpdateFileMaker::make (fileOptions);
        ASSERT_TRUE ((folder / name).replaceWithData (fileData.data(), fileData.size()));
    }

    // Opens the session with the scenario as it stands.
    void openSession()
    {
        vqdsim::configure (scenario);
        engine = std::make_unique<TestEngine>();
        engine->setPacing (pacing);
        engine->setUpdateFolder (folder.get());
        engine->openDevice();
    }

    // Opens the session and presses the first screen's OK.
    void startWorker()
    {
        openSession();
        ASSERT_TRUE (engine->getHidCtrl()->isConnected());
        ASSERT_TRUE (engine->startFromIdle());
    }

    bool runUntilState (int state, int timeoutMs = 10000)
    {
        return MessageLoop::runUntil ([&] { return engine->getUpdateState() == state; }, timeoutMs);
    }

    bool runUntilWorkerEnds (int timeoutMs = updateTimeoutMs)
    {
        return MessageLoop::runUntil ([&] { return ! engine->isThreadRunning(); }, timeoutMs);
    }

    // Runs from the first screen to the end of the worker, confirming the
    // update on the ready screen.
    void runWholeUpdate()
    {
        startWorker();
        ASSERT_TRUE (runUntilState (stateReady)) << getUpdateStateName (engine->getUpdateState());
        engine->confirmUpdate();
        ASSERT_TRUE (runUntilWorkerEnds());
        // Let the last asynchronous update reach the screen stand-in.
        MessageLoop::runFor (20);
    }

    // Ends with the worker stopped and returns the state it left.
    int runToError()
    {
        startWorker();
        EXPECT_TRUE (MessageLoop::runUntil ([&] { return ! engine->isThreadRunning() || engine->getUpdateState() == stateReady; },
                                            updateTimeoutMs));

        if (engine->getUpdateState() == stateReady)
        {
            engine->confirmUpdate();
            EXPECT_TRUE (runUntilWorkerEnds());
        }

        MessageLoop::runFor (20);
        return engine->getUpdateState();
    }

    std::vector<uint8_t> fileBytes (int64_t offset, int64_t length) const
    {
        return { fileData.begin() + offset, fileData.begin() + offset + length };
    }

    static vqdsim::Fault fault (int command, int occurrence, vqdsim::Fault::Action action, int value = 0)
    {
        vqdsim::Fault f;
        f.command = command;
        f.occurrence = occurrence;
        f.action = action;
        f.value = value;
        return f;
    }

    // The program's own pauses and limits unless a test shortens them.
    UpdateEngine::Pacing pacing;

    TempFolder folder;
    UpdateFileMaker::Options fileOptions;
    std::vector<uint8_t> fileData;
    vqdsim::Scenario scenario;
    std::unique_ptr<TestEngine> engine;
};
