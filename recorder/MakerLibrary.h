// The maker's own HID library, renamed so that the recorder can stand in its
// place (vqdtrm4hid_maker.dll, libvqdtrm4hid_maker.so): loaded from the
// recorder's own folder, never from the search path, and its ten functions
// found by name. How differs by platform (MakerLibraryLinux.cpp,
// MakerLibraryWindows.cpp).
#pragma once

#include "device/VqdTrm4Hid.h"

#include <string>

class MakerLibrary
{
public:
    struct Functions
    {
        void (VQDTRM4HID_CALL* initialize) (HidInstanceHandle) = nullptr;
        void (VQDTRM4HID_CALL* setCallback) (HidWindowHandle, unsigned int, unsigned int, unsigned int) = nullptr;
        void (VQDTRM4HID_CALL* start)() = nullptr;
        void (VQDTRM4HID_CALL* stop)() = nullptr;
        void (VQDTRM4HID_CALL* finalize)() = nullptr;
        int (VQDTRM4HID_CALL* enumHidNo) (int*) = nullptr;
        int (VQDTRM4HID_CALL* getDeviceType) (int) = nullptr;
        int (VQDTRM4HID_CALL* getFirmwareVersion) (int, int*, int) = nullptr;
        int (VQDTRM4HID_CALL* write) (int, const unsigned char*, int) = nullptr;
        void (VQDTRM4HID_CALL* input) (int, unsigned char*, int*) = nullptr;
    };

    // The library's file name, as the recording's header names it.
    static const char* fileName();

    // Loads the library that lies beside the module holding `besideAddress`
    // and finds every function. False, saying why in `problem`, when the
    // file is missing, does not load or lacks a function: then none of it
    // is used.
    bool load (const void* besideAddress, std::string& problem);

    bool isLoaded() const noexcept { return loaded; }
    const Functions& functions() const noexcept { return found; }

    // For the header: the version from the library's version resource and
    // the size of its file, "unknown" when they cannot be read.
    std::string version() const { return fileVersion; }
    std::string size() const { return fileSize; }

private:
    Functions found;
    bool loaded = false;
    std::string fileVersion = "unknown";
    std::string fileSize = "unknown";
};
