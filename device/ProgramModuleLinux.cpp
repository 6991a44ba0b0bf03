#include "device/ProgramModule.h"

#include <dlfcn.h>

// dlopen with no name names the executable; it holds a reference that
// dlclose gives back.
HidInstanceHandle acquireProgramModule()
{
    return dlopen (nullptr, RTLD_LAZY);
}

void releaseProgramModule (HidInstanceHandle instance)
{
    if (instance != nullptr)
        dlclose (instance);
}
