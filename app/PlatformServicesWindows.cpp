#include "app/PlatformServices.h"

#include "app/WineRepaintPump.h"

#ifndef NOMINMAX
 #define NOMINMAX
#endif
#include <windows.h>

struct PlatformServices::Native
{
    // Null on a real Windows machine.
    std::unique_ptr<WineRepaintPump> repaintPump;
};

void PlatformServices::prepareForSingleInstance (const juce::String&, const juce::String&)
{
    // Windows lets only the foreground process bring a window to the front.
    // A second start is that process for a moment: it allows any process,
    // the running instance included, to take the foreground, before JUCE
    // hands the command line over and ends this process.
    AllowSetForegroundWindow (ASFW_ANY);
}

void PlatformServices::raiseWindow (juce::Component&)
{
    // toFront does it all on Windows.
}

PlatformServices::PlatformServices (const juce::String&)
    : native (std::make_unique<Native>())
{
    // JUCE's own hand-over works on Windows; there is nothing to listen on.
    if (WineRepaintPump::isRunningUnderWine())
        native->repaintPump = std::make_unique<WineRepaintPump>();
}

void PlatformServices::stopHandOver()
{
}

PlatformServices::~PlatformServices() = default;
