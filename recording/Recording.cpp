#include "recording/Recording.h"

namespace vqdrec
{

const char* functionName (Function function)
{
    switch (function)
    {
        case Function::initialize:
            return "HID_Initialize";
        case Function::setCallback:
            return "HID_SetCallback";
        case Function::start:
            return "HID_Start";
        case Function::stop:
            return "HID_Stop";
        case Function::finalize:
            return "HID_Finalize";
        case Function::enumHidNo:
            return "HID_EnumHIDno";
        case Function::getDeviceType:
            return "HID_GetDeviceType";
        case Function::getFirmwareVersion:
            return "HID_GetFirmwareVersion";
        case Function::write:
            return "HID_Write";
        case Function::input:
            return "HID_Input";
    }
    return nullptr;
}

} // namespace vqdrec
