#include "device/NotificationWindow.h"

#include <juce_events/juce_events.h>

#include <atomic>
#include <cstddef>

// Linux has no window system message queue a library could post to, so the
// "window" is a HidWindow struct whose post() queues the message onto JUCE's
// message loop.
namespace
{
struct State
{
    explicit State (NotificationWindow::Procedure p) : procedure (p) {}
    const NotificationWindow::Procedure procedure;
    std::atomic<bool> alive { true };
};
} // namespace

struct NotificationWindow::Native
{
    // The library sees only the HidWindow at the start of this block.
    HidWindow window;
    NotificationWindow* owner;
    std::shared_ptr<State> state;

    static void postFromLibrary (HidWindow* window, unsigned int message, uintptr_t wParam, intptr_t lParam)
    {
        if (window == nullptr)
            return;

        reinterpret_cast<Native*> (window)->owner->post (message, wParam, lParam);
    }
};

NotificationWindow::NotificationWindow (Procedure procedure, HidInstanceHandle)
    : native (std::make_unique<Native>())
{
    static_assert (offsetof (Native, window) == 0,
                   "the library must find its HidWindow at the start of the handle");

    native->window.post = &Native::postFromLibrary;
    native->owner = this;
    native->state = std::make_shared<State> (procedure);
}

NotificationWindow::~NotificationWindow()
{
    native->state->alive = false;
}

bool NotificationWindow::isValid() const noexcept
{
    return true;
}

HidWindowHandle NotificationWindow::getHandle() const noexcept
{
    return &native->window;
}

void NotificationWindow::callAfterQueuedNotices (std::function<void()> callback)
{
    // One queue, in order: behind every notice posted so far.
    juce::MessageManager::callAsync (std::move (callback));
}

bool NotificationWindow::post (unsigned int message, uintptr_t wParam, intptr_t lParam)
{
    // The queued call holds the state, not the window, so a message that is
    // still queued when the window goes away finds it dead and is dropped.
    auto target = native->state;

    return juce::MessageManager::callAsync ([target, message, wParam, lParam] {
        if (target->alive && target->procedure != nullptr)
            target->procedure (message, wParam, lParam);
    });
}
