/* The program's side of a stand-in DLL (hid_fixture.c): declares the ten
   functions exactly as the program does, through device/VqdTrm4Hid.h, links
   the import library scripts/vendor_dll.py made from the DLL, and calls them
   round after round with changing arguments. Every result depends on what
   the DLL received, and after every call the stack pointer must be where it
   was when main() started: a wrong calling convention moves it by the
   argument bytes at the first call.

   Built with -DVQDTRM4HID_STDCALL for the x86 build with VQD_HID_STDCALL=ON.
   "caller ROUNDS relayed" runs with the recording library in between, which
   hands the DLL a window of its own in place of the program's.
   Prints "ok: ..." and exits 0, or says what went wrong and exits 1. */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "device/VqdTrm4Hid.h"

#include "fixture_behaviour.h"

/* Where the stack pointer stands. */
#if defined(__x86_64__)
 #define READ_STACK_POINTER(into) __asm__ volatile("mov %%rsp, %0" \
                                                   : "=r"(into)    \
                                                   :               \
                                                   : "memory")
#else
 #define READ_STACK_POINTER(into) __asm__ volatile("mov %%esp, %0" \
                                                   : "=r"(into)    \
                                                   :               \
                                                   : "memory")
#endif

/* Kept off the stack, which a wrong convention overwrites. Built with
   -maccumulate-outgoing-args on x86, the caller's own stack pointer stays
   where it is all through main(), so any move after a call is the callee's. */
static uintptr_t firstStackPointer;
static int rounds, round, failedRound = -1;
static char failure[256];

#define CHECK(condition, ...)                       \
 do                                                 \
 {                                                  \
  if (! (condition))                                \
  {                                                 \
   snprintf (failure, sizeof failure, __VA_ARGS__); \
   failedRound = round;                             \
   goto done;                                       \
  }                                                 \
 }                                                  \
 while (0)

/* Makes one call and checks that the stack pointer is back where it was. */
#define CALLED(function, call)                                                                   \
 do                                                                                              \
 {                                                                                               \
  call;                                                                                          \
  uintptr_t stackPointer;                                                                        \
  READ_STACK_POINTER (stackPointer);                                                             \
  CHECK (stackPointer == firstStackPointer, "the stack pointer moved by %ld bytes in " function, \
         (long) (stackPointer - firstStackPointer));                                             \
 }                                                                                               \
 while (0)

int main (int argc, char** argv)
{
    rounds = argc > 1 ? atoi (argv[1]) : 20000;
    const int relayed = argc > 2 && strcmp (argv[2], "relayed") == 0;
    READ_STACK_POINTER (firstStackPointer);
    int started = 0, stopped = 0, finalized = 0;

    for (round = 0; round < rounds; ++round)
    {
        const int hidNo = round % 127 + 1;
        const uintptr_t instance = 0x10000 + (uintptr_t) round * 16;
        const uintptr_t window = 0x20000 + (uintptr_t) round * 8;
        const unsigned input = 0x401u + (unsigned) round, arrival = 0x402u + 2u * (unsigned) round,
                       removal = 0x403u + 3u * (unsigned) round;

        CALLED ("HID_Initialize", HID_Initialize ((HidInstanceHandle) instance));
        CALLED ("HID_SetCallback", HID_SetCallback ((HidWindowHandle) window, input, arrival, removal));
        CALLED ("HID_Start", HID_Start());
        ++started;
        if (round % 2 == 0)
        {
            CALLED ("HID_Stop", HID_Stop());
            ++stopped;
        }
        if (round % 3 == 0)
        {
            CALLED ("HID_Finalize", HID_Finalize());
            ++finalized;
        }

        int numbers[HID_MAX_DEVICES];
        memset (numbers, 0xa5, sizeof numbers);
        int count;
        CALLED ("HID_EnumHIDno", count = HID_EnumHIDno (numbers));
        CHECK (count == FIXTURE_ENUM_COUNT, "HID_EnumHIDno returned %d", count);
        CHECK (numbers[0] == (int) instance, "HID_Initialize got instance 0x%x, passed 0x%x", numbers[0], (int) instance);
        CHECK (relayed || numbers[1] == (int) window, "HID_SetCallback got window 0x%x, passed 0x%x", numbers[1], (int) window);
        CHECK (numbers[2] == (int) input && numbers[3] == (int) arrival && numbers[4] == (int) removal,
               "HID_SetCallback got messages 0x%x 0x%x 0x%x, passed 0x%x 0x%x 0x%x", numbers[2], numbers[3], numbers[4],
               input, arrival, removal);
        CHECK (numbers[5] == started && numbers[6] == stopped && numbers[7] == finalized,
               "HID_Start/Stop/Finalize ran %d/%d/%d times, called %d/%d/%d", numbers[5], numbers[6], numbers[7],
               started, stopped, finalized);
        CHECK (numbers[FIXTURE_ENUM_COUNT] == (int) 0xa5a5a5a5, "HID_EnumHIDno wrote past its count");

        int deviceType;
        CALLED ("HID_GetDeviceType", deviceType = HID_GetDeviceType (hidNo));
        CHECK (deviceType == fixture_device_type (hidNo), "HID_GetDeviceType(%d) returned %d", hidNo, deviceType);

        int values[9];
        const int wanted = 1 + round % 8;
        values[wanted] = -12345;
        int versions;
        CALLED ("HID_GetFirmwareVersion", versions = HID_GetFirmwareVersion (deviceType, values, wanted));
        CHECK (versions == wanted, "HID_GetFirmwareVersion returned %d for %d values", versions, wanted);
        for (int i = 0; i < wanted; ++i)
            CHECK (values[i] == fixture_version (deviceType, i), "HID_GetFirmwareVersion value %d is %d", i, values[i]);
        CHECK (values[wanted] == -12345, "HID_GetFirmwareVersion wrote past its count");

        unsigned char report[HID_REPORT_SIZE];
        const int length = 1 + round % HID_REPORT_SIZE;
        for (int i = 0; i < HID_REPORT_SIZE; ++i)
            report[i] = (unsigned char) (round * 13 + i * 7);
        int written;
        CALLED ("HID_Write", written = HID_Write (hidNo, report, length));
        CHECK (written == fixture_write_result (hidNo, report, length), "HID_Write(%d, report, %d) returned 0x%x", hidNo,
               length, written);

        unsigned char buffer[HID_REPORT_SIZE + 1];
        buffer[HID_REPORT_SIZE] = 0x5a;
        int inputLength = -1;
        CALLED ("HID_Input", HID_Input (hidNo, buffer, &inputLength));
        CHECK (inputLength == fixture_input_length (hidNo), "HID_Input(%d) gave length %d", hidNo, inputLength);
        for (int i = 0; i < HID_REPORT_SIZE; ++i)
            CHECK (buffer[i] == fixture_input_byte (hidNo, i), "HID_Input(%d) byte %d is %d", hidNo, i, buffer[i]);
        CHECK (buffer[HID_REPORT_SIZE] == 0x5a, "HID_Input wrote past the report");
    }

    {
        uintptr_t stackPointer;
        READ_STACK_POINTER (stackPointer);
        if (stackPointer != firstStackPointer)
        {
            snprintf (failure, sizeof failure, "the stack pointer moved by %ld bytes",
                      (long) (stackPointer - firstStackPointer));
            failedRound = round;
        }
    }

done:
    if (failedRound >= 0)
    {
        printf ("FAILED in round %d of %d: %s\n", failedRound + 1, rounds, failure);
        return 1;
    }
    printf ("ok: %d rounds of the ten functions, every argument and result as passed, stack pointer unchanged\n",
            rounds);
    return 0;
}
