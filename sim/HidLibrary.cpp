// The exported surface of the simulated library (vqdtrm4hid.dll on Windows,
// libvqdtrm4hid.so on Linux): the ten HID_
// functions of the maker's ABI and the vqdsim control interface. Everything
// else in the library stays hidden, so that the program cannot come to rely
// on anything a real build of the library would not have. The build defines
// VQDTRM4HID_BUILDING for this library, so these are the exported ones.
#include "device/VqdTrm4Hid.h"
#include "sim/SimControl.h"
#include "sim/Simulator.h"

using vqdsim::detail::Simulator;

extern "C" {

void VQDTRM4HID_CALL HID_Initialize (HidInstanceHandle instance)
{
    Simulator::instance().initialize (instance);
}

void VQDTRM4HID_CALL HID_SetCallback (HidWindowHandle window, unsigned int inputMessage, unsigned int arrivalMessage,
                                      unsigned int removalMessage)
{
    Simulator::instance().setCallback (window, inputMessage, arrivalMessage, removalMessage);
}

void VQDTRM4HID_CALL HID_Start (void)
{
    Simulator::instance().start();
}

void VQDTRM4HID_CALL HID_Stop (void)
{
    Simulator::instance().stop();
}

void VQDTRM4HID_CALL HID_Finalize (void)
{
    Simulator::instance().finalize();
}

int VQDTRM4HID_CALL HID_EnumHIDno (int* hidNumbers)
{
    return Simulator::instance().enumerate (hidNumbers);
}

int VQDTRM4HID_CALL HID_GetDeviceType (int hidNo)
{
    return Simulator::instance().deviceType (hidNo);
}

int VQDTRM4HID_CALL HID_GetFirmwareVersion (int deviceType, int* values, int count)
{
    return Simulator::instance().firmwareVersion (deviceType, values, count);
}

int VQDTRM4HID_CALL HID_Write (int hidNo, const unsigned char* report, int length)
{
    return Simulator::instance().write (hidNo, report, length);
}

void VQDTRM4HID_CALL HID_Input (int hidNo, unsigned char* buffer, int* length)
{
    Simulator::instance().input (hidNo, buffer, length);
}

} // extern "C"

namespace vqdsim
{

void configure (const Scenario& scenario)
{
    Simulator::instance().configure (scenario);
}

void reset()
{
    Simulator::instance().forgetScenario();
}

std::vector<std::string> callLog()
{
    return Simulator::instance().callLog();
}

void clearCallLog()
{
    Simulator::instance().clearCallLog();
}

std::vector<uint8_t> flashRegion (uint8_t target)
{
    return Simulator::instance().flashRegion (target);
}

std::vector<uint8_t> flashImage()
{
    return Simulator::instance().flashImage();
}

Stats stats()
{
    return Simulator::instance().stats();
}

std::vector<int64_t> commitPollTimesUs()
{
    return Simulator::instance().commitPollTimesUs();
}

void unplug (int hidNo)
{
    Simulator::instance().unplug (hidNo);
}

void plug (int hidNo)
{
    Simulator::instance().plug (hidNo);
}

void injectReport (int hidNo, const uint8_t* report, int length)
{
    Simulator::instance().injectReport (hidNo, report, length);
}

bool threadRunning()
{
    return Simulator::instance().threadRunning();
}

} // namespace vqdsim
