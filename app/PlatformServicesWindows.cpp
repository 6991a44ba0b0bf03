#include "app/PlatformServices.h"

#include "app/RepaintFallback.h"

#ifndef NOMINMAX
 #define NOMINMAX
#endif
#include <windows.h>

#include <cstdlib>

struct PlatformServices::Native
{
    RepaintFallback repaintFallback;
};

void PlatformServices::prepareForSingleInstance (const juce::String&, const juce::String&)
{
    // Windows lets only the foreground process bring a window to the front.
    // A second start is that process for a moment: it allows any process,
    // the running instance included, to take the foreground, before JUCE
    // hands the command line over and ends this process.
    AllowSetForegroundWindow (ASFW_ANY);
}

void PlatformServices::endProcessNow (int status)
{
    // Not ExitProcess: it runs every DLL's detach code, the maker's
    // included, while a thread of ours may be stuck inside that DLL.
    TerminateProcess (GetCurrentProcess(), static_cast<UINT> (status));
    std::_Exit (status);
}

void PlatformServices::raiseWindow (juce::Component& window)
{
    // JUCE's toFront only brings the window to the top of the other windows
    // (BringWindowToTop); Windows then keeps the foreground with the process
    // that has it and only flashes the taskbar button. The second start,
    // which the user just made and so holds the foreground, allowed this
    // process to take it (prepareForSingleInstance), so ask for it.
    auto* handle = static_cast<HWND> (window.getWindowHandle());

    if (handle == nullptr)
        return;

    if (IsIconic (handle))
        ShowWindow (handle, SW_RESTORE);

    SetForegroundWindow (handle);
}

PlatformServices::PlatformServices (const juce::String&)
    : native (std::make_unique<Native>())
{
    // JUCE's own hand-over works on Windows; there is nothing to listen on.
}

void PlatformServices::stopHandOver()
{
}

PlatformServices::~PlatformServices() = default;
