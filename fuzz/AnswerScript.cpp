#include "AnswerScript.h"

#include "update/CommandProtocol.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

using namespace Protocol;

namespace
{
[[noreturn]] void fail (const std::string& what)
{
    std::fprintf (stderr, "answer handling mismatch: %s\n", what.c_str());
    std::fflush (stderr);
    __builtin_trap();
}

bool isFinish (const uint8_t* command)
{
    return command[0] == controllerTarget && command[1] == cmdFinish;
}
} // namespace

AnswerScript::AnswerScript (const uint8_t* data, size_t size, ProtocolModel& worker, const uint8_t date[4])
    : input (data), inputSize (size), expected (worker)
{
    std::memcpy (fileDate, date, 4);
    loadNextRecord();
}

uint8_t AnswerScript::takeByte (bool& available)
{
    if (position >= inputSize)
    {
        available = false;
        return 0;
    }

    return input[position++];
}

void AnswerScript::loadNextRecord()
{
    record = Record();
    bool available = true;

    const int action = takeByte (available) % 8;
    const int command = takeByte (available) % 10;
    const int count = takeByte (available);

    if (! available)
        return;

    Record next;
    next.action = action;

    switch (command)
    {
        case 0:
        case 1:
        case 8:
            next.command = command;
            next.remaining = 1;
            break;
        case 2:
        case 4:
        case 5:
        case 7:
            // Mostly one of the first three, since every block costs 2,119
            // commands; 0xF0 and up reach the 16th, the last of a whole update.
            next.command = command;
            next.remaining = count >= 0xF0 ? count % 16 + 1 : count % 3 + 1;
            break;
        case 3:
            next.command = command;
            next.remaining = count + 1;
            break;
        default:
            next.command = -1;
            next.remaining = count + 1;
            break; // 6 and 9
    }

    // How long the record may wait for its command: a command that has gone
    // by already (a second status query) or comes too seldom (a 12th block
    // in an update of 11) must not keep the run going to its end.
    switch (next.command)
    {
        case 0:
        case 1:
        case 8: next.waitLimit = 3; break;
        case 2:
        case 4:
        case 5:
        case 7: next.waitLimit = next.remaining * commandsPerBlock; break;
        case 3: next.waitLimit = next.remaining + 64; break; // the block's other commands
        default: next.waitLimit = next.remaining; break;
    }

    switch (action)
    {
        case 0:
        {
            next.byteCount = takeByte (available) % 12;

            for (int i = 0; i < next.byteCount; ++i)
                next.bytes[i] = takeByte (available);
            break;
        }
        case 1:
        case 2:
        case 3:
        case 6:
            next.bytes[0] = takeByte (available);
            next.byteCount = 1;
            break;
        case 4:
            next.bytes[0] = takeByte (available);
            next.bytes[1] = takeByte (available);
            next.byteCount = 2;
            break;
        default:
            break;
    }

    if (available)
        record = next;
}

void AnswerScript::correctAnswer (const uint8_t* command, uint8_t* report) const
{
    std::memset (report, 0, Protocol::reportSize);
    report[0] = command[0];

    switch (command[1])
    {
        case cmdQueryInfo:
            report[1] = ansInfo;
            std::memcpy (report + 2, fileDate, 4);
            std::memcpy (report + 7, "1.00", 4);
            break;
        case cmdCommitPoll: report[1] = ansBlockDone; break;
        default: report[1] = ansOk; break;
    }
}

AnswerScript::Reply AnswerScript::endingReply (const uint8_t* command) const
{
    Reply reply;

    if (expected.inUpdatingStates())
    {
        reply.kind = Reply::Kind::unplug;
        return reply;
    }

    reply.kind = Reply::Kind::answer;
    reply.report[0] = command[0];
    reply.report[1] = ansError;
    reply.report[2] = subCodeProtocol;
    return reply;
}

AnswerScript::Reply AnswerScript::replyFor (const uint8_t* command, const Record& r) const
{
    Reply reply;
    reply.kind = Reply::Kind::answer;
    correctAnswer (command, reply.report);

    switch (r.action)
    {
        case 0: std::memcpy (reply.report, r.bytes, (size_t) r.byteCount); break;
        case 1: reply.report[1] = r.bytes[0]; break;
        case 2: reply.report[0] = r.bytes[0]; break;
        case 3:
            std::memset (reply.report + 1, 0, 63);
            reply.report[1] = ansError;
            reply.report[2] = r.bytes[0];
            break;
        case 4:
            reply.length = r.bytes[0] % 64;
            reply.report[1] = r.bytes[1];
            break;
        case 5: reply.kind = Reply::Kind::none; break;
        case 6:
            reply.kind = Reply::Kind::unplug;
            reply.replug = (r.bytes[0] & 1) != 0;
            break;
        default: break;
    }

    return reply;
}

AnswerScript::Reply AnswerScript::onCommand (const uint8_t* command, int length)
{
    const std::lock_guard<std::mutex> guard (lock);

    if (unplugged)
        fail ("a command was written after the controller was unplugged");

    if (length != Protocol::reportSize)
        fail ("a command report of " + std::to_string (length) + " bytes");

    ++commands;
    std::string why;

    if (! expected.expects (command, why))
        fail ("command " + std::to_string (commands) + " is not the one expected: " + why);

    // The finish command gets no answer and counts for nothing here.
    if (isFinish (command))
    {
        expected.noAnswer();
        return {};
    }

    Reply reply;

    if (commands > commandBudget || record.action < 0 || record.waitLimit-- <= 0)
    {
        record.action = -1;
        reply = endingReply (command);
    }
    else if ((record.command >= 0 && record.command != command[1]) || --record.remaining > 0)
    {
        reply.kind = Reply::Kind::answer;
        correctAnswer (command, reply.report);
    }
    else
    {
        reply = replyFor (command, record);
        loadNextRecord();
    }

    lastAnswered = reply.kind == Reply::Kind::answer && reply.length > 0;

    switch (reply.kind)
    {
        case Reply::Kind::answer:
            if (reply.length == 0)
            {
                expected.noAnswer();
            }
            else
            {
                std::memcpy (lastAnswer, reply.report, (size_t) reply.length);
                expected.answered (lastAnswer);
            }
            break;

        case Reply::Kind::none:
            expected.noAnswer();
            break;

        case Reply::Kind::unplug:
            // Plugged in again or not, the worker must write nothing more:
            // it waits in vain, or the removal has stopped it.
            unplugged = true;
            replugged = reply.replug;
            expected.removed();
            break;
    }

    return reply;
}

void AnswerScript::confirm()
{
    const std::lock_guard<std::mutex> guard (lock);

    if (! expected.isReady())
        fail ("the engine waits for the user's confirmation, " + expected.describe());

    expected.confirm();
}

bool AnswerScript::lastCommandAnswered() const
{
    const std::lock_guard<std::mutex> guard (lock);
    return lastAnswered;
}

int AnswerScript::commandsSeen() const
{
    const std::lock_guard<std::mutex> guard (lock);
    return commands;
}

bool AnswerScript::controllerPresentAtEnd() const
{
    const std::lock_guard<std::mutex> guard (lock);
    return ! unplugged || replugged;
}
