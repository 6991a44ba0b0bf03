#pragma once

#include "tests/support/ProtocolModel.h"

#include <cstddef>
#include <cstdint>
#include <mutex>

// The controller's side of one fuzz input: answers each command the engine
// writes correctly, unless the input says otherwise, and checks every
// command against the protocol model before answering it.
//
// The input is a list of records, each:
//   byte 0   what to do (modulo 8, below)
//   byte 1   which command it is done to: modulo 10, a command code 0..8,
//            or 6 or 9 for any command (the finish command is never
//            answered nor counted)
//   byte 2   the how-manieth such command it is, counted from the command
//            after the previous record's: 1 for the status and info queries
//            and cmdPrepare; for cmdBlockStart, cmdBlockSum, cmdCommitPoll and
//            cmdLastLength 1..3 (modulo 3, plus 1) or, from 0xF0, 1..16
//            (modulo 16, plus 1); 1..256 for cmdData or any command
//   then     the action's own bytes
// Every command before it is answered correctly. The actions:
//   0 overlay   n = next byte modulo 12, then n bytes written over the start
//               of the correct answer (echo, code, sub-code, date, version)
//   1 code      next byte is the answer code; the rest as a correct answer
//   2 echo      next byte is the echo (byte 0); the rest as a correct answer
//   3 refuse    next byte is the sub-code of a 0x81 answer
//   4 short     next byte modulo 64 is the length HID_Input reports (0: the
//               engine gets nothing), the byte after it the answer code
//   5 silent    no answer at all
//   6 remove    the controller is unplugged as the command arrives; when
//               bit 0 of the next byte is set it is plugged in again at
//               once (an arrival notice follows the removal notice)
//   7 correct   the correct answer (a record that only moves on)
// Naming the command rather than counting all of them lets a short input
// reach every step: the 3rd cmdBlockSum is two bytes away, not 6,000
// commands. A record gives up waiting for a command that has gone by or
// comes too seldom (waitLimit). Once the input is used up, or a record gave
// up, or the run is long enough (commandBudget), a command during the update
// unplugs the controller and any other is refused with sub-code 5, so that
// the run ends soon.
//
// A correct answer: echo of byte 0; code 0x80 (status: the SH7269 variant;
// info: 0x82 with the file's own date and version 1.00, so that only image 1
// and the start of image 2 are written; commit poll: 0x85).
class AnswerScript
{
public:
    // What the scripted library does with a command.
    struct Reply
    {
        enum class Kind
        {
            answer,
            none,
            unplug
        } kind = Kind::none;
        uint8_t report[64] = {};
        int length = 64;     // what HID_Input reports for it
        bool replug = false; // unplug: plugged in again at once
    };

    AnswerScript (const uint8_t* input, size_t size, ProtocolModel& expected, const uint8_t fileDate[4]);

    // A command written by the engine (its worker thread). Traps when the
    // command is not the one expected, or when anything is written after
    // the controller was unplugged.
    Reply onCommand (const uint8_t* command, int length);

    // The engine reached the ready screen; the user confirms (message thread).
    void confirm();

    // Whether the last command the engine waited on was given an answer it
    // could read (not silent, not an empty report, not unplugged).
    bool lastCommandAnswered() const;

    int commandsSeen() const;

    // Whether the controller is plugged in when the run ends.
    bool controllerPresentAtEnd() const;

    // Long runs end here: a whole update takes 21,265 commands when the
    // controller holds the file's date and 31,794 when it does not.
    static constexpr int commandBudget = 32000;

    // A block of 0x20000 bytes takes 2,119 commands and its commit polls.
    static constexpr int commandsPerBlock = 2200;

private:
    struct Record
    {
        int action = -1;   // -1: the input is used up
        int command = -1;  // the command code it waits for, -1 any
        int remaining = 0; // such commands still to come, this one included
        int waitLimit = 0; // commands it may still wait
        uint8_t bytes[12] = {};
        int byteCount = 0;
    };

    void loadNextRecord();
    uint8_t takeByte (bool& available);
    void correctAnswer (const uint8_t* command, uint8_t* report) const;
    Reply endingReply (const uint8_t* command) const;
    Reply replyFor (const uint8_t* command, const Record& record) const;

    mutable std::mutex lock;
    const uint8_t* const input;
    const size_t inputSize;
    size_t position = 0;
    Record record;

    ProtocolModel& expected;
    uint8_t fileDate[4];

    // The engine keeps the bytes past a short answer from the answer before;
    // this is the whole answer as it will read it.
    uint8_t lastAnswer[64] = {};
    int commands = 0;
    bool lastAnswered = false;
    bool unplugged = false;
    bool replugged = false;
};
