#include "recorder/MakerLibrary.h"

#include "recording/RecordingFile.h"
#include "recording/WideTextWindows.h"

#ifndef NOMINMAX
 #define NOMINMAX
#endif
#include <windows.h>

#include <vector>

namespace
{
// "1.2.0.3" from the file's fixed version information.
std::string versionOf (const std::wstring& path)
{
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW (path.c_str(), &ignored);
    if (size == 0)
        return "unknown";
    std::vector<unsigned char> data (size);
    VS_FIXEDFILEINFO* info = nullptr;
    UINT infoLength = 0;
    if (! GetFileVersionInfoW (path.c_str(), 0, size, data.data())
        || ! VerQueryValueW (data.data(), L"\\", reinterpret_cast<void**> (&info), &infoLength) || info == nullptr
        || infoLength < sizeof (VS_FIXEDFILEINFO))
        return "unknown";
    return std::to_string (HIWORD (info->dwFileVersionMS)) + "." + std::to_string (LOWORD (info->dwFileVersionMS)) + "."
           + std::to_string (HIWORD (info->dwFileVersionLS)) + "." + std::to_string (LOWORD (info->dwFileVersionLS));
}

std::string sizeOf (const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA attributes {};
    if (! GetFileAttributesExW (path.c_str(), GetFileExInfoStandard, &attributes))
        return "unknown";
    const unsigned long long size = ((unsigned long long) attributes.nFileSizeHigh << 32) | attributes.nFileSizeLow;
    return std::to_string (size);
}

// Finds a function by its plain name. A 32-bit DLL may export it only
// decorated, in every form the maker's-DLL check accepts: for __stdcall
// MSVC's way (_HID_Write@12) or MinGW's (HID_Write@12), for __cdecl with
// the leading underscore (_HID_Write). The decorated name says the
// convention, which must be this build's.
template <typename Function>
bool resolve (HMODULE library, const char* name, int argumentBytes, Function& function, std::string& missing)
{
    FARPROC address = GetProcAddress (library, name);
#if defined(_WIN32) && ! defined(_WIN64)
    const std::string decorated = std::string (name) + "@" + std::to_string (argumentBytes);
    FARPROC stdcallAddress = nullptr;
    FARPROC cdeclAddress = nullptr;
    if (address == nullptr)
        stdcallAddress = GetProcAddress (library, ("_" + decorated).c_str());
    if (address == nullptr && stdcallAddress == nullptr)
        stdcallAddress = GetProcAddress (library, decorated.c_str());
    if (address == nullptr && stdcallAddress == nullptr)
        cdeclAddress = GetProcAddress (library, (std::string ("_") + name).c_str());
 #if defined(VQDTRM4HID_STDCALL)
    const FARPROC ours = stdcallAddress;
    const FARPROC theirs = cdeclAddress;
    const char* const why = " (exported only as __cdecl, this recorder is built for __stdcall)";
 #else
    const FARPROC ours = cdeclAddress;
    const FARPROC theirs = stdcallAddress;
    const char* const why = " (exported only as __stdcall, this recorder is built for __cdecl)";
 #endif
    if (address == nullptr)
        address = ours;
    if (address == nullptr && theirs != nullptr)
    {
        missing += std::string (missing.empty() ? "" : ", ") + name + why;
        return false;
    }
#else
    (void) argumentBytes;
#endif
    function = reinterpret_cast<Function> (reinterpret_cast<void*> (address));
    if (function != nullptr)
        return true;
    missing += std::string (missing.empty() ? "" : ", ") + name;
    return false;
}
} // namespace

const char* MakerLibrary::fileName()
{
    return "vqdtrm4hid_maker.dll";
}

bool MakerLibrary::load (const void* besideAddress, std::string& problem)
{
    const std::string folder = RecordingFile::moduleFolder (besideAddress);
    const std::string path = folder + "\\" + fileName();
    const std::wstring widePath = toWide (path);

    if (GetFileAttributesW (widePath.c_str()) == INVALID_FILE_ATTRIBUTES)
    {
        problem = std::string ("the maker's library ") + fileName() + " is missing";
        return false;
    }
    fileSize = sizeOf (widePath);
    fileVersion = versionOf (widePath);

    // By its full path: never another copy from the search path. The DLLs it
    // needs itself are looked for in its own folder first. (What goes into
    // the recording names the file alone: its folder may hold the user's
    // name.)
    HMODULE library = LoadLibraryExW (widePath.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (library == nullptr)
    {
        problem = std::string ("the maker's library ") + fileName() + " could not be loaded (error " + std::to_string (GetLastError()) + ")";
        return false;
    }

    Functions all;
    std::string missing;
    resolve (library, "HID_Initialize", 4, all.initialize, missing);
    resolve (library, "HID_SetCallback", 16, all.setCallback, missing);
    resolve (library, "HID_Start", 0, all.start, missing);
    resolve (library, "HID_Stop", 0, all.stop, missing);
    resolve (library, "HID_Finalize", 0, all.finalize, missing);
    resolve (library, "HID_EnumHIDno", 4, all.enumHidNo, missing);
    resolve (library, "HID_GetDeviceType", 4, all.getDeviceType, missing);
    resolve (library, "HID_GetFirmwareVersion", 12, all.getFirmwareVersion, missing);
    resolve (library, "HID_Write", 12, all.write, missing);
    resolve (library, "HID_Input", 12, all.input, missing);
    if (! missing.empty())
    {
        problem = std::string ("the maker's library ") + fileName() + " lacks " + missing;
        FreeLibrary (library);
        return false;
    }

    found = all;
    loaded = true;
    return true;
}
