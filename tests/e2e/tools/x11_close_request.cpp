// Asks an X window to close the way a window manager does when the user
// picks "Close" or presses Alt+F4: a WM_DELETE_WINDOW client message of the
// WM_PROTOCOLS kind, sent to the window itself. Xvfb runs no window manager,
// and xdotool can only destroy a window, not ask it.
//
//   x11_close_request --prepare      makes the two atoms, as a window
//                                    manager's start does
//   x11_close_request WINDOW_ID      (decimal or 0x hexadecimal; $DISPLAY)
//
// JUCE looks these atoms up only if they exist and announces WM_PROTOCOLS on
// its windows only then, so on a bare X server (run with -noreset, or the
// atoms go with the last client) --prepare must come before the program
// starts.
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main (int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf (stderr, "usage: x11_close_request --prepare | WINDOW_ID\n");
        return 2;
    }

    Display* display = XOpenDisplay (nullptr);

    if (display == nullptr)
    {
        std::fprintf (stderr, "x11_close_request: cannot open the display\n");
        return 1;
    }

    const Atom protocols = XInternAtom (display, "WM_PROTOCOLS", False);
    const Atom deleteWindow = XInternAtom (display, "WM_DELETE_WINDOW", False);

    if (std::strcmp (argv[1], "--prepare") == 0)
    {
        XSync (display, False);
        XCloseDisplay (display);
        return protocols != None && deleteWindow != None ? 0 : 1;
    }

    char* end = nullptr;
    const auto window = (Window) std::strtoul (argv[1], &end, 0);

    if (end == argv[1] || *end != '\0' || window == 0)
    {
        std::fprintf (stderr, "x11_close_request: not a window id: %s\n", argv[1]);
        XCloseDisplay (display);
        return 2;
    }

    XEvent event {};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = protocols;
    event.xclient.format = 32;
    event.xclient.data.l[0] = (long) deleteWindow;
    event.xclient.data.l[1] = CurrentTime;

    const Status sent = XSendEvent (display, window, False, NoEventMask, &event);
    XSync (display, False);
    XCloseDisplay (display);
    return sent != 0 ? 0 : 1;
}
