#include "app/Application.h"

#include "app/InstanceHandOver.h"
#include "app/MainWindow.h"

namespace
{
const char* const kApplicationName = "VQDTRM4UpdateProgram";
const char* const kApplicationVersion = "1.0.0";
}

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
    // Only the instance that holds JUCE's single-instance lock gets here.
    handOver = std::make_unique<InstanceHandOver> (getApplicationName());
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
}

void Application::anotherInstanceStarted (const juce::String&)
{
    if (mainWindow != nullptr && mainWindow->isVisible())
        mainWindow->toFront (true);
}
