/* What the stand-in DLLs compute from their arguments, shared by the DLLs
   (hid_fixture.c) and the program that calls them (caller.c), so that the
   caller sees at once when an argument did not arrive as it was passed. */
#pragma once

static inline int fixture_device_type (int hidNo)
{
    return hidNo * 7 + 3;
}

static inline int fixture_version (int deviceType, int index)
{
    return deviceType * 100 + index;
}

/* Depends on every byte of the report, so a shifted pointer or length shows. */
static inline int fixture_write_result (int hidNo, const unsigned char* report, int length)
{
    unsigned sum = 0;
    for (int i = 0; i < length; ++i)
        sum = sum * 31u + report[i];
    return (int) ((sum & 0xfffffu) ^ ((unsigned) hidNo << 20) ^ ((unsigned) length << 24));
}

static inline unsigned char fixture_input_byte (int hidNo, int index)
{
    return (unsigned char) (hidNo * 3 + index * 5 + 1);
}

static inline int fixture_input_length (int hidNo)
{
    return 1 + hidNo % 64;
}

/* How many values HID_EnumHIDno writes: what HID_Initialize, HID_SetCallback,
   HID_Start, HID_Stop and HID_Finalize were given and how often they ran. */
enum
{
    FIXTURE_ENUM_COUNT = 8
};
