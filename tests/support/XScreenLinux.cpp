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

bool sendFocusNotice (juce::Component& window)
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

    const Status sent = XSendEvent (display, handle, False, FocusChangeMask, &event);
    XSync (display, False);
    XCloseDisplay (display);
    return sent != 0;
}
