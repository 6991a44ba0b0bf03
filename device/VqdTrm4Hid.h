// The maker's HID library as this program calls it. Every build of
// libvqdtrm4hid.so (the simulated controller included) exports exactly these
// ten functions with this C ABI.
#pragma once

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(VQDTRM4HID_BUILDING)
 #define VQDTRM4HID_API __attribute__((visibility("default")))
#else
 #define VQDTRM4HID_API
#endif

// The notification "window": the library calls post() from any of its
// threads; the program queues the message and handles it on its message
// thread.
typedef struct HidWindow HidWindow;
struct HidWindow
{
    void (*post)(HidWindow* window, unsigned int message, uintptr_t wParam, intptr_t lParam);
};

enum
{
    HID_MAX_DEVICES = 128,      // room the caller gives HID_EnumHIDno
    HID_REPORT_SIZE = 64        // every input and output report
};

VQDTRM4HID_API void HID_Initialize(void* instance);
VQDTRM4HID_API void HID_SetCallback(HidWindow* window, unsigned int inputMessage,
                                    unsigned int arrivalMessage, unsigned int removalMessage);
VQDTRM4HID_API void HID_Start(void);
VQDTRM4HID_API void HID_Stop(void);
VQDTRM4HID_API void HID_Finalize(void);
VQDTRM4HID_API int HID_EnumHIDno(int* hidNumbers);
VQDTRM4HID_API int HID_GetDeviceType(int hidNo);
VQDTRM4HID_API int HID_GetFirmwareVersion(int deviceType, int* values, int count);
VQDTRM4HID_API int HID_Write(int hidNo, const unsigned char* report, int length);
VQDTRM4HID_API void HID_Input(int hidNo, unsigned char* buffer, int* length);

#ifdef __cplusplus
}
#endif
