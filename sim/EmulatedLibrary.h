// The library's ten functions as the simulated controller answers them:
// HID_Initialize takes the scenario from VQDTRM4_SIM unless a test set one
// in-process, the calls go into the call log, HID_Write queues a command for
// the device thread and HID_Input hands over its answers. It keeps nothing
// of its own: all it works on is the simulator's state (sim/Simulator.h).
#pragma once

#include "sim/LibraryBackend.h"

namespace vqdsim
{
namespace detail
{

class EmulatedLibrary final : public LibraryBackend
{
public:
    static EmulatedLibrary& instance();

    void initialize (void* moduleInstance) override;
    void setCallback (HidWindowHandle window, unsigned int inputMessage, unsigned int arrivalMessage,
                      unsigned int removalMessage) override;
    void start() override;
    void stop() override;
    void finalize() override;
    int enumerate (int* hidNumbers) override;
    int deviceType (int hidNo) override;
    int firmwareVersion (int type, int* values, int count) override;
    int write (int hidNo, const unsigned char* report, int length) override;
    void input (int hidNo, unsigned char* buffer, int* length) override;

private:
    EmulatedLibrary() = default;
};

} // namespace detail
} // namespace vqdsim
