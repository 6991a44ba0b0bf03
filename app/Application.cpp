// JUCE's X11 declarations (its window system and the Xlib functions it loads)
// are needed to raise the window below; they must come before the first
// include of juce_gui_basics.
#define JUCE_GUI_BASICS_INCLUDE_XHEADERS 1

#include "app/Application.h"

#include "app/InstanceHandOver.h"
#include "app/MainWindow.h"
#include "app/QuitSignals.h"

namespace
{
const char* const kApplicationName = "VQDTRM4UpdateProgram";
const char* const kApplicationVersion = "1.0.0";

// On X11, toFront only asks the window manager to activate the window
// (_NET_ACTIVE_WINDOW). Where no window manager takes that request, the
// window keeps its place under whatever covers it, though it gets the
// keyboard focus. Asking the X server to raise it as well brings it to the
// front in every case; a window manager that is running gets that as an
// ordinary restacking request.
void raiseNativeWindow (juce::Component& window)
{
   #if JUCE_LINUX || JUCE_BSD
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
   #else
    juce::ignoreUnused (window);
   #endif
}
} // namespace

Application::Application() = default;

Application::~Application() = default;

const juce::String Application::getApplicationName()
{
    return kApplicationName;
}

const juce::String Application::getApplicationVersion()
{
    return kApplicationVersion;
}

bool Application::moreThanOneInstanceAllowed()
{
    // On X11 any client may raise its own window, so there is no foreground
    // permission to grant the running instance. What JUCE does not do here is
    // tell the running instance about this start: when one is listening, hand
    // our command line over to it. JUCE then finds its lock taken and ends
    // this process without a window.
    InstanceHandOver::sendToRunningInstance (getApplicationName(), getCommandLineParameters());
    return false;
}

void Application::initialise (const juce::String&)
{
    // Only the instance that holds JUCE's single-instance lock gets here. A
    // second start never does: it ends by itself at once, and a signal that
    // reaches it meanwhile may take its default action.
    handOver = std::make_unique<InstanceHandOver> (getApplicationName());
    quitSignals = std::make_unique<QuitSignals>();
    mainWindow = new MainWindow();
}

void Application::shutdown()
{
    handOver.reset();

    if (mainWindow != nullptr)
    {
        delete mainWindow;
        mainWindow = nullptr;
    }

    // Last: while the main component stops the worker and closes the device
    // session, a second SIGTERM must not cut that short. Until here it only
    // writes into a pipe that nobody reads any more.
    quitSignals.reset();
}

void Application::anotherInstanceStarted (const juce::String&)
{
    if (mainWindow != nullptr && mainWindow->isVisible())
    {
        mainWindow->toFront (true);
        raiseNativeWindow (*mainWindow);
    }
}
