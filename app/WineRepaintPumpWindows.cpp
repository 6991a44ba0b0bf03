#include "app/WineRepaintPump.h"

#ifndef NOMINMAX
 #define NOMINMAX
#endif
#include <windows.h>

WineRepaintPump::WineRepaintPump()
{
    startTimerHz (60);
}

WineRepaintPump::~WineRepaintPump()
{
    stopTimer();
}

bool WineRepaintPump::isRunningUnderWine()
{
    const auto ntdll = GetModuleHandleW (L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress (ntdll, "wine_get_version") != nullptr;
}

void WineRepaintPump::timerCallback()
{
    for (int i = juce::ComponentPeer::getNumPeers(); --i >= 0;)
        if (auto* peer = juce::ComponentPeer::getPeer (i))
            peer->performAnyPendingRepaintsNow();
}
