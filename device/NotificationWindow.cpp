#include "device/NotificationWindow.h"

#include <juce_events/juce_events.h>

#include <cstddef>

NotificationWindow::NotificationWindow (Procedure procedure)
    : state (std::make_shared<State> (procedure))
{
    static_assert (offsetof (Handle, window) == 0,
                   "the library must find its HidWindow at the start of the handle");

    handle.window.post = &NotificationWindow::postFromLibrary;
    handle.owner = this;
}

NotificationWindow::~NotificationWindow()
{
    state->alive = false;
}

bool NotificationWindow::post (unsigned int message, uintptr_t wParam, intptr_t lParam)
{
    // The queued call holds the state, not the window, so a message that is
    // still queued when the window goes away finds it dead and is dropped.
    auto target = state;

    return juce::MessageManager::callAsync ([target, message, wParam, lParam]
    {
        if (target->alive && target->procedure != nullptr)
            target->procedure (message, wParam, lParam);
    });
}

void NotificationWindow::postFromLibrary (HidWindow* window, unsigned int message, uintptr_t wParam, intptr_t lParam)
{
    if (window == nullptr)
        return;

    reinterpret_cast<Handle*> (window)->owner->post (message, wParam, lParam);
}
