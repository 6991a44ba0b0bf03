#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>

class MainWindow;
class InstanceHandOver;
class QuitSignals;

// The one application object: creates and deletes the main window, keeps the
// program to a single instance and brings the running window to the front
// when the program is started a second time.
class Application : public juce::JUCEApplication
{
public:
    Application();
    ~Application() override;

    const juce::String getApplicationName() override;
    const juce::String getApplicationVersion() override;
    bool moreThanOneInstanceAllowed() override;
    void initialise (const juce::String& commandLine) override;
    void shutdown() override;
    void anotherInstanceStarted (const juce::String& commandLine) override;

    MainWindow* getMainWindow() const noexcept { return mainWindow; }

private:
    MainWindow* mainWindow = nullptr;

    // JUCE hands nothing over to a running instance on Linux; this carries a
    // second start's message to the first one.
    std::unique_ptr<InstanceHandOver> handOver;

    // SIGTERM and SIGHUP, Linux's requests to quit, reach systemRequestedQuit
    // through this, as the system's quit request does on Windows.
    std::unique_ptr<QuitSignals> quitSignals;
};
