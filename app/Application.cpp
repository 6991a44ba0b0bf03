#include "app/Application.h"

#include "app/MainWindow.h"
#include "app/PlatformServices.h"

namespace
{
const char* const kApplicationName = "VQDTRM4UpdateProgram";
const char* const kApplicationVersion = "1.0.0";
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
