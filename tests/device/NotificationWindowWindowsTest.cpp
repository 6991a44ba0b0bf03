// The hidden notification window as Windows has it: a message-only window
// of class "HID_WINDOW_CALLBACK", hidden and disabled, whose procedure hands
// the three notices to the session on the message thread and leaves every
// message to the default procedure; the class goes with the window. A stray
// message with one of its own numbers changes nothing.
#include <gtest/gtest.h>

#include "MessageLoop.h"
#include "device/NotificationWindow.h"

#ifndef NOMINMAX
 #define NOMINMAX
#endif
#include <windows.h>

#include <thread>
#include <vector>

namespace
{

struct Received
{
    unsigned int message;
    uintptr_t wParam;
    intptr_t lParam;
    DWORD thread;
};

std::vector<Received> received;

void recordNotice (unsigned int message, uintptr_t wParam, intptr_t lParam)
{
    received.push_back ({ message, wParam, lParam, GetCurrentThreadId() });
}

bool classIsRegistered()
{
    WNDCLASSW info {};
    return GetClassInfoW (GetModuleHandleW (nullptr), L"HID_WINDOW_CALLBACK", &info) != 0;
}

class NotificationWindowWindows : public ::testing::Test
{
protected:
    void SetUp() override { received.clear(); }

    HINSTANCE module = GetModuleHandleW (nullptr);
};

TEST_F (NotificationWindowWindows, IsAHiddenDisabledMessageOnlyWindowOfItsOwnClass)
{
    ASSERT_FALSE (classIsRegistered());

    {
        NotificationWindow window (&recordNotice, module);
        ASSERT_TRUE (window.isValid());

        HWND handle = window.getHandle();
        EXPECT_EQ (handle, FindWindowExW (HWND_MESSAGE, nullptr, L"HID_WINDOW_CALLBACK", L"HID_WINDOW_CALLBACK"));
        EXPECT_NE (GetDesktopWindow(), GetAncestor (handle, GA_PARENT)); // no top-level window
        EXPECT_FALSE (IsWindowVisible (handle));
        EXPECT_FALSE (IsWindowEnabled (handle));
        EXPECT_EQ (nullptr, GetMenu (handle));

        // The default procedure answers what the window's own does not.
        wchar_t title[64] = {};
        EXPECT_EQ (19, GetWindowTextW (handle, title, 64));
        EXPECT_STREQ (L"HID_WINDOW_CALLBACK", title);
    }

    // Destroyed and its class unregistered with it.
    EXPECT_EQ (nullptr, FindWindowExW (HWND_MESSAGE, nullptr, L"HID_WINDOW_CALLBACK", nullptr));
    EXPECT_FALSE (classIsRegistered());
}

TEST_F (NotificationWindowWindows, HandsTheThreeNoticesToTheSessionOnItsOwnThread)
{
    NotificationWindow window (&recordNotice, module);
    ASSERT_TRUE (window.isValid());
    HWND handle = window.getHandle();

    // Posted from another thread, as the library does, with the others'
    // messages around them.
    std::thread library ([handle] {
        PostMessageW (handle, 0x400, 1, 1);
        PostMessageW (handle, NotificationWindow::removalMessage, 3, 0);
        PostMessageW (handle, NotificationWindow::arrivalMessage, 0, 0);
        PostMessageW (handle, 0x404, 4, 4);
        PostMessageW (handle, NotificationWindow::inputMessage, 5, 77);
    });
    library.join();

    ASSERT_TRUE (MessageLoop::runUntil ([] { return received.size() >= 3; }));
    MessageLoop::runFor (50);

    ASSERT_EQ (3u, received.size());
    EXPECT_EQ (NotificationWindow::removalMessage, received[0].message);
    EXPECT_EQ (3u, received[0].wParam);
    EXPECT_EQ (NotificationWindow::arrivalMessage, received[1].message);
    EXPECT_EQ (NotificationWindow::inputMessage, received[2].message);
    EXPECT_EQ (5u, received[2].wParam);
    EXPECT_EQ (77, received[2].lParam);

    for (auto& r : received)
        EXPECT_EQ (GetCurrentThreadId(), r.thread);
}

TEST_F (NotificationWindowWindows, StrayMessagesChangeNothing)
{
    NotificationWindow window (&recordNotice, module);
    ASSERT_TRUE (window.isValid());
    HWND handle = window.getHandle();

    // The window's own two messages, posted to it by another program (one
    // that walks every window, say) with what the window never gave.
    PostMessageW (handle, WM_APP + 0x3E, 0, 0x1234);
    PostMessageW (handle, WM_APP + 0x3F, 0, 0);

    // Behind them, a notice and a wait for it: the window is still there,
    // and only that notice came.
    bool called = false;
    PostMessageW (handle, NotificationWindow::inputMessage, 5, 0);
    window.callAfterQueuedNotices ([&called] { called = true; });
    ASSERT_TRUE (MessageLoop::runUntil ([&called] { return called; }));
    ASSERT_EQ (1u, received.size());
    EXPECT_EQ (NotificationWindow::inputMessage, received[0].message);
    EXPECT_TRUE (IsWindow (handle));
}

TEST_F (NotificationWindowWindows, ASentNoticeIsTakenWhileTheMessageThreadIsBusyElsewhere)
{
    // A library that sends instead of posting waits until the window's
    // thread has taken the notice. The message thread here is blocked in a
    // join, as in HID_Stop waiting for the library's thread: were the window
    // on this thread, the send and the join would wait for each other.
    NotificationWindow window (&recordNotice, module);
    ASSERT_TRUE (window.isValid());
    HWND handle = window.getHandle();

    std::thread library ([handle] {
        SendMessageW (handle, NotificationWindow::inputMessage, 3, 0);
        SendMessageW (handle, NotificationWindow::removalMessage, 3, 0);
    });
    library.join();

    ASSERT_TRUE (MessageLoop::runUntil ([] { return received.size() >= 2; }));
    EXPECT_EQ (NotificationWindow::inputMessage, received[0].message);
    EXPECT_EQ (NotificationWindow::removalMessage, received[1].message);
    EXPECT_EQ (GetCurrentThreadId(), received[0].thread);
}

TEST_F (NotificationWindowWindows, NoticesStillQueuedWhenTheWindowGoesAreDropped)
{
    {
        NotificationWindow window (&recordNotice, module);
        ASSERT_TRUE (window.isValid());
        EXPECT_TRUE (window.post (NotificationWindow::inputMessage, 3, 0));
    }

    MessageLoop::runFor (50);
    EXPECT_TRUE (received.empty());
}

} // namespace
