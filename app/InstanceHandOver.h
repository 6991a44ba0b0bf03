#pragma once

#include <juce_events/juce_events.h>

// A second start of the program hands its command line to the running
// instance, which JUCE does on Windows but not on Linux. The running instance
// listens on a Unix socket in the abstract namespace, keyed by the
// application name and the user, and turns each message it receives into a
// call of anotherInstanceStarted on the message thread. The socket vanishes
// with the process, so nothing stale is left behind by a crash.
class InstanceHandOver : private juce::Thread
{
public:
    explicit InstanceHandOver (const juce::String& applicationName);
    ~InstanceHandOver() override;

    // Sends "<applicationName>/<commandLine>" to a running instance. Returns
    // false when none listens.
    static bool sendToRunningInstance (const juce::String& applicationName,
                                       const juce::String& commandLine);

private:
    void run() override;
    void deliver (const juce::String& message) const;

    const juce::String applicationName;
    int listenSocket = -1;

    JUCE_DECLARE_NON_COPYABLE (InstanceHandOver)
};
