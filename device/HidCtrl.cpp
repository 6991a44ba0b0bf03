#include "device/HidCtrl.h"

#include "device/HidUtil.h"
#include "device/VqdTrm4Hid.h"

#include <cstring>

HidCtrl::HidCtrl() = default;

HidCtrl::~HidCtrl()
{
    handler = nullptr;

    if (util != nullptr)
    {
        util->close();
        delete util;
        util = nullptr;
    }
}

int HidCtrl::open (HidHandler* newHandler)
{
    handler = newHandler;
    util = new HidUtil();
    connected = 0;
    clearInput();

    if (! util->open (this))
    {
        handler = nullptr;
        util->close();
        delete util;
        util = nullptr;
        connected = 0;
        return 0;
    }

    connected = util->selectDevice() ? 1 : 0;

    if (connected != 0)
        readFirmwareVersion();

    return connected;
}

bool HidCtrl::writeReport (const uint8_t* report)
{
    if (connected == 0 || report == nullptr || util == nullptr)
        return false;

    const int hidNo = util->getHidNo();

    if (hidNo < 0)
        return false;

    return HID_Write (hidNo, report, HID_REPORT_SIZE) != 0;
}

void HidCtrl::deviceRemoved()
{
    connected = 0;
    firmwareVersion = 0;
    clearInput();

    if (handler != nullptr)
        handler->deviceRemoved();
}

void HidCtrl::deviceArrived()
{
    connected = 1;
    readFirmwareVersion();

    inputLength = 0;

    if (util != nullptr && util->getHidNo() >= 0)
    {
        uint8_t buffer[HID_REPORT_SIZE] = {};
        const int length = readInputReport (buffer);
        std::memcpy (input, buffer, (size_t) length);
        inputLength = length;
    }

    if (handler != nullptr)
        handler->deviceArrived();
}

void HidCtrl::reportReceived (int)
{
    if (util == nullptr || util->getHidNo() < 0)
        return;

    uint8_t buffer[HID_REPORT_SIZE] = {};
    const int length = readInputReport (buffer);

    if (length == 0)
        return;

    // Bytes past the new report keep what the previous one left there.
    std::memcpy (input, buffer, (size_t) length);
    inputLength = length;

    // The notice's parameter is not passed on.
    if (handler != nullptr)
        handler->reportReceived (0);
}

void HidCtrl::clearInput() noexcept
{
    std::memset (input, 0, sizeof (input));
    inputLength = 0;
}

void HidCtrl::readFirmwareVersion()
{
    firmwareVersion = 0;

    if (util == nullptr || util->getHidNo() < 0)
        return;

    int values[2] = { 0, 0 };
    HID_GetFirmwareVersion (HID_DEVICE_TYPE_VQDTRM4, values, 1);
    firmwareVersion = values[0];
}

int HidCtrl::readInputReport (uint8_t* buffer) const
{
    const int hidNo = util->getHidNo();
    int length = HID_REPORT_SIZE;
    HID_Input (hidNo, buffer, &length);

    if (length < 0)
        return 0;

    return length > HID_REPORT_SIZE ? HID_REPORT_SIZE : length;
}
