// JUCE's X11 declarations (its window system and the Xlib functions it loads)
// are needed to raise the window below; they must come before the first
// include of juce_gui_basics.
#define JUCE_GUI_BASICS_INCLUDE_XHEADERS 1

#include "app/PlatformServices.h"

#include "app/InstanceHandOver.h"
#include "app/QuitSignals.h"

#include <cstdlib>

struct PlatformServices::Native
{
    // JUCE hands nothing over to a running instance on Linux; this carries a
    // second start's message to the first one.
    std::unique_ptr<InstanceHandOver> handOver;

    // SIGTERM and SIGHUP, Linux's requests to quit, reach systemRequestedQuit
    // through this, as the system's quit request does on Windows.
    std::unique_ptr<QuitSignals> quitSignals;
};

void PlatformServices::prepareForSingleInstance (const juce::String& applicationName,
                                                 const juce::String& commandLine)
{
    // On X11 any client may raise its own window, so there is no foreground
    // permission to grant the running instance. What JUCE does not do here is
    // tell the running instance about this start: when one is listening, hand
    // our command line over to it. JUCE then finds its lock taken and ends
    // this process without a window.
    InstanceHandOver::sendToRunningInstance (applicationName, commandLine);
}

// On X11, toFront only asks the window manager to activate the window
// (_NET_ACTIVE_WINDOW). Where no window manager takes that request, the
// window keeps its place under whatever covers it, though it gets the
// keyboard focus. Asking the X server to raise it as well brings it to the
// front in every case; a window manager that is running gets that as an
// ordinary restacking request.
void PlatformServices::endProcessNow (int status)
{
    std::_Exit (status);
}

void PlatformServices::raiseWindow (juce::Component& window)
{
    auto* peer = window.getPeer();
    auto* windowSystem = juce::XWindowSystem::getInstanceWithoutCreating();

    if (peer == nullptr || windowSystem == nullptr || windowSystem->getDisplay() == nullptr)
        return;

    auto* display = windowSystem->getDisplay();
    const auto handle = (::Window) (juce::pointer_sized_uint) peer->getNativeHandle();

    juce::XWindowSystemUtilities::ScopedXLock xLock;
    // The window is mapped already, so this only raises it.
    juce::X11Symbols::getInstance()->xMapRaised (display, handle);
    juce::X11Symbols::getInstance()->xFlush (display);
}

PlatformServices::PlatformServices (const juce::String& applicationName)
    : native (std::make_unique<Native>())
{
    // Only the instance that holds JUCE's single-instance lock gets here. A
    // second start never does: it ends by itself at once, and a signal that
    // reaches it meanwhile may take its default action.
    native->handOver = std::make_unique<InstanceHandOver> (applicationName);
    native->quitSignals = std::make_unique<QuitSignals>();
}

void PlatformServices::stopHandOver()
{
    native->handOver.reset();
}

// Last: while the main component stops the worker and closes the device
// session, a second SIGTERM must not cut that short. Until here it only
// writes into a pipe that nobody reads any more.
PlatformServices::~PlatformServices() = default;
