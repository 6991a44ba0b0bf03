#include "recorder/NoticeRelay.h"

#include "recording/RecordingWriter.h"

#ifndef NOMINMAX
 #define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <mutex>
#include <string>

namespace
{
const wchar_t* const className = L"VQDTRM4_RECORDER_NOTICES";

// How long the program's thread waits for the window's thread at detach()
// and close(). That thread may be inside a SendMessage to the very thread
// that waits here, which cannot answer while it waits: the wait must end.
const DWORD waitMs = 2000;

// The messages a library may use to speak to its client: WM_USER up to the
// registered ones. Everything else is the window's own business. Of these,
// only the three the program asked for are handed on.
bool isNotice (UINT message)
{
    return message >= WM_USER && message < 0xC000;
}
} // namespace

// One window and its thread, from attach() to close(). When its thread does
// not end in time it keeps this (and the window) to the end of the process.
struct Loop
{
    explicit Loop (RecordingWriter& w) : writer (w) {}

    RecordingWriter& writer;
    HINSTANCE module = nullptr;
    UINT detachMessage = 0;
    HANDLE ready = nullptr;
    HANDLE detached = nullptr;
    HWND window = nullptr;

    std::mutex lock;
    HWND target = nullptr;
    UINT messages[3] = {}; // what the program gave HID_SetCallback

    static DWORD WINAPI run (void* parameter)
    {
        auto* loop = static_cast<Loop*> (parameter);
        // Message-only: what other programs broadcast never reaches it.
        loop->window = CreateWindowExW (0, className, className, WS_OVERLAPPED | WS_DISABLED, 0, 0, 0, 0,
                                        HWND_MESSAGE, nullptr, loop->module, nullptr);
        if (loop->window != nullptr)
            SetWindowLongPtrW (loop->window, GWLP_USERDATA, reinterpret_cast<LONG_PTR> (loop));
        SetEvent (loop->ready);
        if (loop->window == nullptr)
            return 1;

        MSG message;
        while (GetMessageW (&message, nullptr, 0, 0) > 0)
            DispatchMessageW (&message);
        return 0;
    }

    static LRESULT CALLBACK procedure (HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        auto* loop = reinterpret_cast<Loop*> (GetWindowLongPtrW (window, GWLP_USERDATA));
        if (loop != nullptr)
        {
            if (message == loop->detachMessage)
            {
                // Posted by detach(): every notice posted before it has been
                // handed on by now.
                {
                    std::lock_guard<std::mutex> guard (loop->lock);
                    loop->target = nullptr;
                }
                SetEvent (loop->detached);
                return 0;
            }
            if (isNotice (message))
                return loop->relay (message, wParam, lParam);
            if (message == WM_CLOSE)
            {
                DestroyWindow (window);
                return 0;
            }
            if (message == WM_DESTROY)
            {
                SetWindowLongPtrW (window, GWLP_USERDATA, 0);
                PostQuitMessage (0);
                return 0;
            }
        }
        return DefWindowProcW (window, message, wParam, lParam);
    }

    // Records the notice, then hands it on the way it came: a sent one with
    // SendMessage, so that the library's thread waits for the program's
    // window as it would without the recorder, and gets its answer; one sent
    // without waiting (SendNotifyMessage) the same way, so that this thread
    // does not wait either.
    LRESULT relay (UINT message, WPARAM wParam, LPARAM lParam)
    {
        const DWORD how = InSendMessageEx (nullptr);
        const bool sent = how != ISMEX_NOSEND;
        char number[16];
        std::snprintf (number, sizeof (number), "0x%x", message);

        HWND to = nullptr;
        bool asked = false;
        {
            std::lock_guard<std::mutex> guard (lock);
            to = target;
            asked = std::find (std::begin (messages), std::end (messages), message) != std::end (messages);
        }
        if (! asked)
        {
            writer.comment (std::string ("the maker's library delivered message ") + number
                            + ", which the program did not ask for; not handed on");
            return 0;
        }
        writer.event (std::string ("notice ") + number + " " + std::to_string ((unsigned long long) wParam) + " "
                      + std::to_string ((long long) lParam) + (sent ? " sent" : " posted"));

        if (to == nullptr)
            return 0;
        if ((how & ISMEX_NOTIFY) != 0)
        {
            SendNotifyMessageW (to, message, wParam, lParam);
            return 0;
        }
        if (sent)
            return SendMessageW (to, message, wParam, lParam);
        PostMessageW (to, message, wParam, lParam);
        return 0;
    }
};

struct NoticeRelay::Native
{
    explicit Native (RecordingWriter& w) : writer (w) {}

    RecordingWriter& writer;
    std::mutex lifeLock;
    Loop* loop = nullptr;
    HANDLE thread = nullptr;

    // Starts the window's thread; false when there is no window.
    bool open()
    {
        HMODULE module = nullptr;
        GetModuleHandleExW (GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCWSTR> (&Loop::procedure), &module);

        WNDCLASSW windowClass {};
        windowClass.lpfnWndProc = &Loop::procedure;
        windowClass.hInstance = module;
        windowClass.lpszClassName = className;
        // Registered once per process; a later session finds it there.
        RegisterClassW (&windowClass);

        auto* made = new Loop (writer);
        made->module = module;
        made->detachMessage = RegisterWindowMessageW (L"VQDTRM4_RECORDER_DETACH");
        made->ready = CreateEventW (nullptr, TRUE, FALSE, nullptr);
        made->detached = CreateEventW (nullptr, FALSE, FALSE, nullptr);
        HANDLE started = made->ready != nullptr && made->detached != nullptr
                             ? CreateThread (nullptr, 0, &Loop::run, made, 0, nullptr)
                             : nullptr;
        if (started != nullptr && WaitForSingleObject (made->ready, INFINITE) == WAIT_OBJECT_0
            && made->window != nullptr)
        {
            loop = made;
            thread = started;
            return true;
        }

        if (started != nullptr)
        {
            WaitForSingleObject (started, INFINITE);
            CloseHandle (started);
        }
        free (made);
        return false;
    }

    static void free (Loop* loop)
    {
        if (loop->ready != nullptr)
            CloseHandle (loop->ready);
        if (loop->detached != nullptr)
            CloseHandle (loop->detached);
        delete loop;
    }
};

NoticeRelay::NoticeRelay (RecordingWriter& writer) : native (std::make_unique<Native> (writer))
{
}

NoticeRelay::~NoticeRelay()
{
    close();
}

HidWindowHandle NoticeRelay::attach (HidWindowHandle programWindow, unsigned int inputMessage,
                                     unsigned int arrivalMessage, unsigned int removalMessage)
{
    std::lock_guard<std::mutex> life (native->lifeLock);
    if (native->loop == nullptr && ! native->open())
        return nullptr;
    std::lock_guard<std::mutex> guard (native->loop->lock);
    native->loop->target = reinterpret_cast<HWND> (programWindow);
    native->loop->messages[0] = inputMessage;
    native->loop->messages[1] = arrivalMessage;
    native->loop->messages[2] = removalMessage;
    return reinterpret_cast<HidWindowHandle> (native->loop->window);
}

void NoticeRelay::detach()
{
    std::lock_guard<std::mutex> life (native->lifeLock);
    Loop* loop = native->loop;
    if (loop == nullptr)
        return;
    // Behind every notice already posted to the window, so that those are
    // handed on as they would have reached the program's window before it
    // said goodbye.
    if (! PostMessageW (loop->window, loop->detachMessage, 0, 0)
        || WaitForSingleObject (loop->detached, waitMs) != WAIT_OBJECT_0)
        loop->writer.comment ("the notice window did not take the program's goodbye in time");
    std::lock_guard<std::mutex> guard (loop->lock);
    loop->target = nullptr;
}

void NoticeRelay::close()
{
    std::lock_guard<std::mutex> life (native->lifeLock);
    Loop* loop = native->loop;
    if (loop == nullptr)
        return;
    {
        std::lock_guard<std::mutex> guard (loop->lock);
        loop->target = nullptr;
    }
    PostMessageW (loop->window, WM_CLOSE, 0, 0);
    if (WaitForSingleObject (native->thread, waitMs) == WAIT_OBJECT_0)
        Native::free (loop);
    else
        loop->writer.comment ("the notice window's thread did not end in time; it is left to end with the process");
    CloseHandle (native->thread);
    native->thread = nullptr;
    native->loop = nullptr;
}
