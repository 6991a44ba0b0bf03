#pragma once

#include "device/VqdTrm4Hid.h"

#include <atomic>
#include <cstdint>
#include <memory>

// What the library posts its notifications to, standing in for a hidden
// window. The library may post from any of its threads, even from inside
// HID_Write; posting only queues the message, and the window procedure runs
// later on the JUCE message thread, so the library never calls back into the
// program on its own threads. Messages still queued when the window is
// destroyed are dropped.
class NotificationWindow
{
public:
    // The messages the library is told to post.
    static constexpr unsigned int removalMessage = 0x401;
    static constexpr unsigned int arrivalMessage = 0x402;
    static constexpr unsigned int inputMessage = 0x403;

    using Procedure = void (*) (unsigned int message, uintptr_t wParam, intptr_t lParam);

    explicit NotificationWindow (Procedure procedure);
    ~NotificationWindow();

    // The handle handed to HID_SetCallback.
    HidWindow* getHandle() noexcept { return &handle.window; }

    // Queues a message for the window procedure, as the library's post does.
    bool post (unsigned int message, uintptr_t wParam, intptr_t lParam);

private:
    struct State
    {
        explicit State (Procedure p) : procedure (p) {}
        const Procedure procedure;
        std::atomic<bool> alive { true };
    };

    // The library sees only the HidWindow at the start of this block.
    struct Handle
    {
        HidWindow window;
        NotificationWindow* owner;
    };

    static void postFromLibrary (HidWindow* window, unsigned int message, uintptr_t wParam, intptr_t lParam);

    Handle handle;
    const std::shared_ptr<State> state;

    NotificationWindow (const NotificationWindow&) = delete;
    NotificationWindow& operator= (const NotificationWindow&) = delete;
};
