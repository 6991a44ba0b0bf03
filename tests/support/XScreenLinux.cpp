#include "XScreen.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <X11/Xlib.h>
#include <dlfcn.h>

bool hasScreen()
{
    return juce::Desktop::getInstance().getDisplays().getPrimaryDisplay() != nullptr;
}

bool ignoreXErrorsLikeAJuceApplication()
{
    static const bool installed = [] {
        using Handler = int (*) (void*, void*);
        using SetHandler = Handler (*) (Handler);

        auto* x11 = dlopen ("libX11.so.6", RTLD_NOW | RTLD_NOLOAD);

        if (x11 == nullptr)
            return false;

        auto setHandler = reinterpret_cast<SetHandler> (dlsym (x11, "XSetErrorHandler"));

        if (setHandler != nullptr)
            setHandler ([] (void*, void*) { return 0; });

        return setHandler != nullptr;
    }();

    return installed;
}

bool sendFocusNotice (juce::Component& window, unsigned long markerKeysym)
{
    auto* peer = window.getPeer();

    if (peer == nullptr)
        return false;

    Display* display = XOpenDisplay (nullptr);

    if (display == nullptr)
        return false;

    const auto handle = (Window) (juce::pointer_sized_uint) peer->getNativeHandle();
    XEvent event {};
    event.xfocus.type = FocusIn;
    event.xfocus.window = handle;
    event.xfocus.mode = NotifyNormal;
    event.xfocus.detail = NotifyNonlinear;
    Status sent = XSendEvent (display, handle, False, FocusChangeMask, &event);

    // One connection's events reach JUCE in the order they were sent.
    const auto keycode = XKeysymToKeycode (display, (KeySym) markerKeysym);

    for (const int type : { KeyPress, KeyRelease })
    {
        XEvent key {};
        key.xkey.type = type;
        key.xkey.display = display;
        key.xkey.window = handle;
        key.xkey.root = DefaultRootWindow (display);
        key.xkey.time = CurrentTime;
        key.xkey.keycode = keycode;
        key.xkey.same_screen = True;
        sent = sent && keycode != 0
               && XSendEvent (display, handle, False, type == KeyPress ? KeyPressMask : KeyReleaseMask, &key);
    }

    XSync (display, False);
    XCloseDisplay (display);
    return sent != 0;
}
