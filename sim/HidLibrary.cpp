// The exported surface of the simulated library (vqdtrm4hid.dll on Windows,
// libvqdtrm4hid.so on Linux): the ten HID_
// functions of the maker's ABI and the vqdsim control interface. Everything
// else in the library stays hidden, so that the program cannot come to rely
// on anything a real build of the library would not have. The build defines
// VQDTRM4HID_BUILDING for this library, so these are the exported ones.
#include "device/VqdTrm4Hid.h"
#include "sim/Replayer.h"
#include "sim/SimControl.h"
#include "sim/Simulator.h"

using vqdsim::detail::Replayer;
using vqdsim::detail::Simulator;

extern "C" {

void VQDTRM4HID_CALL HID_Initialize (HidInstanceHandle instance)
{
    if (Replayer* replay = Replayer::forSession())
        return replay->initialize (instance);
    Simulator::instance().initialize (instance);
}

void VQDTRM4HID_CALL HID_SetCallback (HidWindowHandle window, unsigned int inputMessage, unsigned int arrivalMessage,
                                      unsigned int removalMessage)
{
    if (Replayer* replay = Replayer::active())
        return replay->setCallback (window, inputMessage, arrivalMessage, removalMessage);
    Simulator::instance().setCallback (window, inputMessage, arrivalMessage, removalMessage);
}

void VQDTRM4HID_CALL HID_Start (void)
{
    if (Replayer* replay = Replayer::active())
        return replay->start();
    Simulator::instance().start();
}

void VQDTRM4HID_CALL HID_Stop (void)
{
    if (Replayer* replay = Replayer::active())
        return replay->stop();
    Simulator::instance().stop();
}

void VQDTRM4HID_CALL HID_Finalize (void)
{
    if (Replayer* replay = Replayer::active())
        return replay->finalize();
    Simulator::instance().finalize();
}

int VQDTRM4HID_CALL HID_EnumHIDno (int* hidNumbers)
{
    if (Replayer* replay = Replayer::active())
        return replay->enumerate (hidNumbers);
    return Simulator::instance().enumerate (hidNumbers);
}

int VQDTRM4HID_CALL HID_GetDeviceType (int hidNo)
{
    if (Replayer* replay = Replayer::active())
        return replay->deviceType (hidNo);
    return Simulator::instance().deviceType (hidNo);
}

int VQDTRM4HID_CALL HID_GetFirmwareVersion (int deviceType, int* values, int count)
{
    if (Replayer* replay = Replayer::active())
        return replay->firmwareVersion (deviceType, values, count);
    return Simulator::instance().firmwareVersion (deviceType, values, count);
}

int VQDTRM4HID_CALL HID_Write (int hidNo, const unsigned char* report, int length)
{
    if (Replayer* replay = Replayer::active())
        return replay->write (hidNo, report, length);
    return Simulator::instance().write (hidNo, report, length);
}

void VQDTRM4HID_CALL HID_Input (int hidNo, unsigned char* buffer, int* length)
{
    if (Replayer* replay = Replayer::active())
        return replay->input (hidNo, buffer, length);
    Simulator::instance().input (hidNo, buffer, length);
}

} // extern "C"

namespace vqdsim
{

void configure (const Scenario& scenario)
{
    Replayer::instance().configure (scenario);
    Simulator::instance().configure (scenario);
}

void reset()
{
    Replayer::instance().forget();
    Simulator::instance().forgetScenario();
}

ReplayOutcome replayOutcome()
{
    return Replayer::instance().outcome();
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
    const Region* region = Replayer::active() != nullptr ? detail::regionOf (target) : nullptr;
    if (region != nullptr)
    {
        const std::vector<uint8_t> flash = Replayer::active()->flashImage();
        return std::vector<uint8_t> (flash.begin() + region->address, flash.begin() + region->address + region->size);
    }
    return Simulator::instance().flashRegion (target);
}

std::vector<uint8_t> flashImage()
{
    if (Replayer* replay = Replayer::active())
        return replay->flashImage();
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
