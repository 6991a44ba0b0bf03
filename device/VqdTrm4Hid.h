// The maker's HID library as this program calls it. Every build of the
// library (vqdtrm4hid.dll on Windows, libvqdtrm4hid.so here on Linux, the
// simulated controller included) exports exactly these ten functions with
// this C ABI, by their plain names.
//
// The two platforms differ only in the two handles: on Windows the library
// gets the program's module handle and posts its notices with PostMessage to
// a real hidden window; on Linux there is no window system message queue to
// post to, so the "window" is a small struct whose post() the library calls.
#pragma once

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

// On Windows, x64 has one calling convention, and both keywords below mean
// it. On x86 the maker's DLL decides, and a mismatch corrupts the stack at
// the first call: __cdecl by default; a __stdcall DLL needs the build with
// VQD_HID_STDCALL=ON, which defines VQDTRM4HID_STDCALL. The convention also
// decorates the names the program imports (_HID_Write against
// _HID_Write@12): a build against the maker's own DLL links an import
// library made from the names that DLL really exports
// (scripts/check-vendor-dll.sh says which build fits it). The recording
// library built for such a DLL exports that DLL's own names, which a .def
// file gives (VQDTRM4HID_EXPORTS_BY_DEF): nothing else is exported then.
#if defined(_WIN32)
 #if defined(VQDTRM4HID_STDCALL)
  #define VQDTRM4HID_CALL __stdcall
 #else
  #define VQDTRM4HID_CALL __cdecl
 #endif
 #if defined(VQDTRM4HID_BUILDING) && defined(VQDTRM4HID_EXPORTS_BY_DEF)
  #define VQDTRM4HID_API
 #elif defined(VQDTRM4HID_BUILDING)
  #define VQDTRM4HID_API __declspec(dllexport)
 #else
  #define VQDTRM4HID_API __declspec(dllimport)
 #endif

// The same types as windows.h's HWND and HINSTANCE (STRICT), declared here
// so that every user of the library does not pull in windows.h.
typedef struct HWND__* HidWindowHandle;
typedef struct HINSTANCE__* HidInstanceHandle;
#else
 #define VQDTRM4HID_CALL
 #if defined(VQDTRM4HID_BUILDING)
  #define VQDTRM4HID_API __attribute__ ((visibility ("default")))
 #else
  #define VQDTRM4HID_API
 #endif

// The notification "window": the library calls post() from any of its
// threads; the program queues the message and handles it on its message
// thread.
typedef struct HidWindow HidWindow;
struct HidWindow
{
    void (*post) (HidWindow* window, unsigned int message, uintptr_t wParam, intptr_t lParam);
};

typedef HidWindow* HidWindowHandle;
typedef void* HidInstanceHandle;
#endif

enum
{
    HID_MAX_DEVICES = 128,         // room the caller gives HID_EnumHIDno
    HID_REPORT_SIZE = 64,          // every input and output report
    HID_DEVICE_TYPE_VQDTRM4 = 0x38 // what HID_GetDeviceType says of the controller
};

VQDTRM4HID_API void VQDTRM4HID_CALL HID_Initialize (HidInstanceHandle instance);
VQDTRM4HID_API void VQDTRM4HID_CALL HID_SetCallback (HidWindowHandle window, unsigned int inputMessage,
                                                     unsigned int arrivalMessage, unsigned int removalMessage);
VQDTRM4HID_API void VQDTRM4HID_CALL HID_Start (void);
VQDTRM4HID_API void VQDTRM4HID_CALL HID_Stop (void);
VQDTRM4HID_API void VQDTRM4HID_CALL HID_Finalize (void);
VQDTRM4HID_API int VQDTRM4HID_CALL HID_EnumHIDno (int* hidNumbers);
VQDTRM4HID_API int VQDTRM4HID_CALL HID_GetDeviceType (int hidNo);
VQDTRM4HID_API int VQDTRM4HID_CALL HID_GetFirmwareVersion (int deviceType, int* values, int count);
VQDTRM4HID_API int VQDTRM4HID_CALL HID_Write (int hidNo, const unsigned char* report, int length);
VQDTRM4HID_API void VQDTRM4HID_CALL HID_Input (int hidNo, unsigned char* buffer, int* length);

#ifdef __cplusplus
}
#endif
