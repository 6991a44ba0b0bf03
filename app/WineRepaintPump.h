#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

// JUCE 7 on Windows paints what is pending from a thread that waits for the
// display's vertical blank. Wine 8 does not implement that wait, so under
// Wine a window stops repainting after its first paint. This paints every
// window's pending areas from a 60 Hz timer instead. It is made only under
// Wine; on a real Windows machine JUCE's own way runs alone.
class WineRepaintPump : private juce::Timer
{
public:
    WineRepaintPump();
    ~WineRepaintPump() override;

    // True when the process runs under Wine (its ntdll exports
    // wine_get_version, which Windows' own never does).
    static bool isRunningUnderWine();

private:
    void timerCallback() override;

    JUCE_DECLARE_NON_COPYABLE (WineRepaintPump)
};
