/* A stand-in for the maker's vqdtrm4hid.dll, built in several forms by
   test_vendor_dll.py: each calling convention and naming a real DLL may have,
   and the faulty ones scripts/vendor_dll.py must refuse. Every function does
   something the caller can check with what it was passed.

   FIXTURE_CALL         the calling convention of the ten functions
   FIXTURE_WRITE_CALL   HID_Write's own, for the DLL that mixes two
   FIXTURE_EXPORT       __declspec(dllexport), or empty when a .def file
                        alone says which names are exported
   FIXTURE_WITHOUT_INPUT    leaves HID_Input out
   FIXTURE_WRITE_TAKES_FOUR gives HID_Write a fourth argument the program
                            does not pass
   FIXTURE_THROUGH_TABLE    each function only jumps on through a table of
                            pointers, so that no return instruction is found
                            in its code
   Compiled as C++ the functions get C++ names, as in a DLL whose maker forgot
   extern "C". */
#include <stdint.h>

#include "fixture_behaviour.h"

#ifndef FIXTURE_CALL
 #define FIXTURE_CALL
#endif
#ifndef FIXTURE_WRITE_CALL
 #define FIXTURE_WRITE_CALL FIXTURE_CALL
#endif
#ifndef FIXTURE_EXPORT
 #define FIXTURE_EXPORT __declspec(dllexport)
#endif
#ifdef FIXTURE_WRITE_TAKES_FOUR
 #define WRITE_FOURTH_ARGUMENT , int flags
#else
 #define WRITE_FOURTH_ARGUMENT
#endif

static void* instance;
static void* window;
static unsigned messages[3];
static int started, stopped, finalized;

static void FIXTURE_CALL initialize (void* givenInstance)
{
    instance = givenInstance;
}

static void FIXTURE_CALL set_callback (void* givenWindow, unsigned input, unsigned arrival, unsigned removal)
{
    window = givenWindow;
    messages[0] = input;
    messages[1] = arrival;
    messages[2] = removal;
}

static void FIXTURE_CALL start (void) { ++started; }
static void FIXTURE_CALL stop (void) { ++stopped; }
static void FIXTURE_CALL finalize (void) { ++finalized; }

static int FIXTURE_CALL enum_hid_no (int* numbers)
{
    numbers[0] = (int) (intptr_t) instance;
    numbers[1] = (int) (intptr_t) window;
    numbers[2] = (int) messages[0];
    numbers[3] = (int) messages[1];
    numbers[4] = (int) messages[2];
    numbers[5] = started;
    numbers[6] = stopped;
    numbers[7] = finalized;
    return FIXTURE_ENUM_COUNT;
}

static int FIXTURE_CALL get_device_type (int hidNo)
{
    return fixture_device_type (hidNo);
}

static int FIXTURE_CALL get_firmware_version (int deviceType, int* values, int count)
{
    for (int i = 0; i < count; ++i)
        values[i] = fixture_version (deviceType, i);
    return count;
}

static int FIXTURE_WRITE_CALL write_report (int hidNo, const unsigned char* report, int length)
{
    return fixture_write_result (hidNo, report, length);
}

static void FIXTURE_CALL input_report (int hidNo, unsigned char* buffer, int* length)
{
    for (int i = 0; i < 64; ++i)
        buffer[i] = fixture_input_byte (hidNo, i);
    *length = fixture_input_length (hidNo);
}

#ifdef FIXTURE_THROUGH_TABLE
/* Not static and not const: the compiler must load each pointer when called
   and so ends every exported function in an indirect jump. */
struct Table
{
    void (FIXTURE_CALL* initialize) (void*);
    void (FIXTURE_CALL* set_callback) (void*, unsigned, unsigned, unsigned);
    int (FIXTURE_CALL* enum_hid_no) (int*);
    int (FIXTURE_CALL* get_device_type) (int);
    int (FIXTURE_CALL* get_firmware_version) (int, int*, int);
    int (FIXTURE_WRITE_CALL* write_report) (int, const unsigned char*, int);
    void (FIXTURE_CALL* input_report) (int, unsigned char*, int*);
} fixture_table = { initialize, set_callback, enum_hid_no, get_device_type, get_firmware_version, write_report,
                    input_report };
 #define THROUGH(name) fixture_table.name
#else
 #define THROUGH(name) name
#endif

FIXTURE_EXPORT void FIXTURE_CALL HID_Initialize (void* instance)
{
    THROUGH (initialize)
    (instance);
}

FIXTURE_EXPORT void FIXTURE_CALL HID_SetCallback (void* window, unsigned input, unsigned arrival, unsigned removal)
{
    THROUGH (set_callback)
    (window, input, arrival, removal);
}

FIXTURE_EXPORT void FIXTURE_CALL HID_Start (void) { start(); }
FIXTURE_EXPORT void FIXTURE_CALL HID_Stop (void) { stop(); }
FIXTURE_EXPORT void FIXTURE_CALL HID_Finalize (void) { finalize(); }

FIXTURE_EXPORT int FIXTURE_CALL HID_EnumHIDno (int* numbers)
{
    return THROUGH (enum_hid_no) (numbers);
}

FIXTURE_EXPORT int FIXTURE_CALL HID_GetDeviceType (int hidNo)
{
    return THROUGH (get_device_type) (hidNo);
}

FIXTURE_EXPORT int FIXTURE_CALL HID_GetFirmwareVersion (int deviceType, int* values, int count)
{
    return THROUGH (get_firmware_version) (deviceType, values, count);
}

FIXTURE_EXPORT int FIXTURE_WRITE_CALL HID_Write (int hidNo, const unsigned char* report,
                                                 int length WRITE_FOURTH_ARGUMENT)
{
    return THROUGH (write_report) (hidNo, report, length);
}

#ifndef FIXTURE_WITHOUT_INPUT
FIXTURE_EXPORT void FIXTURE_CALL HID_Input (int hidNo, unsigned char* buffer, int* length)
{
    THROUGH (input_report)
    (hidNo, buffer, length);
}
#endif
