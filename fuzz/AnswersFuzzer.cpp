// Fuzzes the update engine's answer handling: the real UpdateEngine, its
// worker thread, its steps and its wait for each answer, on the JUCE message
// loop, talking through the real HidCtrl, HidUtil and notification window to
// a scripted controller (ScriptedHidLibrary) that answers as the input says
// (AnswerScript). Every command the worker writes is checked against what
// the protocol's rules say must come next (ProtocolModel), so that, among
// the rest:
//   - no cmdBlockSum follows a block with a data piece not answered 0x80;
//   - nothing is written after an error identifier ends the worker, nor
//     after the controller was unplugged;
//   - completion comes only after every block's sum was answered 0x80 and
//     its commit 0x85.
// Per input the worker must end, on exactly the state the rules give.
#include "AnswerScript.h"
#include "ScriptedHidLibrary.h"

#include "update/Checksums.h"
#include "update/UpdateEngine.h"

#include <juce_events/juce_events.h>

#include <atomic>
#include <functional>

#include <sched.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace juce
{
// JUCE's own step of the Linux message loop: dispatches the next message,
// sleeping in poll() until one comes.
bool dispatchNextMessageOnSystemQueue (bool returnIfNoPendingMessages);
} // namespace juce

namespace
{
[[noreturn]] void fail (const std::string& what)
{
    std::fprintf (stderr, "answer handling mismatch: %s\n", what.c_str());
    std::fflush (stderr);
    __builtin_trap();
}

const uint8_t fileDateBytes[4] = { 0x20, 0x24, 0x03, 0x18 };
const uint32_t theFileDate = 0x20240318;

// The update file the engine loads: version 1.02, 18 March 2024,
// pseudo-random images, its CRC right.
std::vector<uint8_t> makeFileContent()
{
    std::vector<uint8_t> content (0x200000);
    uint32_t x = 0x2545F491u;

    for (auto& byte : content)
    {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        byte = (uint8_t) x;
    }

    std::memcpy (content.data() + 0x1D0000, "1.02", 4);
    std::memcpy (content.data() + 0x1DFFFC, fileDateBytes, 4);
    const uint16_t crc = computeCrc16 (content.data(), content.size() - 2);
    content[0x1FFFFE] = (uint8_t) crc;
    content[0x1FFFFF] = (uint8_t) (crc >> 8);
    return content;
}

const std::vector<uint8_t>& fileContent()
{
    static const std::vector<uint8_t> content = makeFileContent();
    return content;
}

// A folder with an update file for each processor, which the engine's file
// search finds; their content comes from fileContent() (see loadChosenFile).
struct UpdateFolder
{
    UpdateFolder()
    {
        folder.createDirectory();
        folder.getChildFile ("vqdtrm4__v102.bin").replaceWithText ("see fileContent()");
        folder.getChildFile ("vqdtrm4_B__v102.bin").replaceWithText ("see fileContent()");
    }

    ~UpdateFolder() { folder.deleteRecursively(); }

    const juce::File folder = juce::File::getSpecialLocation (juce::File::tempDirectory)
                                  .getNonexistentChildFile ("vqd-fuzz-answers", "", false);
};

const juce::File& updateFolder()
{
    static const UpdateFolder made;
    return made.folder;
}

// The engine without a screen, and with the good file in memory instead of
// reading and checking 2 MB on every input (the file checks have a fuzzer of
// their own).
class FuzzEngine : public UpdateEngine
{
public:
    ~FuzzEngine() override
    {
        stopWorker();
        closeDevice();
    }

    using UpdateEngine::setPacing;

    // Whether the worker's run has returned. The message loop hears of it
    // at once, rather than at its next timer.
    std::atomic<bool> workerReturned { false };

    void run() override
    {
        UpdateEngine::run();
        workerReturned = true;
        juce::MessageManager::callAsync ([] {});
    }

    void handleAsyncUpdate() override
    {
        // What the main component does here, less the screen.
        const juce::ScopedLock sl (statusLock);
    }

protected:
    int loadChosenFile (const juce::String&, uint32_t& dateOut, juce::String& versionOut,
                        std::vector<uint8_t>& content) override
    {
        dateOut = theFileDate;
        versionOut = "1.02";
        content = fileContent();
        return 1;
    }
};

// The worker's pauses shortened so that an input runs fast; the commands and
// their order are the same. A silent controller costs one answer limit, so
// that is short too; a machine so busy that a given answer misses it makes
// the run inconclusive (see runOne), not a finding.
UpdateEngine::Pacing fastPacing()
{
    UpdateEngine::Pacing pacing;
    pacing.passPauseMs = 0;
    pacing.commitPollMs = 0;
    pacing.answerTimeoutMs = 100;

    // A longer limit shows whether an inconclusive run was the machine.
    if (const char* limit = std::getenv ("VQD_FUZZ_ANSWER_LIMIT_MS"))
        pacing.answerTimeoutMs = std::atoi (limit);

    pacing.removalPauseMs = 0;
    pacing.stopTimeoutMs = 10000;
    pacing.readyPollMs = 1;
    return pacing;
}

constexpr int workerLimitMs = 60000;
int inconclusiveRuns = 0;

// Runs the message loop until `done`. Every change the harness waits for
// comes with a message (the worker triggers an asynchronous update on every
// pass, and posts one when it returns), so the loop sleeps in poll() between
// them; a slow timer only keeps a worker that never ends from hanging the
// fuzzer silently.
void runMessagesUntil (const std::function<bool()>& done, const std::function<std::string()>& whereStuck)
{
    struct Watchdog : juce::Timer
    {
        Watchdog() { startTimer (1000); }
        ~Watchdog() override { stopTimer(); }
        void timerCallback() override {}
    } watchdog;

    const auto end = juce::Time::getMillisecondCounterHiRes() + workerLimitMs;

    while (! done())
    {
        if (juce::Time::getMillisecondCounterHiRes() > end)
            fail ("the message loop waited in vain: " + whereStuck());

        juce::dispatchNextMessageOnSystemQueue (false);
    }
}

void runOne (const uint8_t* data, size_t size)
{
    ProtocolModel expected (fileContent(), theFileDate);
    AnswerScript script (data, size, expected, fileDateBytes);
    ScriptedHidLibrary::use (&script);

    {
        FuzzEngine engine;
        engine.setPacing (fastPacing());
        engine.setUpdateFolder (updateFolder());
        engine.openDevice();

        if (engine.getHidCtrl() == nullptr || ! engine.getHidCtrl()->isConnected())
            fail ("the engine did not find the scripted controller");

        if (! engine.startFromIdle())
            fail ("the worker did not start");

        const auto whereStuck = [&] { return "the worker did not end; " + expected.describe(); };
        runMessagesUntil ([&] { return engine.workerReturned || engine.getUpdateState() == stateReady; }, whereStuck);

        if (engine.getUpdateState() == stateReady)
        {
            script.confirm();
            engine.confirmUpdate();
        }

        runMessagesUntil ([&] { return engine.workerReturned.load(); }, whereStuck);
        engine.waitForThreadToExit (-1);

        // The library's last notices (an arrival after a removal, say) were
        // posted before the worker ended; a message posted now comes after them.
        std::atomic<bool> drained { false };
        juce::MessageManager::callAsync ([&drained] { drained = true; });
        runMessagesUntil ([&] { return drained.load(); }, [] { return std::string ("the message queue did not drain"); });

        const int state = engine.getUpdateState();

        if (std::getenv ("VQD_FUZZ_TRACE") != nullptr)
            std::fprintf (stderr, "worker ended with 0x%X (%s) after %d commands: %s\n", state,
                          getUpdateStateName (state).toRawUTF8(), script.commandsSeen(),
                          juce::String::toHexString (data, (int) size).toRawUTF8());

        if (! expected.isFinished() || state != expected.currentState())
        {
            // A worker that gave up on an answer that was given, and never
            // wrote again, can only have met a machine too busy to hand the
            // answer over within the shortened limit.
            if (state == errTimeout && script.lastCommandAnswered())
            {
                std::fprintf (stderr, "inconclusive run %d: the worker timed out on an answer that was given "
                                      "(a busy machine?)\n",
                              ++inconclusiveRuns);
                ScriptedHidLibrary::use (nullptr);
                return;
            }

            char text[120];
            std::snprintf (text, sizeof (text), "the worker ended with 0x%X (%s) after %d commands; ", state,
                           getUpdateStateName (state).toRawUTF8(), script.commandsSeen());
            fail (text + expected.describe());
        }

        // A removal unselects the controller, an arrival selects it again;
        // the update does not change that.
        const bool present = script.controllerPresentAtEnd();

        if (engine.getHidCtrl()->isConnected() != present)
            fail (present ? "the controller plugged in again is not connected" : "an unplugged controller is still connected");

        if (engine.getHidCtrl()->getFirmwareVersion() != (present ? 0x0100 : 0))
            fail ("the firmware version does not follow the removal and the arrival");

        if (engine.getUpdateComplete() != (state == stateComplete))
            fail ("updateComplete does not say whether the update completed");

        if (state == stateComplete && engine.getProgress() != 1.0)
            fail ("the update completed with the progress short of 1.0");
    }

    ScriptedHidLibrary::use (nullptr);
}

// The worker, the message thread and the library hand each answer over in
// turn; on one CPU none of them waits for another CPU to wake up, which
// makes a round trip several times faster on this kind of machine.
// VQD_FUZZ_NO_PIN leaves the threads free, to compare.
void stayOnOneCpu()
{
    const int cpu = sched_getcpu();

    if (cpu < 0)
        return;

    cpu_set_t set;
    CPU_ZERO (&set);
    CPU_SET (cpu, &set);
    sched_setaffinity (0, sizeof (set), &set);
}
} // namespace

extern "C" int LLVMFuzzerInitialize (int*, char***)
{
    // This thread, the one libFuzzer calls us on, is the message thread.
    // JUCE wants its singletons gone before the static objects that hold
    // them when the process ends; libFuzzer ends it with exit().
    // The function-local statics that JUCE creates on first use (the timer
    // thread's list among them) must exist before that handler is
    // registered, so that they are destroyed after it: run the loop once.
    juce::MessageManager::getInstance();
    runMessagesUntil ([start = juce::Time::getMillisecondCounter()] { return juce::Time::getMillisecondCounter() > start + 10; },
                      [] { return std::string ("the first run of the loop did not end"); });
    std::atexit ([] {
        juce::DeletedAtShutdown::deleteAll();
        juce::MessageManager::deleteInstance();
    });
    fileContent();
    updateFolder();
    if (std::getenv ("VQD_FUZZ_NO_PIN") == nullptr)
        stayOnOneCpu();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput (const uint8_t* data, size_t size)
{
    runOne (data, size);
    return 0;
}
