#include "RunPlan.h"

#include "ProtocolModel.h"
#include "tools/UpdateFileMaker.h"
#include "update/CommandProtocol.h"

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <sstream>

using namespace Protocol;
using Action = vqdsim::Fault::Action;

namespace
{
// The update file's date, and the controller's when the plan makes them equal.
const char* const fileDate = "20240318";

// SplitMix64: small, and the same numbers on every platform and library,
// unlike the standard distributions.
class Random
{
public:
    explicit Random (uint64_t seed) : state (seed) {}

    uint64_t next()
    {
        uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    // 0 .. bound - 1
    int below (int bound) { return (int) (next() % (uint64_t) bound); }
    bool chance (int percent) { return below (100) < percent; }

private:
    uint64_t state;
};

// Every kind of command is as likely as the next, the rare ones too; data
// pieces, which are most of what is sent, twice as likely.
const uint8_t faultedCommands[] = { cmdQueryStatus, cmdQueryInfo, cmdPrepare, cmdBlockStart, cmdData,
                                    cmdData, cmdLastLength, cmdBlockSum, cmdCommitPoll, cmdFinish };

// Faults that leave the program waiting for an answer that never comes cost
// the whole answer time-out; they are drawn seldom.
bool waitsForTheTimeout (Action action, int code)
{
    return action == Action::silent
           || (action == Action::remove && (code == cmdQueryStatus || code == cmdQueryInfo));
}

ModelledUpdate::Outcome playOut (const vqdsim::Scenario& scenario)
{
    // The date's BCD digits, read as hexadecimal, are the number the model takes.
    return ModelledUpdate::play (scenario, RunPlan::updateFile(), (uint32_t) std::strtoul (fileDate, nullptr, 16));
}

uint8_t wrongEchoFor (Random& random, int code, const ModelledUpdate::Outcome& goodUpdate, int occurrence)
{
    // The target the command carries, to be sure the echo differs from it.
    int seen = 0;
    uint8_t target = controllerTarget;

    for (const auto& command : goodUpdate.commands)
        if (command.code == code && ++seen == occurrence)
            target = command.target;

    const uint8_t likely[] = { 0x00, 0xF0, 0xF1, 0xF2, 0xF7, 0xFF };

    for (;;)
    {
        const uint8_t echo = random.chance (70) ? likely[random.below (6)] : (uint8_t) random.below (256);

        if (echo != target)
            return echo;
    }
}

int answerCodeFor (Random& random, int code)
{
    const int busy[] = { ansBusy, ansBusy2 };
    const int known[] = { ansOk, ansInfo, ansBlockDone, ansOkB, 0x00, 0xFF };

    for (;;)
    {
        const int pick = random.below (10);
        int value;

        if (pick < 4)
            value = busy[random.below (2)];
        else if (pick < 7)
            value = known[random.below (6)];
        else
            value = random.below (256);

        // A refusal is drawn as such, with its sub-code.
        if (value != ansError && ! ProtocolModel::isSuccessCode ((uint8_t) code, value))
            return value;
    }
}

int subCodeFor (Random& random)
{
    return random.chance (75) ? 1 + random.below (5) : random.below (256);
}
} // namespace

RunPlan RunPlan::draw (uint64_t seed, int index)
{
    Random random (seed ^ (0xD1B54A32D192ED03ull * (uint64_t) (index + 1)));
    RunPlan plan;
    plan.index = index;
    plan.rtController = random.chance (30);
    plan.equalDates = random.chance (50);
    plan.controllerWithoutVersion = random.chance (15);
    plan.busyPerBlock = random.below (3);
    plan.flashFill = (uint8_t) random.below (256);

    // A few runs keep the program's own pacing, so that its real 10-second
    // answer limit and 100 ms commit polls are what the campaign proves
    // there; they are given a fault that waits for the limit.
    plan.realPacing = index % 100 == 50;

    auto faultless = plan.scenario();
    faultless.faults.clear();
    const auto goodUpdate = playOut (faultless);
    auto& fault = plan.fault;

    for (;;)
    {
        const int kind = random.below (100);

        if (kind < 28)
            fault.action = Action::remove;
        else if (kind < 50)
            fault.action = Action::refuse;
        else if (kind < 70)
            fault.action = Action::wrongEcho;
        else if (kind < 96)
            fault.action = Action::answerCode;
        else
            fault.action = Action::silent;

        fault.command = faultedCommands[random.below ((int) std::size (faultedCommands))];

        // Runs with the real pacing take only faults that wait for the
        // answer limit; the others keep a quarter of those they draw.
        const bool waits = waitsForTheTimeout (fault.action, fault.command);

        if (plan.realPacing ? waits : (! waits || random.chance (25)))
            break;
    }

    fault.occurrence = 1 + random.below (goodUpdate.count ((uint8_t) fault.command));

    switch (fault.action)
    {
        case Action::refuse: fault.value = subCodeFor (random); break;
        case Action::answerCode: fault.value = answerCodeFor (random, fault.command); break;
        case Action::wrongEcho: fault.value = wrongEchoFor (random, fault.command, goodUpdate, fault.occurrence); break;
        case Action::remove: plan.arriveAfterMs = random.chance (30) ? random.below (50) : -1; break;
        case Action::silent:
        case Action::writeFail: break;
    }

    return plan;
}

vqdsim::Scenario RunPlan::scenario() const
{
    vqdsim::Scenario scenario;
    scenario.statusAnswer = rtController ? ansOkB : ansOk;
    UpdateFileMaker::parseDate (equalDates ? fileDate : "20230715", scenario.date);

    if (controllerWithoutVersion)
        std::fill (std::begin (scenario.version), std::end (scenario.version), (uint8_t) 0xFF);

    scenario.busyPerBlock = busyPerBlock;
    scenario.flashFill = flashFill;
    scenario.arriveAfterMs = arriveAfterMs;
    scenario.faults = { fault };
    return scenario;
}

ModelledUpdate::Outcome RunPlan::expectedOutcome() const
{
    return playOut (scenario());
}

const std::vector<uint8_t>& RunPlan::updateFile()
{
    static const std::vector<uint8_t> data = [] {
        UpdateFileMaker::Options options;
        UpdateFileMaker::parseDate (fileDate, options.date);
        options.seed = 4711;
        return UpdateFileMaker::make (options);
    }();
    return data;
}

const char* commandName (int code)
{
    switch (code)
    {
        case cmdQueryStatus: return "cmdQueryStatus";
        case cmdQueryInfo: return "cmdQueryInfo";
        case cmdBlockStart: return "cmdBlockStart";
        case cmdData: return "cmdData";
        case cmdBlockSum: return "cmdBlockSum";
        case cmdCommitPoll: return "cmdCommitPoll";
        case cmdFinish: return "cmdFinish";
        case cmdLastLength: return "cmdLastLength";
        case cmdPrepare: return "cmdPrepare";
        default: return "unknown command";
    }
}

std::string RunPlan::describe() const
{
    std::ostringstream text;
    text << "run " << index << ": " << commandName (fault.command) << " #" << fault.occurrence << ' ';

    switch (fault.action)
    {
        case Action::remove: text << "removes the controller"; break;
        case Action::refuse: text << "refused with sub-code " << fault.value; break;
        case Action::wrongEcho: text << "echoed as 0x" << std::hex << fault.value << std::dec; break;
        case Action::answerCode: text << "answered 0x" << std::hex << fault.value << std::dec; break;
        case Action::silent: text << "not answered"; break;
        case Action::writeFail: text << "not written"; break;
    }

    if (arriveAfterMs >= 0)
        text << " (back after " << arriveAfterMs << " ms)";

    text << "; " << (rtController ? "RT1062" : "SH7269") << ", dates " << (equalDates ? "equal" : "differ")
         << (controllerWithoutVersion ? ", no version" : "") << ", " << busyPerBlock << " busy per block"
         << ", flash 0x" << std::hex << (int) flashFill << std::dec << (realPacing ? ", real pacing" : "");
    return text.str();
}
