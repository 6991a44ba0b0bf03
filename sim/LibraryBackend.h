// What answers the library's ten functions: the emulated controller
// (EmulatedLibrary) or the replay of a recording (Replayer). The exported
// functions (sim/HidLibrary.cpp) go to whichever was chosen, so each backend
// only ever sees the calls of a session meant for it, and neither needs to
// know of the other.
#pragma once

#include "device/VqdTrm4Hid.h"

namespace vqdsim
{
namespace detail
{

class Replayer;

class LibraryBackend
{
public:
    virtual ~LibraryBackend() = default;

    virtual void initialize (void* moduleInstance) = 0;
    virtual void setCallback (HidWindowHandle window, unsigned int inputMessage, unsigned int arrivalMessage,
                              unsigned int removalMessage) = 0;
    virtual void start() = 0;
    virtual void stop() = 0;
    virtual void finalize() = 0;
    virtual int enumerate (int* hidNumbers) = 0;
    virtual int deviceType (int hidNo) = 0;
    virtual int firmwareVersion (int type, int* values, int count) = 0;
    virtual int write (int hidNo, const unsigned char* report, int length) = 0;
    virtual void input (int hidNo, unsigned char* buffer, int* length) = 0;
};

// Sends the library's functions from now on to `replay`, or to the emulation
// when it is nullptr. HID_Initialize chooses for the session it opens;
// vqdsim::configure and vqdsim::reset, which set and drop a replay
// in-process, choose as well, so that a call made before HID_Initialize
// reaches the replay a test has set up, and the emulation otherwise.
void chooseBackend (Replayer* replay);

} // namespace detail
} // namespace vqdsim
