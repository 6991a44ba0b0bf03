#pragma once

#include "device/VqdTrm4Hid.h"

#include <cstdint>
#include <functional>
#include <memory>

// The hidden window the library posts its notices to. The library may post
// from any of its threads, even from inside HID_Write; posting only queues
// the message, and the procedure runs later on JUCE's message thread, so the
// library never calls back into the program on its own threads. Messages
// still queued when the window is destroyed are dropped.
//
// On Windows it is a real window of class "HID_WINDOW_CALLBACK", run by a
// thread of its own that only queues each notice onto JUCE's message loop,
// so that a library that sends its notices instead of posting them is never
// kept waiting by the message thread; on Linux a small object whose post()
// queues onto JUCE's message loop. Each platform has a file of its own.
class NotificationWindow
{
public:
    // The messages the library is told to post.
    static constexpr unsigned int removalMessage = 0x401;
    static constexpr unsigned int arrivalMessage = 0x402;
    static constexpr unsigned int inputMessage = 0x403;

    using Procedure = void (*) (unsigned int message, uintptr_t wParam, intptr_t lParam);

    // Made on the message thread, where the procedure will run.
    // isValid() tells whether the platform gave a window.
    NotificationWindow (Procedure procedure, HidInstanceHandle instance);
    ~NotificationWindow();

    bool isValid() const noexcept;

    // The handle handed to HID_SetCallback.
    HidWindowHandle getHandle() const noexcept;

    // Queues a message for the window procedure, as the library's post does.
    bool post (unsigned int message, uintptr_t wParam, intptr_t lParam);

    // Calls `callback` on the message thread after the procedure has run for
    // every notice that reached the window before this call (unless the
    // window goes first): for whoever waits for the notices it caused.
    void callAfterQueuedNotices (std::function<void()> callback);

private:
    struct Native;
    std::unique_ptr<Native> native;

    NotificationWindow (const NotificationWindow&) = delete;
    NotificationWindow& operator= (const NotificationWindow&) = delete;
};
