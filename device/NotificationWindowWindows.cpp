#include "device/NotificationWindow.h"

#ifndef NOMINMAX
 #define NOMINMAX
#endif
#include <windows.h>

// A real hidden window. The library posts to it with PostMessage; Windows
// queues the message on the thread that created the window (JUCE's message
// thread), whose message loop dispatches it to the procedure below. Windows
// drops whatever is still queued for the window when it is destroyed.
namespace
{
const wchar_t* const kClassName = L"HID_WINDOW_CALLBACK";
} // namespace

struct NotificationWindow::Native
{
    HINSTANCE instance = nullptr;
    HWND window = nullptr;
    Procedure procedure = nullptr;

    // Maps the three notices to the session, then passes every message,
    // these included, to the default procedure and returns its result.
    static LRESULT CALLBACK windowProcedure (HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message >= removalMessage && message <= inputMessage)
            if (auto* self = reinterpret_cast<Native*> (GetWindowLongPtrW (window, GWLP_USERDATA)))
                if (self->procedure != nullptr)
                    self->procedure (message, (uintptr_t) wParam, (intptr_t) lParam);

        return DefWindowProcW (window, message, wParam, lParam);
    }
};

NotificationWindow::NotificationWindow (Procedure procedure, HidInstanceHandle instance)
    : native (std::make_unique<Native>())
{
    native->instance = reinterpret_cast<HINSTANCE> (instance);
    native->procedure = procedure;

    WNDCLASSW windowClass {};
    windowClass.lpfnWndProc = &Native::windowProcedure;
    windowClass.hInstance = native->instance;
    windowClass.hCursor = LoadCursorW (nullptr, (LPCWSTR) IDC_ARROW);
    windowClass.hbrBackground = (HBRUSH) GetStockObject (BLACK_BRUSH);
    windowClass.lpszClassName = kClassName;

    // A class still registered from an earlier session of this process is
    // reused; anything else that stops registration shows up as no window.
    RegisterClassW (&windowClass);

    native->window = CreateWindowExW (0, kClassName, kClassName, WS_OVERLAPPED | WS_DISABLED,
                                      0, 0, 10, 10, nullptr, nullptr, native->instance, nullptr);

    if (native->window != nullptr)
    {
        SetWindowLongPtrW (native->window, GWLP_USERDATA, reinterpret_cast<LONG_PTR> (native.get()));
        ShowWindow (native->window, SW_HIDE);
    }
}

NotificationWindow::~NotificationWindow()
{
    if (native->window != nullptr)
    {
        SetWindowLongPtrW (native->window, GWLP_USERDATA, 0);
        DestroyWindow (native->window);
    }

    UnregisterClassW (kClassName, native->instance);
}

bool NotificationWindow::isValid() const noexcept
{
    return native->window != nullptr;
}

HidWindowHandle NotificationWindow::getHandle() const noexcept
{
    return native->window;
}

bool NotificationWindow::post (unsigned int message, uintptr_t wParam, intptr_t lParam)
{
    return native->window != nullptr
           && PostMessageW (native->window, message, (WPARAM) wParam, (LPARAM) lParam) != 0;
}
