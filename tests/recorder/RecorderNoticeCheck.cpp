// Whether the recording library hands every notice of a whole update on to
// the program's window, in order, with the same message, wParam and lParam,
// the way it came, and records exactly those: a Windows program with a
// window of its own loads the recorder as vqdtrm4hid.dll from its folder
// (the simulated controller beside it as vqdtrm4hid_maker.dll) and plays what
// the update program does: the status and info requests, every block of the
// three images (block start, data, last length, block sum, commit), the
// finish, each command written and its answer read with HID_Input when its
// input notice comes. Then the controller is pulled out and plugged in again
// (the scenario's fault=status:2:remove;arrive_ms=...). Before the update
// two other messages of the private range are posted to the recorder's
// window: it must hand on only the three messages given HID_SetCallback.
//
//   recorder_notice_check posted|sent
//
// The list of notices the window got is compared with the recording's
// "notice" lines, which must all say the expected way. Exit status 0 when
// everything matches.
#ifndef NOMINMAX
 #define NOMINMAX
#endif
#include <windows.h>

#include "device/VqdTrm4Hid.h"

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace
{
const UINT removalMessage = 0x401;
const UINT arrivalMessage = 0x402;
const UINT inputMessage = 0x403;
const int controller = 3;

struct Notice
{
    UINT message;
    unsigned long long wParam;
    long long lParam;
    std::string way;

    bool operator== (const Notice& other) const
    {
        return message == other.message && wParam == other.wParam && lParam == other.lParam && way == other.way;
    }
};

struct Library
{
    void (VQDTRM4HID_CALL* initialize) (HidInstanceHandle);
    void (VQDTRM4HID_CALL* setCallback) (HidWindowHandle, unsigned int, unsigned int, unsigned int);
    void (VQDTRM4HID_CALL* start)();
    void (VQDTRM4HID_CALL* stop)();
    void (VQDTRM4HID_CALL* finalize)();
    int (VQDTRM4HID_CALL* enumHidNo) (int*);
    int (VQDTRM4HID_CALL* getDeviceType) (int);
    int (VQDTRM4HID_CALL* write) (int, const unsigned char*, int);
    void (VQDTRM4HID_CALL* input) (int, unsigned char*, int*);
};

Library hid {};
std::vector<Notice> received;
std::vector<uint8_t> answer;
bool answered = false;
bool removed = false;
bool arrived = false;
int strays = 0; // other private messages that reached the window

template <typename Function>
bool find (HMODULE module, const char* name, Function& function)
{
    function = reinterpret_cast<Function> (reinterpret_cast<void*> (GetProcAddress (module, name)));
    if (function == nullptr)
        std::fprintf (stderr, "vqdtrm4hid.dll does not export %s\n", name);
    return function != nullptr;
}

std::string ownFolder()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA (nullptr, path, MAX_PATH);
    std::string folder (path);
    return folder.substr (0, folder.find_last_of ("\\/"));
}

// As the program's notification window: each input notice has its report
// read at once, on the window's thread.
LRESULT CALLBACK procedure (HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message >= removalMessage && message <= inputMessage)
    {
        const bool sent = InSendMessageEx (nullptr) != ISMEX_NOSEND;
        received.push_back ({ message, (unsigned long long) wParam, (long long) lParam, sent ? "sent" : "posted" });
        if (message == inputMessage)
        {
            unsigned char buffer[HID_REPORT_SIZE] = {};
            int length = HID_REPORT_SIZE;
            hid.input (controller, buffer, &length);
            answer.assign (buffer, buffer + (length > 0 ? length : 0));
            answered = true;
        }
        removed = removed || message == removalMessage;
        arrived = arrived || message == arrivalMessage;
        return 0;
    }
    if (message >= WM_USER && message < 0xC000)
        ++strays;
    return DefWindowProcW (window, message, wParam, lParam);
}

// Handles messages until `done` holds; false after ten seconds without.
bool pumpUntil (const bool& done)
{
    const ULONGLONG end = GetTickCount64() + 10000;
    while (! done)
    {
        const ULONGLONG now = GetTickCount64();
        if (now >= end)
            return false;
        MsgWaitForMultipleObjects (0, nullptr, FALSE, (DWORD) (end - now), QS_ALLINPUT);
        MSG message;
        while (PeekMessageW (&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW (&message);
    }
    return true;
}

void putLe32 (uint8_t* at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        at[i] = (uint8_t) (value >> (8 * i));
}

int commands = 0;

// Writes one command and waits for its answer, which must echo its target
// and carry `expected` as its code.
bool command (const std::vector<uint8_t>& bytes, uint8_t expected)
{
    uint8_t report[HID_REPORT_SIZE] = {};
    std::copy (bytes.begin(), bytes.end(), report);
    answered = false;
    ++commands;
    if (hid.write (controller, report, HID_REPORT_SIZE) != 1)
    {
        std::fprintf (stderr, "command %d (%02X %02X) was not written\n", commands, report[0], report[1]);
        return false;
    }
    if (! pumpUntil (answered))
    {
        std::fprintf (stderr, "no answer to command %d (%02X %02X)\n", commands, report[0], report[1]);
        return false;
    }
    if (answer.size() < 2 || answer[0] != report[0] || answer[1] != expected)
    {
        std::fprintf (stderr, "command %d (%02X %02X) was answered %02X %02X\n", commands, report[0], report[1],
                      answer.size() > 0 ? answer[0] : 0, answer.size() > 1 ? answer[1] : 0);
        return false;
    }
    return true;
}

// Every block of an image of `size` bytes at `address`, as the update
// program sends them, with made-up content.
bool writeImage (uint8_t target, uint32_t address, uint32_t size)
{
    for (uint32_t offset = 0; offset < size; offset += 0x20000)
    {
        const uint32_t length = std::min<uint32_t> (0x20000, size - offset);
        std::vector<uint8_t> start { target, 0x02, 0, 0, 0, 0, 0, 0, 0, 0, 0 };
        putLe32 (&start[2], address + offset);
        putLe32 (&start[7], length);
        if (! command (start, 0x80))
            return false;

        uint32_t sum = 0;
        for (uint32_t sent = 0; sent < length;)
        {
            const uint32_t part = std::min<uint32_t> (62, length - sent);
            if (part < 62 && ! command ({ target, 0x07, (uint8_t) part }, 0x80))
                return false;
            std::vector<uint8_t> data { target, 0x03 };
            for (uint32_t i = 0; i < part; ++i)
            {
                const auto byte = (uint8_t) ((offset + sent + i) * 7 + target);
                data.push_back (byte);
                sum += byte;
            }
            if (! command (data, 0x80))
                return false;
            sent += part;
        }

        std::vector<uint8_t> blockSum { target, 0x04, 0, 0, 0, 0 };
        putLe32 (&blockSum[2], sum);
        if (! command (blockSum, 0x80) || ! command ({ target, 0x05 }, 0x85))
            return false;
    }
    return true;
}

// The "notice" lines of the recording in `folder`, as notices.
bool readRecording (const std::string& folder, std::vector<Notice>& notices)
{
    WIN32_FIND_DATAA found {};
    HANDLE search = FindFirstFileA ((folder + "\\vqdtrm4-recording-*.txt").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
    {
        std::fprintf (stderr, "no recording in %s\n", folder.c_str());
        return false;
    }
    const std::string name = found.cFileName;
    const bool more = FindNextFileA (search, &found) != 0;
    FindClose (search);
    if (more)
    {
        std::fprintf (stderr, "more than one recording in %s\n", folder.c_str());
        return false;
    }

    std::ifstream file (folder + "\\" + name);
    std::string line;
    bool events = false;
    while (std::getline (file, line))
    {
        if (! events)
        {
            events = line == "---";
            continue;
        }
        std::istringstream fields (line);
        std::string time, thread, event, message;
        Notice notice {};
        if (fields >> time >> thread >> event && event == "notice")
        {
            fields >> message >> notice.wParam >> notice.lParam >> notice.way;
            notice.message = (UINT) std::stoul (message, nullptr, 16);
            notices.push_back (notice);
        }
    }
    return true;
}
} // namespace

int main (int argc, char** argv)
{
    const std::string way = argc > 1 ? argv[1] : "";
    if (way != "posted" && way != "sent")
    {
        std::fprintf (stderr, "usage: recorder_notice_check posted|sent\n");
        return 2;
    }

    const std::string folder = ownFolder();
    HMODULE module = LoadLibraryA ((folder + "\\vqdtrm4hid.dll").c_str());
    if (module == nullptr)
    {
        std::fprintf (stderr, "cannot load %s\\vqdtrm4hid.dll\n", folder.c_str());
        return 1;
    }
    if (! (find (module, "HID_Initialize", hid.initialize) && find (module, "HID_SetCallback", hid.setCallback)
           && find (module, "HID_Start", hid.start) && find (module, "HID_Stop", hid.stop)
           && find (module, "HID_Finalize", hid.finalize) && find (module, "HID_EnumHIDno", hid.enumHidNo)
           && find (module, "HID_GetDeviceType", hid.getDeviceType) && find (module, "HID_Write", hid.write)
           && find (module, "HID_Input", hid.input)))
        return 1;

    WNDCLASSW windowClass {};
    windowClass.lpfnWndProc = &procedure;
    windowClass.hInstance = GetModuleHandleW (nullptr);
    windowClass.lpszClassName = L"HID_WINDOW_CALLBACK";
    RegisterClassW (&windowClass);
    // Message-only, as the program's.
    HWND window = CreateWindowExW (0, windowClass.lpszClassName, windowClass.lpszClassName, WS_OVERLAPPED | WS_DISABLED,
                                   0, 0, 0, 0, HWND_MESSAGE, nullptr, windowClass.hInstance, nullptr);
    if (window == nullptr)
    {
        std::fprintf (stderr, "no window\n");
        return 1;
    }

    hid.initialize (reinterpret_cast<HidInstanceHandle> (GetModuleHandleW (nullptr)));
    hid.setCallback (reinterpret_cast<HidWindowHandle> (window), inputMessage, arrivalMessage, removalMessage);
    hid.start();
    HWND relay = FindWindowExW (HWND_MESSAGE, nullptr, L"VQDTRM4_RECORDER_NOTICES", nullptr);
    if (relay == nullptr)
        relay = FindWindowW (L"VQDTRM4_RECORDER_NOTICES", nullptr);
    if (relay != nullptr)
    {
        PostMessageW (relay, 0x404, controller, 0);
        PostMessageW (relay, WM_APP + 1, controller, 0);
    }
    else
        std::fprintf (stderr, "the recorder's notice window is not found\n");

    int numbers[HID_MAX_DEVICES] = {};
    bool ok = hid.enumHidNo (numbers) == 1 && numbers[0] == controller
              && hid.getDeviceType (controller) == HID_DEVICE_TYPE_VQDTRM4;
    if (! ok)
        std::fprintf (stderr, "the controller is not listed\n");

    ok = ok && command ({ 0xF0, 0x00 }, 0x80) && command ({ 0xF0, 0x01 }, 0x82) && writeImage (0xF1, 0x000000, 0x090000)
         && writeImage (0xF2, 0x090000, 0x140000) && writeImage (0xF7, 0x1D0000, 0x010000);
    const int answeredCommands = commands;

    // The finish has no answer. The next status request meets the
    // controller pulled out; it comes back by itself.
    uint8_t finish[HID_REPORT_SIZE] = { 0xF0, 0x06 };
    uint8_t status[HID_REPORT_SIZE] = { 0xF0, 0x00 };
    if (ok)
    {
        hid.write (controller, finish, HID_REPORT_SIZE);
        hid.write (controller, status, HID_REPORT_SIZE);
        ok = pumpUntil (removed) && pumpUntil (arrived);
        if (! ok)
            std::fprintf (stderr, "no removal and arrival after the update (removed %d, arrived %d)\n", removed,
                          arrived);
    }

    hid.stop();
    hid.setCallback (nullptr, 0, 0, 0);
    hid.finalize();
    // Whatever was still on its way has come by now.
    MSG message;
    while (PeekMessageW (&message, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW (&message);
    DestroyWindow (window);

    std::vector<Notice> recorded;
    ok = readRecording (folder, recorded) && ok && relay != nullptr;
    if (strays != 0)
    {
        std::fprintf (stderr, "%d messages the program did not ask for were handed on\n", strays);
        ok = false;
    }

    int inputs = 0;
    for (const Notice& notice : received)
    {
        inputs += notice.message == inputMessage ? 1 : 0;
        if (notice.way != way)
        {
            std::fprintf (stderr, "a notice 0x%x came %s, not %s\n", notice.message, notice.way.c_str(), way.c_str());
            ok = false;
            break;
        }
    }
    if (inputs != answeredCommands)
    {
        std::fprintf (stderr, "%d input notices for %d commands answered\n", inputs, answeredCommands);
        ok = false;
    }
    if (received.size() < 2 || received[received.size() - 2].message != removalMessage
        || received.back().message != arrivalMessage)
    {
        std::fprintf (stderr, "the notices do not end with the removal and the arrival\n");
        ok = false;
    }
    if (recorded != received)
    {
        size_t first = 0;
        while (first < recorded.size() && first < received.size() && recorded[first] == received[first])
            ++first;
        std::fprintf (stderr, "the window got %zu notices, the recording holds %zu; they differ from the %zuth on\n",
                      received.size(), recorded.size(), first + 1);
        ok = false;
    }

    std::printf ("%s: %d commands answered, %zu notices received, %zu recorded: %s\n", way.c_str(), answeredCommands,
                 received.size(), recorded.size(), ok ? "the same, in the same order" : "FAILED");
    return ok ? 0 : 1;
}
