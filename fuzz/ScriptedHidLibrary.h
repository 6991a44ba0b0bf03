#pragma once

class AnswerScript;

// A HID library for the answers fuzzer, linked into it in place of the
// simulated controller: the ten HID_ functions of device/VqdTrm4Hid.h with
// one controller (HID number 3, type 0x38) whose answers an AnswerScript
// decides. It has no thread of its own: each answer is queued and its input
// notice posted through the HidWindow from inside HID_Write, as the library
// ABI allows, and HID_Input hands the oldest queued answer over.
namespace ScriptedHidLibrary
{
constexpr int controllerHidNo = 3;

// Plugs the controller in afresh, forgets queued answers and answers from
// `script` from now on (null: no more answers). Only while no session is open.
void use (AnswerScript* script);
} // namespace ScriptedHidLibrary
