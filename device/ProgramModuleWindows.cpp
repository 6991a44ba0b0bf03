#include "device/ProgramModule.h"

#ifndef NOMINMAX
 #define NOMINMAX
#endif
#include <windows.h>

// The executable's own module handle; GetModuleHandle takes no reference,
// so there is nothing to give back.
HidInstanceHandle acquireProgramModule()
{
    return GetModuleHandleW (nullptr);
}

void releaseProgramModule (HidInstanceHandle)
{
}
