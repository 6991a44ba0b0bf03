// The fault campaign: hundreds of whole updates, each against a simulated
// controller with one fault drawn at random (a removal, a refusal with any
// sub-code, no answer, a wrong echo, an unknown or busy answer code, at any
// command of any kind), each checked against what the program must do with
// that fault.
//
// The seed is fresh every time the test runs and is printed first: each
// campaign explores faults no earlier one tried, and the seed with a failing
// run's index repeats that run exactly, since its plan depends on nothing
// else.
//
//   VQD_CAMPAIGN_SEED=n    repeat the campaign of that seed
//   VQD_CAMPAIGN_RUNS=n    how many runs (a soak takes thousands)
//   VQD_CAMPAIGN_RUN=i     only run i of the seed, in this process
//   VQD_CAMPAIGN_SHARDS=n  processes side by side (1: all in this one)
//
// The runs are spread over copies of this program side by side, each
// taking every n-th run; the controller is simulated once per process.
#include "CampaignRun.h"
#include "ShardProcesses.h"
#include "TempFolder.h"
#include "update/UpdateState.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <iostream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <thread>

#ifndef VQD_CAMPAIGN_DEFAULT_RUNS
 #define VQD_CAMPAIGN_DEFAULT_RUNS 200
#endif

namespace
{
// Set by the campaign for its own copies only.
const char* const shardVariable = "VQD_CAMPAIGN_SHARD";
const char* const parentVariable = "VQD_CAMPAIGN_PARENT";

bool readNumber (const char* name, unsigned long long& value)
{
    const char* text = std::getenv (name);

    if (text == nullptr || *text == 0)
        return false;

    char* end = nullptr;
    value = std::strtoull (text, &end, 0);
    return end != nullptr && *end == 0;
}

int readCount (const char* name, int fallback)
{
    unsigned long long value = 0;
    return readNumber (name, value) ? (int) value : fallback;
}

struct Settings
{
    unsigned long long seed = 0;
    int runs = VQD_CAMPAIGN_DEFAULT_RUNS;
    int shards = 1;
};

// A variable that is set must say a number: a mistyped seed must not
// quietly become a fresh one.
bool variablesAreNumbers()
{
    for (const char* name : { "VQD_CAMPAIGN_SEED", "VQD_CAMPAIGN_RUNS", "VQD_CAMPAIGN_RUN", "VQD_CAMPAIGN_SHARDS" })
    {
        unsigned long long value = 0;
        const char* text = std::getenv (name);

        if (text != nullptr && *text != 0 && ! readNumber (name, value))
        {
            ADD_FAILURE() << name << " is not a number: " << text;
            return false;
        }
    }

    return true;
}

Settings readSettings()
{
    Settings settings;

    if (! readNumber ("VQD_CAMPAIGN_SEED", settings.seed))
        settings.seed = ((unsigned long long) std::random_device {}() << 32) ^ std::random_device {}()
                        ^ (unsigned long long) std::chrono::steady_clock::now().time_since_epoch().count();

    settings.runs = readCount ("VQD_CAMPAIGN_RUNS", settings.runs);
    settings.shards = std::max (1, readCount ("VQD_CAMPAIGN_SHARDS", (int) std::thread::hardware_concurrency() + 1));
    return settings;
}

std::string joined (const std::vector<std::string>& parts)
{
    std::string text;

    for (const auto& part : parts)
        text += (text.empty() ? "" : "; ") + part;

    return text;
}

// Runs first, first + step, ... below `runs` in this process, reporting
// each as a line the campaign's parent reads back.
void runHere (const Settings& settings, int first, int step, int onlyRun)
{
    CampaignRun::settleProcess();
    std::map<std::string, int> outcomes;

    // Named for this process: copies side by side must never pick the same.
    const auto folder = juce::File::getSpecialLocation (juce::File::tempDirectory)
                            .getChildFile ("vqdtrm4_campaign_" + juce::String (ShardProcesses::ownId()));
    int done = 0;

    for (int index = first; index < settings.runs; index += step)
    {
        if (onlyRun >= 0 && index != onlyRun)
            continue;

        const auto plan = RunPlan::draw (settings.seed, index);
        std::cout << "START " << plan.describe() << std::endl;

        const auto result = CampaignRun::perform (plan, folder);
        ++outcomes[getUpdateStateName (result.state).toStdString()];
        ++done;

        if (! result.failures.empty())
        {
            std::cout << "FAIL seed " << settings.seed << ", " << plan.describe() << ": " << joined (result.failures)
                      << std::endl;
            ADD_FAILURE() << "seed " << settings.seed << ", " << plan.describe() << ": " << joined (result.failures);
        }

        // A worker that did not end leaves the process in no state to go on.
        if (result.workerHung)
            break;
    }

    folder.deleteRecursively();

    for (const auto& [state, count] : outcomes)
        std::cout << "OUTCOME " << state << ' ' << count << std::endl;

    std::cout << "DONE " << done << std::endl;
}

// The end of a shard's output, where a crash or a sanitizer's report is.
std::string lastLines (const std::string& text, int count)
{
    size_t start = text.size();

    for (int i = 0; i <= count && start > 0; ++i)
        start = text.rfind ('\n', start - 1);

    return start == std::string::npos ? text : text.substr (start + 1);
}

struct ShardReport
{
    bool finished = false; // it got to the end of its runs
    int done = 0;
    std::string lastStarted;
    std::vector<std::string> failures;
};

ShardReport readShardOutput (const std::string& output, std::map<std::string, int>& outcomes)
{
    ShardReport report;
    std::istringstream lines (output);
    std::string line;

    while (std::getline (lines, line))
    {
        std::istringstream words (line);
        std::string tag;
        words >> tag;

        if (tag == "START")
            report.lastStarted = line.substr (6);
        else if (tag == "FAIL")
            report.failures.push_back (line.substr (5));
        else if (tag == "DONE")
        {
            report.finished = true;
            words >> report.done;
        }
        else if (tag == "OUTCOME")
        {
            std::string state;
            int count = 0;
            words >> state >> count;
            outcomes[state] += count;
        }
    }

    return report;
}

void runSideBySide (const Settings& settings)
{
    const TempFolder logs;
    ShardProcesses shards (logs.get().getFullPathName().toStdString());

    for (int shard = 0; shard < settings.shards; ++shard)
        ASSERT_TRUE (shards.start ("FaultCampaign.*",
                                   { { "VQD_CAMPAIGN_SEED", std::to_string (settings.seed) },
                                     { "VQD_CAMPAIGN_RUNS", std::to_string (settings.runs) },
                                     { "VQD_CAMPAIGN_SHARDS", std::to_string (settings.shards) },
                                     { "VQD_CAMPAIGN_RUN", "" },
                                     { shardVariable, std::to_string (shard) },
                                     { parentVariable, std::to_string (ShardProcesses::ownId()) } }))
            << "cannot start shard " << shard;

    // A shard prints a line before every run; one that stays quiet much
    // longer than any run's own limit is stuck beyond what it can report.
    const auto ended = shards.waitForAll (2 * CampaignRun::longestRunMs());

    std::map<std::string, int> outcomes;
    int done = 0;

    for (size_t shard = 0; shard < ended.size(); ++shard)
    {
        const auto& end = ended[shard];
        const auto report = readShardOutput (end.output, outcomes);
        done += report.done;

        for (const auto& failure : report.failures)
            ADD_FAILURE() << failure;

        if (end.killed)
            ADD_FAILURE() << "shard " << shard << " stopped making progress in " << report.lastStarted;
        else if (end.exitCode != 0 && (report.failures.empty() || ! report.finished))
            ADD_FAILURE() << "shard " << shard << " ended with " << end.exitCode << " after " << report.lastStarted
                          << ":\n"
                          << lastLines (end.output, 80);
    }

    EXPECT_EQ (done, settings.runs) << "runs completed";

    std::cout << "[ campaign ] outcomes:";

    for (const auto& [state, count] : outcomes)
        std::cout << ' ' << state << ' ' << count;

    std::cout << std::endl;
}
} // namespace

TEST (FaultCampaign, RandomSingleFaultsEndAsTheProgramPrescribes)
{
    ASSERT_TRUE (variablesAreNumbers());
    const auto settings = readSettings();
    const int shard = readCount (shardVariable, -1);

    if (shard >= 0)
    {
        ShardProcesses::endWithParent (readCount (parentVariable, -1));
        runHere (settings, shard, settings.shards, -1);
        return;
    }

    std::cout << "[ campaign ] seed " << settings.seed << " (VQD_CAMPAIGN_SEED=" << settings.seed
              << " repeats it), " << settings.runs << " runs" << std::endl;

    const int onlyRun = readCount ("VQD_CAMPAIGN_RUN", -1);

    if (onlyRun >= 0 || settings.shards == 1)
        runHere (settings, 0, 1, onlyRun);
    else
        runSideBySide (settings);
}
