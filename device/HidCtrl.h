#pragma once

#include "device/HidHandler.h"
#include "device/VqdTrm4Hid.h"

#include <atomic>
#include <cstdint>

class HidUtil;

// The device controller: owns the library session, keeps the connection
// state and the last input report, and forwards every device event to its
// handler (the main component).
class HidCtrl : public HidHandler
{
public:
    HidCtrl();
    ~HidCtrl() override;

    // 1 when the session opened and a controller is present, else 0.
    int open (HidHandler* handler);

    // Sends one 64-byte report to the selected device. The update worker
    // calls this from its own thread.
    bool writeReport (const uint8_t* report);

    void deviceRemoved() override;
    void deviceArrived() override;
    void reportReceived (int param) override;
    bool mayBeInLibrary() const noexcept override { return handler != nullptr && handler->mayBeInLibrary(); }

    bool isConnected() const noexcept { return connected.load() != 0; }
    int getFirmwareVersion() const noexcept { return firmwareVersion; }

    // The last input report; message thread only.
    const uint8_t* getInput() const noexcept { return input; }
    int getInputLength() const noexcept { return inputLength; }
    void clearInput() noexcept;

    HidUtil* getUtil() const noexcept { return util; }

private:
    void readFirmwareVersion();

    // Reads the waiting report of the selected device into `buffer` and
    // returns the bytes read: never more than 64, whatever the library says.
    int readInputReport (uint8_t* buffer) const;

    HidHandler* handler = nullptr;
    HidUtil* util = nullptr;
    std::atomic<int> connected { 0 };
    int firmwareVersion = 0;
    uint8_t input[HID_REPORT_SIZE] = {};
    int inputLength = 0;

    HidCtrl (const HidCtrl&) = delete;
    HidCtrl& operator= (const HidCtrl&) = delete;
};
