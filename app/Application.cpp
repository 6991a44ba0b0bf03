#include "app/Application.h"

#include "app/MainWindow.h"
#include "app/PlatformServices.h"
#include "ui/MainComponent.h"

namespace
{
const char* const applicationName = "VQDTRM4UpdateProgram";
const char* const applicationVersion = "1.0.0";
} // namespace

Application::Application() = default;

Application::~Application() = default;

const juce::String Application::getApplicationName()
{
    return applicationName;
}

const juce::String Application::getApplicationVersion()
{
    return applicationVersion;
}

bool Application::moreThanOneInstanceAllowed()
{
    // Every start gets here before JUCE looks for a running instance; a
    // second start then finds JUCE's lock taken, hands its command line over
    // and ends without a window.
    PlatformServices::prepareForSingleInstance (getApplicationName(), getCommandLineParameters());
    return false;
}

void Application::initialise (const juce::String&)
{
    platform = std::make_unique<PlatformServices> (getApplicationName());
    mainWindow = new MainWindow();
}

void Application::shutdown()
{
    if (platform != nullptr)
        platform->stopHandOver();

    // A worker that could not be stopped in time is stuck in a call of the
    // maker's library (a write to a controller that went away, say), and may
    // hold a lock of the library there. The window, whose component the
    // worker runs in, cannot be destroyed under it, and closing the device
    // session would wait for that lock: the process ends here instead, the
    // worker with it, and the system closes the device.
    if (auto* component = mainWindow != nullptr ? mainWindow->getMainComponent() : nullptr)
        if (component->isThreadRunning() && (component->workerWasLeftRunning() || ! component->stopWorker()))
            PlatformServices::endProcessNow (0);

    if (mainWindow != nullptr)
    {
        delete mainWindow;
        mainWindow = nullptr;
    }

    platform.reset();
}

void Application::anotherInstanceStarted (const juce::String&)
{
    if (mainWindow != nullptr && mainWindow->isVisible())
    {
        mainWindow->toFront (true);
        PlatformServices::raiseWindow (*mainWindow);
    }
}
