#pragma once

#include "device/VqdTrm4Hid.h"

// The program's own module handle, handed to HID_Initialize. Null when the
// platform gives none. Each platform has a file of its own.
HidInstanceHandle acquireProgramModule();

// Gives back what acquireProgramModule took, where the platform counts it.
void releaseProgramModule (HidInstanceHandle instance);
