// The recorder's own notification window. The maker's library gets it in
// place of the program's, so that every notice passes the recorder: each is
// recorded as a "notice" line as it arrives and handed on to the program's
// window with the same message, wParam and lParam, the way it came (posted
// or sent), in the order it came. Once the program has said goodbye
// (HID_SetCallback with no window) nothing more is handed on.
//
// Only the three messages the program gave HID_SetCallback are handed on;
// anything else the library delivers is written down as a comment.
//
// On Windows the window is a message-only window (broadcasts never reach it)
// that lives on a thread of its own with its own message loop, so that what
// the recorder sees never depends on whether the maker's thread or the
// program's is blocked (NoticeRelayWindows.cpp). On Linux the
// "window" is a HidWindow whose post() records and posts on at once
// (NoticeRelayLinux.cpp).
#pragma once

#include "device/VqdTrm4Hid.h"

#include <memory>

class RecordingWriter;

class NoticeRelay
{
public:
    explicit NoticeRelay (RecordingWriter& writer);
    ~NoticeRelay();

    NoticeRelay (const NoticeRelay&) = delete;
    NoticeRelay& operator= (const NoticeRelay&) = delete;

    // Hands the three messages on to `programWindow` from now on; returns
    // the window to give the maker's library instead, or null when the
    // recorder has none (the caller then gives the maker the program's own
    // window).
    HidWindowHandle attach (HidWindowHandle programWindow, unsigned int inputMessage, unsigned int arrivalMessage,
                            unsigned int removalMessage);

    // Hands nothing on any more. Call it after the maker's library has been
    // told there is no window: what it delivered before is handed on first.
    void detach();

    // Ends the window (and its thread) for the end of a session. Never waits
    // more than a bounded time: a thread still delivering to a program
    // thread that waits here is left to end with the process.
    void close();

private:
    struct Native;
    std::unique_ptr<Native> native;
};
