#pragma once

#include "device/VqdTrm4Hid.h"

#include <atomic>
#include <cstdint>

class HidCtrl;
class NotificationWindow;

// The one session with the maker's HID library: opens and closes it, owns
// the notification window and remembers the HID number of the selected
// device. At most one session is open per process.
class HidUtil
{
public:
    HidUtil();
    virtual ~HidUtil();

    // Starts the session. False when a session is already open in the
    // process, or when the module handle or the window cannot be had.
    bool open (HidCtrl* ctrl);

    // Ends the session; safe to call more than once and on a session that
    // never opened.
    void close();

    // True when a device of the wanted type is selected afterwards.
    bool selectDevice();

    // -1 when no device is selected. Read by the update worker.
    int getHidNo() const noexcept { return hidNo.load(); }

    // The three notices of the notification window.
    void removalNotice (int removedHidNo);
    void arrivalNotice();
    void inputNotice (int reportHidNo, intptr_t param);

    // The notification window, while the session is open.
    NotificationWindow* getWindow() const noexcept { return window; }

    // The session that is open in this process, or null.
    static HidUtil* getActive() noexcept { return activeHidUtil; }

    // Device types by index; the program always wants index 1, the controller.
    static constexpr int deviceTypeTable[2] = { 0, HID_DEVICE_TYPE_VQDTRM4 };

private:
    // The notification window's procedure: routes the library's messages to
    // the open session.
    static void windowProcedure (unsigned int message, uintptr_t wParam, intptr_t lParam);

    HidCtrl* ctrl = nullptr;
    int deviceTypeIndex = 0;
    HidInstanceHandle instance = nullptr;
    NotificationWindow* window = nullptr;
    std::atomic<int> hidNo { -1 };

    static HidUtil* activeHidUtil;

    HidUtil (const HidUtil&) = delete;
    HidUtil& operator= (const HidUtil&) = delete;
};
