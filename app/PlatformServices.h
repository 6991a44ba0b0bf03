#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>

// What the application object needs from the platform beyond JUCE: the
// hand-over to a running instance, bringing the window to the front, and
// whatever must run beside the window for as long as the program does. Each
// platform has a file of its own.
class PlatformServices
{
public:
    // Called by every instance when JUCE asks whether more than one may run,
    // before JUCE looks for a running instance.
    static void prepareForSingleInstance (const juce::String& applicationName,
                                          const juce::String& commandLine);

    // Called after toFront, for what the platform needs beyond it to bring
    // the window to the front.
    static void raiseWindow (juce::Component& window);

    // Ends the process at once with `status`, running nothing more of its
    // own: no destructors, no exit handlers, and on Windows no library's
    // detach code, which might wait on a lock that a stuck thread holds.
    [[noreturn]] static void endProcessNow (int status);

    // Made in initialise by the one instance that runs; message thread.
    explicit PlatformServices (const juce::String& applicationName);

    // Stops taking hand-overs from later starts; first step of shutdown.
    void stopHandOver();

    // Last step of shutdown, after the window is gone.
    ~PlatformServices();

private:
    struct Native;
    std::unique_ptr<Native> native;

    JUCE_DECLARE_NON_COPYABLE (PlatformServices)
};
