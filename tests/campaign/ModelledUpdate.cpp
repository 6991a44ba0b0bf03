#include "ModelledUpdate.h"

#include "ProtocolModel.h"
#include "update/CommandProtocol.h"

#include <algorithm>
#include <cstring>
#include <iterator>

using namespace Protocol;
using Action = vqdsim::Fault::Action;

namespace ModelledUpdate
{
namespace
{
enum class Reaction
{
    answers,
    silent,
    unplugs
};

// The simulated controller as far as the outcome depends on it. A faulted
// command never reaches the loader, except the one answered with a wrong
// echo: so a commit poll refused or recoded busy is simply polled again,
// and a faulted poll commits only when it was handled.
class StandInController
{
public:
    explicit StandInController (const vqdsim::Scenario& scenarioToPlay) : scenario (scenarioToPlay) {}

    Reaction receive (const uint8_t* command, uint8_t* answer)
    {
        const vqdsim::Fault* const fault = faultFor (command[1]);

        if (fault != nullptr && firstFault < 0)
            firstFault = received;

        ++received;
        std::memset (answer, 0, reportSize);
        answer[0] = command[0];

        if (fault == nullptr)
            return handle (command, answer) ? Reaction::answers : Reaction::silent;

        switch (fault->action)
        {
            case Action::refuse:
                answer[1] = ansError;
                answer[2] = (uint8_t) fault->value;
                break;
            case Action::answerCode: answer[1] = (uint8_t) fault->value; break;
            case Action::silent: return Reaction::silent;
            case Action::remove: gone = true; return Reaction::unplugs;
            // Not planned by the campaign: a write that fails never reaches
            // the controller, which the model cannot count as received.
            case Action::writeFail: return Reaction::silent;
            case Action::wrongEcho:
                handle (command, answer);
                answer[0] = (uint8_t) fault->value;
                break;
        }

        return Reaction::answers;
    }

    int firstFault = -1;
    bool gone = false;
    std::vector<Block> committed;

private:
    // The simulator counts each code's commands as they arrive.
    const vqdsim::Fault* faultFor (uint8_t code)
    {
        const int occurrence = ++seen[code];

        for (const auto& fault : scenario.faults)
            if (fault.command == code && (fault.repeat ? occurrence >= fault.occurrence : occurrence == fault.occurrence))
                return &fault;

        return nullptr;
    }

    // The loader's answer; false for the finish, which it does not answer.
    // The prepare and the data come from the model, and are taken.
    bool handle (const uint8_t* command, uint8_t* answer)
    {
        switch (command[1])
        {
            case cmdQueryStatus: answer[1] = scenario.statusAnswer; break;
            case cmdQueryInfo: putInfo (answer); break;
            case cmdBlockStart: startBlock (command, answer); break;
            case cmdBlockSum:
                busyLeft = scenario.busyPerBlock;
                answer[1] = ansOk;
                break;
            case cmdCommitPoll: answer[1] = pollAnswer(); break;
            case cmdFinish: return false;
            default: answer[1] = ansOk; break;
        }

        return true;
    }

    void putInfo (uint8_t* answer) const
    {
        answer[1] = ansInfo;
        std::copy (std::begin (scenario.date), std::end (scenario.date), answer + 2);
        std::copy (std::begin (scenario.version), std::end (scenario.version), answer + 7);
    }

    void startBlock (const uint8_t* command, uint8_t* answer)
    {
        pendingBlock = { getUint32 (command + 2), getUint32 (command + 7) };
        answer[1] = ansOk;
    }

    uint8_t pollAnswer()
    {
        if (busyLeft > 0)
        {
            --busyLeft;
            return ansBusy;
        }

        committed.push_back (pendingBlock);
        return ansBlockDone;
    }

    const vqdsim::Scenario& scenario;
    int seen[256] = {};
    int received = 0;
    Block pendingBlock {};
    int busyLeft = 0;
};
} // namespace

int Outcome::count (uint8_t code) const
{
    return (int) std::count_if (commands.begin(), commands.end(), [code] (const Command& command) { return command.code == code; });
}

Outcome play (const vqdsim::Scenario& scenario, const std::vector<uint8_t>& file, uint32_t fileDate)
{
    ProtocolModel model (file, fileDate);
    StandInController controller (scenario);
    Outcome outcome;
    uint8_t command[reportSize], answer[reportSize];
    int blocksStarted = 0;

    while (! model.isFinished())
    {
        // The user confirms as soon as the ready screen shows.
        if (model.isReady())
            model.confirm();

        model.nextCommand (command);
        const uint8_t code = command[1];
        blocksStarted += code == cmdBlockStart ? 1 : 0;
        outcome.commands.push_back ({ code, command[0], model.currentState(), blocksStarted - 1 });

        const Reaction reaction = controller.receive (command, answer);

        // Nothing reads an answer to the finish: the worker has ended.
        if (reaction == Reaction::answers && code != cmdFinish)
            model.answered (answer);
        else if (reaction == Reaction::unplugs)
            model.removed();
        else
            model.noAnswer();
    }

    outcome.state = model.currentState();
    outcome.committedBlocks = controller.committed;
    outcome.faultIndex = controller.firstFault;
    outcome.controllerGone = controller.gone;
    return outcome;
}
} // namespace ModelledUpdate
