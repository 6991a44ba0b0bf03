#include "FaultOracle.h"

#include "update/CommandProtocol.h"
#include "update/UpdateState.h"

using namespace Protocol;
using Action = vqdsim::Fault::Action;

namespace FaultOracle
{
namespace
{
// How the update goes on after the faulted command.
enum class Course
{
    carriesOn,    // as if nothing had happened
    pollsAgain,   // one more commit poll than usual, then carries on
    endsHere,     // nothing more is sent after the faulted command
    endsAfterBlock // the rest of the block's data is still sent, then it ends
};

struct Verdict
{
    Course course;
    int state; // the final state when the update does not carry on
};

int statusRefusal (int subCode)
{
    switch (subCode)
    {
        case 1: return errDeviceCode1;
        case 2: return errDeviceCode2;
        case 3: return errDeviceCode3;
        case 4: return errDeviceCode4;
        default: return errProtocol;
    }
}

int pollRefusal (int subCode)
{
    switch (subCode)
    {
        case 3: return errDeviceCode3;
        case 4: return errDeviceCode4;
        default: return errProtocol;
    }
}

Verdict judge (const CommandSequence::Command& command, const vqdsim::Fault& fault)
{
    const Verdict carriesOn { Course::carriesOn, stateComplete };

    // The finish command is never answered, and the update is over by the
    // time it is sent: nothing that happens to it changes anything.
    if (command.code == cmdFinish)
        return carriesOn;

    const bool dataPiece = command.code == cmdData || command.code == cmdLastLength;

    switch (fault.action)
    {
        case Action::silent:
            return { Course::endsHere, errTimeout };

        case Action::remove:
            // Before the update is confirmed the removal is not the update's
            // business: the query just never gets its answer.
            return { Course::endsHere, command.state == stateIdle ? errTimeout : errDisconnected };

        case Action::refuse:
            if (dataPiece)
                return { Course::endsAfterBlock, errProtocol };
            if (command.code == cmdQueryStatus)
                return { Course::endsHere, statusRefusal (fault.value) };
            if (command.code == cmdBlockSum)
                return { Course::endsHere, fault.value == 2 ? errDeviceCode2 : errProtocol };
            if (command.code == cmdCommitPoll)
                return { Course::endsHere, pollRefusal (fault.value) };
            return { Course::endsHere, errProtocol };

        case Action::answerCode:
            if (command.code == cmdCommitPoll && (fault.value == ansBusy || fault.value == ansBusy2))
                return { Course::pollsAgain, stateComplete };
            if (dataPiece)
                return { Course::endsAfterBlock, errProtocol };
            return { Course::endsHere, errProtocol };

        case Action::wrongEcho:
            // The echo error is recorded, and replaced when the same step
            // goes on to record its next state. A data piece records none; a
            // busy commit poll neither.
            if (dataPiece)
                return { Course::endsAfterBlock, errProtocol };
            if (command.code == cmdCommitPoll && ! command.commitsNow)
                return { Course::endsHere, errProtocol };
            return carriesOn;
    }

    return carriesOn;
}

int findFault (const CommandSequence::Update& update, const vqdsim::Fault& fault)
{
    int seen = 0;

    for (int i = 0; i < (int) update.commands.size(); ++i)
        if (update.commands[(size_t) i].code == fault.command && ++seen == fault.occurrence)
            return i;

    return -1;
}

int lastCommandOfBlockData (const CommandSequence::Update& update, int index)
{
    const int block = update.commands[(size_t) index].block;

    while (index + 1 < (int) update.commands.size()
           && update.commands[(size_t) index + 1].block == block
           && update.commands[(size_t) index + 1].state == stateBlockData)
        ++index;

    return index;
}
} // namespace

bool isSuccessCode (uint8_t command, int code)
{
    switch (command)
    {
        case cmdQueryStatus: return code == ansOk || code == ansOkB;
        case cmdQueryInfo:   return code == ansInfo;
        case cmdCommitPoll:  return code == ansBlockDone;
        case cmdFinish:      return false;
        default:             return code == ansOk;
    }
}

Outcome expect (const CommandSequence::Update& update, const vqdsim::Fault& fault)
{
    Outcome outcome;
    const int total = (int) update.commands.size();
    outcome.faultIndex = findFault (update, fault);

    Verdict verdict { Course::carriesOn, stateComplete };

    if (outcome.faultIndex >= 0)
    {
        verdict = judge (update.commands[(size_t) outcome.faultIndex], fault);
        outcome.controllerGone = fault.action == Action::remove;
    }

    outcome.state = verdict.state;

    // The controller receives the commands up to the last one sent.
    int sent = total;

    switch (verdict.course)
    {
        case Course::carriesOn:      break;
        case Course::pollsAgain:     break;
        case Course::endsHere:       sent = outcome.faultIndex + 1; break;
        case Course::endsAfterBlock: sent = lastCommandOfBlockData (update, outcome.faultIndex) + 1; break;
    }

    for (int i = 0; i < sent; ++i)
    {
        const auto& command = update.commands[(size_t) i];

        if (command.code == cmdBlockSum)
            ++outcome.blockSums;

        // The faulted poll itself commits only when the loader handled it,
        // which it did exactly when the update carries on.
        if (command.commitsNow && (i != outcome.faultIndex || verdict.course == Course::carriesOn
                                   || verdict.course == Course::pollsAgain))
            ++outcome.committedBlocks;
    }

    outcome.commandsReceived = sent + (verdict.course == Course::pollsAgain ? 1 : 0);
    outcome.finished = sent == total;
    return outcome;
}
} // namespace FaultOracle
