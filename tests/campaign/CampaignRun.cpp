#include "CampaignRun.h"

#include "MessageLoop.h"
#include "ProcessCounts.h"
#include "ProtocolModel.h"
#include "TestEngine.h"
#include "update/CommandProtocol.h"

#include <memory>
#include <sstream>
#include <thread>

using namespace Protocol;

namespace CampaignRun
{
namespace
{
#if defined(VQD_CAMPAIGN_SLOW_BUILD)
// Sanitizers and Debug make every round trip several times slower.
constexpr int slowness = 4;
#else
constexpr int slowness = 1;
#endif

// How long an update may take before its worker counts as hung: a whole
// update takes seconds; the answer limit comes on top.
int workerBoundMs (const UpdateEngine::Pacing& pacing)
{
    return 60000 * slowness + pacing.answerTimeoutMs;
}

UpdateEngine::Pacing pacingFor (const RunPlan& plan)
{
    UpdateEngine::Pacing pacing; // the program's own

    if (! plan.realPacing)
    {
        // Far above any answer's latency, however loaded the machine.
        pacing.answerTimeoutMs = 3000;
        pacing.commitPollMs = 1;
    }

    return pacing;
}

// The flash as it must be: the fill, with the blocks the controller
// committed taken from the file at their device addresses.
std::vector<uint8_t> expectedFlash (const RunPlan& plan, const std::vector<ModelledUpdate::Block>& committedBlocks)
{
    std::vector<uint8_t> flash (vqdsim::flashEnd, plan.flashFill);
    const auto& file = RunPlan::updateFile();

    for (const auto& block : committedBlocks)
    {
        std::copy (file.begin() + block.address, file.begin() + block.address + block.length,
                   flash.begin() + block.address);
    }

    return flash;
}

std::string firstDifference (const std::vector<uint8_t>& actual, const std::vector<uint8_t>& expected)
{
    if (actual.size() != expected.size())
        return "flash of " + std::to_string (actual.size()) + " bytes";

    for (size_t i = 0; i < actual.size(); ++i)
        if (actual[i] != expected[i])
        {
            std::ostringstream text;
            text << "flash differs first at 0x" << std::hex << i << ": 0x" << (int) actual[i] << " where 0x"
                 << (int) expected[i] << " belongs";
            return text.str();
        }

    return {};
}

ProcessCounts settledCounts (const ProcessCounts& expected)
{
    // A thread that has ended can linger in /proc for a moment.
    auto counts = ProcessCounts::now();

    for (int i = 0; i < 3000 && ! (counts == expected); ++i)
    {
        std::this_thread::sleep_for (std::chrono::milliseconds (1));
        counts = ProcessCounts::now();
    }

    return counts;
}

class Checks
{
public:
    template <typename Value>
    void equal (const char* what, const Value& actual, const Value& expected)
    {
        if (! (actual == expected))
        {
            std::ostringstream text;
            text << what << ": " << actual << ", expected " << expected;
            failures.push_back (text.str());
        }
    }

    void that (bool condition, const std::string& what)
    {
        if (! condition)
            failures.push_back (what);
    }

    std::vector<std::string> failures;
};

std::string stateName (int state)
{
    return getUpdateStateName (state).toStdString();
}
} // namespace

int longestRunMs()
{
    return workerBoundMs (UpdateEngine::Pacing {});
}

void settleProcess()
{
    std::thread ([] {}).join();
    MessageLoop::runFor (10);
}

Result perform (const RunPlan& plan, const juce::File& folder)
{
    Result result;
    Checks check;
    const auto before = ProcessCounts::now();
    const auto expected = plan.expectedOutcome();
    const bool completes = expected.state == ProtocolModel::stateComplete;

    {
        const auto& file = RunPlan::updateFile();
        const auto name = plan.rtController ? "vqdtrm4_B__v102.bin" : "vqdtrm4__v102.bin";
        folder.deleteRecursively();

        if (! folder.createDirectory() || ! folder.getChildFile (name).replaceWithData (file.data(), file.size()))
        {
            result.failures.push_back ("cannot write the update file");
            return result;
        }

        vqdsim::configure (plan.scenario());

        auto engine = std::make_unique<TestEngine>();
        const auto pacing = pacingFor (plan);
        engine->setPacing (pacing);
        engine->setUpdateFolder (folder);
        engine->openDevice();

        if (! engine->getHidCtrl()->isConnected() || ! engine->startFromIdle())
        {
            result.failures.push_back ("the controller is not connected at the start");
            return result;
        }

        const auto started = juce::Time::getMillisecondCounterHiRes();
        const int bound = workerBoundMs (pacing);
        MessageLoop::runUntil ([&] { return ! engine->isThreadRunning() || engine->getUpdateState() == stateReady; },
                               bound);

        if (engine->getUpdateState() == stateReady)
        {
            engine->confirmUpdate();
            MessageLoop::runUntil ([&] { return ! engine->isThreadRunning(); }, bound);
        }

        if (engine->isThreadRunning())
        {
            result.workerHung = true;
            result.state = engine->getUpdateState();
            result.failures.push_back ("the worker still runs after " + std::to_string (bound / 1000) + " s, in "
                                       + stateName (result.state));
            engine->stopWorker();
            return result;
        }

        const double elapsedMs = juce::Time::getMillisecondCounterHiRes() - started;

        // Notices still on their way (a removal while the finish was sent,
        // a controller coming back) are handled before anything is judged.
        // A controller that comes back must find nothing more sent to it.
        if (expected.controllerGone && plan.arriveAfterMs >= 0)
            check.that (MessageLoop::runUntil ([&] { return engine->getHidCtrl()->isConnected(); }, 5000),
                        "the controller did not come back");

        MessageLoop::runFor (20);

        result.state = engine->getUpdateState();
        check.equal ("final state", stateName (result.state), stateName (expected.state));
        check.equal ("update complete", engine->getUpdateComplete(), completes);
        check.equal ("progress is whole", engine->getProgress() == 1.0, completes);
        check.equal ("state the screen last showed",
                     stateName (engine->statesSeen.empty() ? -1 : engine->statesSeen.back()), stateName (expected.state));

        const auto stats = vqdsim::stats();
        check.equal ("reports that reached the controller", stats.reportsReceived, (int) expected.commands.size());
        check.equal ("block sums sent", stats.commands[cmdBlockSum], expected.count (cmdBlockSum));
        check.equal ("finish sent", stats.finished, expected.count (cmdFinish) > 0);

        // Not even an attempt to write to a controller that is gone: the
        // library counts every write it had to refuse.
        check.equal ("writes refused by the library", stats.writesRefused, 0);

        if (expected.faultIndex >= 0 && ! completes)
        {
            // A block whose start or data the fault broke off must not be
            // followed by its sum: only the blocks before it have theirs.
            const auto& faulted = expected.commands[(size_t) expected.faultIndex];

            if (faulted.state == ProtocolModel::stateBlockStart || faulted.state == ProtocolModel::stateBlockData)
                check.that (stats.commands[cmdBlockSum] <= faulted.block,
                            "a block sum followed block " + std::to_string (faulted.block) + ", which was broken off");
        }

        const auto difference = firstDifference (vqdsim::flashImage(),
                                                 expectedFlash (plan, expected.committedBlocks));
        check.that (difference.empty(), difference);

        if (plan.realPacing && expected.state == ProtocolModel::errTimeout)
            check.that (elapsedMs >= pacing.answerTimeoutMs,
                        "the answer limit ran out after " + std::to_string ((int) elapsedMs) + " ms");

        engine.reset();
        vqdsim::reset();
    }

    folder.deleteRecursively();

    const auto after = settledCounts (before);
    check.equal ("threads after the run", after.threads, before.threads);
    check.equal ("file descriptors after the run", after.descriptors, before.descriptors);

    result.failures = std::move (check.failures);
    return result;
}
} // namespace CampaignRun
