#include "device/NotificationWindow.h"

#include <juce_events/juce_events.h>

#ifndef NOMINMAX
 #define NOMINMAX
#endif
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <thread>

// A real hidden window, on a thread of its own whose only work is to take
// the library's notices and queue them onto JUCE's message loop, where the
// session handles them in the order they came.
//
// The window does not live on the message thread because a library may
// deliver its notices with SendMessage rather than PostMessage, and then its
// thread waits until the window's thread has taken the notice. On the
// message thread that wait would last as long as the message thread is
// elsewhere: in HID_Stop, say, which itself waits for the library's thread,
// and neither would ever go on. This thread never waits for anything but its
// next message, so a notice is taken at once, however it was delivered.
//
// It is a message-only window: what other programs broadcast to every
// top-level window never reaches it, only what is sent to its handle. And
// its own two messages carry nothing it would trust: a callback is found by
// its number in a list the window keeps, and the close is taken only once
// the destructor has asked for it, so that a stray message with either
// number is ignored.
namespace
{
const wchar_t* const className = L"HID_WINDOW_CALLBACK";

// Asks the window's thread to destroy the window and end.
constexpr UINT closeMessage = WM_APP + 0x3F;

// Carries the number of a pending callback (lParam) through the window's
// queue, behind the notices that came before it.
constexpr UINT callbackMessage = WM_APP + 0x3E;

// What a queued notice needs once it reaches the message thread; it outlives
// the window, so that a notice still queued when the window goes finds it
// dead and is dropped.
struct Target
{
    explicit Target (NotificationWindow::Procedure p) : procedure (p) {}
    const NotificationWindow::Procedure procedure;
    std::atomic<bool> alive { true };
};
} // namespace

struct NotificationWindow::Native
{
    HINSTANCE instance = nullptr;
    HWND window = nullptr;
    std::shared_ptr<Target> target;
    std::thread thread;
    std::atomic<bool> closing { false };

    std::mutex pendingLock;
    std::map<uint64_t, std::function<void()>> pending; // by number
    uint64_t lastNumber = 0;

    // Maps the three notices to the session, then passes every message,
    // these included, to the default procedure and returns its result.
    static LRESULT CALLBACK windowProcedure (HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        auto* self = reinterpret_cast<Native*> (GetWindowLongPtrW (window, GWLP_USERDATA));

        if (message >= removalMessage && message <= inputMessage && self != nullptr)
            self->queue (message, (uintptr_t) wParam, (intptr_t) lParam);

        if (message == callbackMessage && self != nullptr)
        {
            std::function<void()> callback;
            {
                const std::lock_guard<std::mutex> guard (self->pendingLock);
                const auto found = self->pending.find ((uint64_t) lParam);
                if (found == self->pending.end())
                    return 0;
                callback = std::move (found->second);
                self->pending.erase (found);
            }
            juce::MessageManager::callAsync (std::move (callback));
            return 0;
        }

        if (message == closeMessage && self != nullptr && self->closing)
        {
            SetWindowLongPtrW (window, GWLP_USERDATA, 0);
            DestroyWindow (window);
            PostQuitMessage (0);
            return 0;
        }

        return DefWindowProcW (window, message, wParam, lParam);
    }

    void queue (unsigned int message, uintptr_t wParam, intptr_t lParam)
    {
        auto queued = target;
        juce::MessageManager::callAsync ([queued, message, wParam, lParam] {
            if (queued->alive && queued->procedure != nullptr)
                queued->procedure (message, wParam, lParam);
        });
    }

    // The window's thread: makes the window, says so, and runs its messages
    // until the window is closed.
    void run (HANDLE made)
    {
        window = CreateWindowExW (0, className, className, WS_OVERLAPPED | WS_DISABLED, 0, 0, 0, 0, HWND_MESSAGE,
                                  nullptr, instance, nullptr);
        if (window != nullptr)
            SetWindowLongPtrW (window, GWLP_USERDATA, reinterpret_cast<LONG_PTR> (this));
        SetEvent (made);

        if (window == nullptr)
            return;

        MSG message;
        while (GetMessageW (&message, nullptr, 0, 0) > 0)
        {
            TranslateMessage (&message);
            DispatchMessageW (&message);
        }
    }
};

NotificationWindow::NotificationWindow (Procedure procedure, HidInstanceHandle instance)
    : native (std::make_unique<Native>())
{
    native->instance = reinterpret_cast<HINSTANCE> (instance);
    native->target = std::make_shared<Target> (procedure);

    WNDCLASSW windowClass {};
    windowClass.lpfnWndProc = &Native::windowProcedure;
    windowClass.hInstance = native->instance;
    windowClass.hCursor = LoadCursorW (nullptr, (LPCWSTR) IDC_ARROW);
    windowClass.hbrBackground = (HBRUSH) GetStockObject (BLACK_BRUSH);
    windowClass.lpszClassName = className;

    // A class still registered from an earlier session of this process is
    // reused; anything else that stops registration shows up as no window.
    RegisterClassW (&windowClass);

    HANDLE made = CreateEventW (nullptr, TRUE, FALSE, nullptr);
    if (made == nullptr)
        return;

    native->thread = std::thread ([this, made] { native->run (made); });
    WaitForSingleObject (made, INFINITE);
    CloseHandle (made);
}

NotificationWindow::~NotificationWindow()
{
    native->target->alive = false;
    native->closing = true;

    // The window's thread waits for nothing but its messages, so it takes
    // this one at once.
    if (native->window != nullptr)
        PostMessageW (native->window, closeMessage, 0, 0);
    if (native->thread.joinable())
        native->thread.join();

    UnregisterClassW (className, native->instance);
}

bool NotificationWindow::isValid() const noexcept
{
    return native->window != nullptr;
}

HidWindowHandle NotificationWindow::getHandle() const noexcept
{
    return native->window;
}

void NotificationWindow::callAfterQueuedNotices (std::function<void()> callback)
{
    if (native->window == nullptr)
        return;

    uint64_t number = 0;
    {
        const std::lock_guard<std::mutex> guard (native->pendingLock);
        number = ++native->lastNumber;
        native->pending.emplace (number, std::move (callback));
    }
    if (PostMessageW (native->window, callbackMessage, 0, (LPARAM) number) == 0)
    {
        const std::lock_guard<std::mutex> guard (native->pendingLock);
        native->pending.erase (number);
    }
}

bool NotificationWindow::post (unsigned int message, uintptr_t wParam, intptr_t lParam)
{
    return native->window != nullptr
           && PostMessageW (native->window, message, (WPARAM) wParam, (LPARAM) lParam) != 0;
}
