// The exported surface of the simulated library (vqdtrm4hid.dll on Windows,
// libvqdtrm4hid.so on Linux): the ten HID_ functions of the maker's ABI.
// HID_Initialize chooses what answers the session, the emulated controller
// or the replay of a recording; the other nine go to what it chose. The
// vqdsim control interface is in sim/SimControl.cpp. Everything else in the
// library stays hidden, so that the program cannot come to rely on anything
// a real build of the library would not have. The build defines
// VQDTRM4HID_BUILDING for this library, so these are the exported ones.
#include "device/VqdTrm4Hid.h"
#include "sim/EmulatedLibrary.h"
#include "sim/LibraryBackend.h"
#include "sim/Replayer.h"

#include <atomic>

namespace vqdsim
{
namespace detail
{
namespace
{

// Chosen on the thread that opens the session, and read by every thread the
// program calls from (its message thread and its worker), hence atomic. A
// call made before any choice goes to the emulation, as it always has.
std::atomic<LibraryBackend*> chosen { &EmulatedLibrary::instance() };

LibraryBackend& backend()
{
    return *chosen.load();
}

} // namespace

void chooseBackend (Replayer* replay)
{
    if (replay != nullptr)
        chosen.store (replay);
    else
        chosen.store (&EmulatedLibrary::instance());
}

} // namespace detail
} // namespace vqdsim

using vqdsim::detail::backend;
using vqdsim::detail::chooseBackend;
using vqdsim::detail::Replayer;

extern "C" {

void VQDTRM4HID_CALL HID_Initialize (HidInstanceHandle instance)
{
    // The replay when the scenario (in-process, or else VQDTRM4_SIM) names a
    // recording, the emulation otherwise; kept until the next session, or
    // until a test sets or drops a replay in-process.
    chooseBackend (Replayer::forSession());
    backend().initialize (instance);
}

void VQDTRM4HID_CALL HID_SetCallback (HidWindowHandle window, unsigned int inputMessage, unsigned int arrivalMessage,
                                      unsigned int removalMessage)
{
    backend().setCallback (window, inputMessage, arrivalMessage, removalMessage);
}

void VQDTRM4HID_CALL HID_Start (void)
{
    backend().start();
}

void VQDTRM4HID_CALL HID_Stop (void)
{
    backend().stop();
}

void VQDTRM4HID_CALL HID_Finalize (void)
{
    // The choice outlives the session: a call that comes after it goes
    // where the session's calls went (a replay reports it as a call after
    // the recording's end).
    backend().finalize();
}

int VQDTRM4HID_CALL HID_EnumHIDno (int* hidNumbers)
{
    return backend().enumerate (hidNumbers);
}

int VQDTRM4HID_CALL HID_GetDeviceType (int hidNo)
{
    return backend().deviceType (hidNo);
}

int VQDTRM4HID_CALL HID_GetFirmwareVersion (int deviceType, int* values, int count)
{
    return backend().firmwareVersion (deviceType, values, count);
}

int VQDTRM4HID_CALL HID_Write (int hidNo, const unsigned char* report, int length)
{
    return backend().write (hidNo, report, length);
}

void VQDTRM4HID_CALL HID_Input (int hidNo, unsigned char* buffer, int* length)
{
    backend().input (hidNo, buffer, length);
}

} // extern "C"
