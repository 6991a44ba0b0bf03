#include "ScriptedHidLibrary.h"

#include "AnswerScript.h"
#include "device/VqdTrm4Hid.h"

#include <cstring>
#include <deque>
#include <mutex>

namespace
{
struct Queued
{
    unsigned char report[HID_REPORT_SIZE];
    int length;
};

std::mutex lock;
AnswerScript* script = nullptr;
HidWindow* window = nullptr;
unsigned int inputMessage = 0, arrivalMessage = 0, removalMessage = 0;
bool present = true;
std::deque<Queued> queue;

void postToWindow (HidWindow* target, unsigned int message)
{
    if (target != nullptr && target->post != nullptr)
        target->post (target, message, (uintptr_t) ScriptedHidLibrary::controllerHidNo, 0);
}
} // namespace

namespace ScriptedHidLibrary
{
void use (AnswerScript* newScript)
{
    const std::lock_guard<std::mutex> guard (lock);
    script = newScript;
    present = true;
    queue.clear();
}
} // namespace ScriptedHidLibrary

extern "C" {

void HID_Initialize (HidInstanceHandle) {}
void HID_Start (void) {}
void HID_Stop (void) {}
void HID_Finalize (void) {}

void HID_SetCallback (HidWindowHandle newWindow, unsigned int input, unsigned int arrival, unsigned int removal)
{
    const std::lock_guard<std::mutex> guard (lock);
    window = newWindow;
    inputMessage = input;
    arrivalMessage = arrival;
    removalMessage = removal;
}

int HID_EnumHIDno (int* hidNumbers)
{
    const std::lock_guard<std::mutex> guard (lock);

    if (! present)
        return 0;

    hidNumbers[0] = ScriptedHidLibrary::controllerHidNo;
    return 1;
}

int HID_GetDeviceType (int hidNo)
{
    return hidNo == ScriptedHidLibrary::controllerHidNo ? HID_DEVICE_TYPE_VQDTRM4 : 0;
}

int HID_GetFirmwareVersion (int deviceType, int* values, int count)
{
    if (deviceType != HID_DEVICE_TYPE_VQDTRM4 || values == nullptr || count < 1)
        return 0;

    values[0] = 0x0100;
    return 1;
}

int HID_Write (int hidNo, const unsigned char* report, int length)
{
    AnswerScript* current = nullptr;

    {
        const std::lock_guard<std::mutex> guard (lock);

        if (! present || hidNo != ScriptedHidLibrary::controllerHidNo || script == nullptr)
            return 0;

        current = script;
    }

    // The script checks the command and may trap; it has a lock of its own.
    const AnswerScript::Reply reply = current->onCommand (report, length);

    const std::lock_guard<std::mutex> guard (lock);

    switch (reply.kind)
    {
        case AnswerScript::Reply::Kind::answer:
        {
            Queued queued;
            std::memcpy (queued.report, reply.report, sizeof (queued.report));
            queued.length = reply.length;
            queue.push_back (queued);
            postToWindow (window, inputMessage);
            break;
        }

        case AnswerScript::Reply::Kind::unplug:
            present = false;
            queue.clear();
            postToWindow (window, removalMessage);

            if (reply.replug)
            {
                present = true;
                postToWindow (window, arrivalMessage);
            }
            break;

        case AnswerScript::Reply::Kind::none:
            break;
    }

    return 1;
}

void HID_Input (int hidNo, unsigned char* buffer, int* length)
{
    const std::lock_guard<std::mutex> guard (lock);

    if (queue.empty() || hidNo != ScriptedHidLibrary::controllerHidNo || buffer == nullptr || length == nullptr)
    {
        if (length != nullptr)
            *length = 0;
        return;
    }

    const Queued queued = queue.front();
    queue.pop_front();

    const int count = queued.length < *length ? queued.length : *length;
    std::memcpy (buffer, queued.report, (size_t) count);
    *length = count;
}

} // extern "C"
