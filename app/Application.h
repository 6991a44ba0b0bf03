#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>

class MainWindow;
class PlatformServices;

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

    // What differs by platform: the hand-over from a second start, and on
    // Linux the system's requests to quit.
    std::unique_ptr<PlatformServices> platform;
};
