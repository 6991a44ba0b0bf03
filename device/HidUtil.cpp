#include "device/HidUtil.h"

#include "device/HidCtrl.h"
#include "device/NotificationWindow.h"
#include "device/ProgramModule.h"
#include "device/VqdTrm4Hid.h"

HidUtil* HidUtil::activeHidUtil = nullptr;

HidUtil::HidUtil() = default;

HidUtil::~HidUtil()
{
    close();
}

bool HidUtil::open (HidCtrl* newCtrl)
{
    if (activeHidUtil != nullptr)
        return false;

    activeHidUtil = this;
    ctrl = newCtrl;
    deviceTypeIndex = 1;

    instance = acquireProgramModule();

    if (instance == nullptr)
    {
        close();
        return false;
    }

    window = new NotificationWindow (&HidUtil::windowProcedure, instance);

    if (! window->isValid())
    {
        delete window;
        window = nullptr;
        close();
        return false;
    }

    HID_Initialize (instance);
    HID_SetCallback (window->getHandle(),
                     NotificationWindow::inputMessage,
                     NotificationWindow::arrivalMessage,
                     NotificationWindow::removalMessage);
    HID_Start();
    return true;
}

void HidUtil::close()
{
    hidNo = -1;

    if (activeHidUtil == this)
        activeHidUtil = nullptr;

    ctrl = nullptr;

    if (instance != nullptr && window != nullptr)
    {
        HID_Stop();
        HID_SetCallback (nullptr, 0, 0, 0);
        HID_Finalize();
        delete window;
        window = nullptr;
    }

    if (instance != nullptr)
    {
        releaseProgramModule (instance);
        instance = nullptr;
    }
}

bool HidUtil::selectDevice()
{
    if (hidNo >= 0)
        return true;

    int numbers[HID_MAX_DEVICES] = {};
    const int count = HID_EnumHIDno (numbers);

    // Another build of the library might report more than it had room for.
    const int listed = count < 0 ? 0 : (count > HID_MAX_DEVICES ? HID_MAX_DEVICES : count);

    for (int i = 0; i < listed; ++i)
    {
        if (numbers[i] < 0)
            continue;

        if (HID_GetDeviceType (numbers[i]) == deviceTypeTable[deviceTypeIndex])
        {
            hidNo = numbers[i];
            return true;
        }
    }

    return false;
}

void HidUtil::removalNotice (int removedHidNo)
{
    const int selected = hidNo;

    if (selected < 0 || removedHidNo != selected)
        return;

    hidNo = -1;

    if (ctrl != nullptr)
        ctrl->deviceRemoved();
}

void HidUtil::arrivalNotice()
{
    // An arrival while a call of the worker may still be inside the library
    // (after a removal during the update, which no arrival changes) is not
    // looked into: the look would wait for that call.
    if (hidNo >= 0 || (ctrl != nullptr && ctrl->mayBeInLibrary()) || ! selectDevice())
        return;

    if (ctrl != nullptr)
        ctrl->deviceArrived();
}

void HidUtil::inputNotice (int reportHidNo, intptr_t param)
{
    const int selected = hidNo;

    if (selected < 0 || reportHidNo != selected)
        return;

    if (ctrl != nullptr)
        ctrl->reportReceived ((int) param);
}

void HidUtil::windowProcedure (unsigned int message, uintptr_t wParam, intptr_t lParam)
{
    auto* session = activeHidUtil;

    if (session == nullptr)
        return;

    switch (message)
    {
        case NotificationWindow::removalMessage: session->removalNotice ((int) wParam); break;
        case NotificationWindow::arrivalMessage: session->arrivalNotice(); break;
        case NotificationWindow::inputMessage: session->inputNotice ((int) wParam, lParam); break;
        default: break;
    }
}
