#include "recorder/MakerLibrary.h"

#include "recording/RecordingFile.h"
#include "recording/WideTextWindows.h"

#ifndef NOMINMAX
 #define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>
#include <iterator>
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

// Every name the loaded library exports, read from its export table in
// memory (the loader has mapped and checked it).
std::vector<std::string> exportedNames (HMODULE library)
{
    std::vector<std::string> names;
    const auto* base = reinterpret_cast<const unsigned char*> (library);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*> (base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*> (base + dos->e_lfanew);
    if (nt->OptionalHeader.NumberOfRvaAndSizes <= IMAGE_DIRECTORY_ENTRY_EXPORT)
        return names;
    const IMAGE_DATA_DIRECTORY& directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    if (directory.VirtualAddress == 0 || directory.Size == 0)
        return names;
    const auto* exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*> (base + directory.VirtualAddress);
    const auto* nameAddresses = reinterpret_cast<const DWORD*> (base + exports->AddressOfNames);
    for (DWORD i = 0; i < exports->NumberOfNames; ++i)
        names.emplace_back (reinterpret_cast<const char*> (base + nameAddresses[i]));
    return names;
}

// One exported name of a function, in each form the maker's-DLL check
// accepts: plain (HID_Write), stdcall-decorated as MSVC (_HID_Write@12) or
// MinGW (HID_Write@12) does it, or cdecl with a leading underscore
// (_HID_Write). On x86 a decoration says the convention, and its @N the
// argument bytes; on x64 there is one convention and a decoration says
// nothing.
struct ExportForm
{
    enum Kind
    {
        none,
        plain,
        stdcallMsvc,
        stdcallMingw,
        cdeclUnderscore
    } kind = none;
    int argumentBytes = -1;
};

ExportForm formOf (const std::string& name, const std::string& function)
{
    if (name == function)
        return { ExportForm::plain };
    if (name == "_" + function)
        return { ExportForm::cdeclUnderscore };
    const bool underscore = name.size() > function.size() + 1 && name[0] == '_' && name.compare (1, function.size(), function) == 0;
    const bool bare = name.size() > function.size() && name.compare (0, function.size(), function) == 0;
    const size_t at = underscore ? function.size() + 1 : function.size();
    if ((! underscore && ! bare) || at >= name.size() || name[at] != '@' || at + 1 == name.size() || at + 6 < name.size())
        return {};
    int bytes = 0;
    for (size_t i = at + 1; i < name.size(); ++i)
    {
        if (name[i] < '0' || name[i] > '9')
            return {};
        bytes = bytes * 10 + (name[i] - '0');
    }
    return { underscore ? ExportForm::stdcallMsvc : ExportForm::stdcallMingw, bytes };
}

// Finds a function under whichever of those names the library exports and
// this build can call: on x86 a decorated name must say this build's
// convention and the argument bytes the program passes. Says in `missing`
// why a function cannot be used.
template <typename Function>
bool resolve (HMODULE library, const std::vector<std::string>& exported, const char* name, int argumentBytes,
              Function& function, std::string& missing)
{
#if defined(_WIN64)
    // Plain first, as the check binds it; a decoration says nothing here.
    const ExportForm::Kind order[] = { ExportForm::plain, ExportForm::stdcallMsvc, ExportForm::stdcallMingw,
                                       ExportForm::cdeclUnderscore };
    const bool sizeSays = false;
    const char* const why = "";
#elif defined(VQDTRM4HID_STDCALL)
    const ExportForm::Kind order[] = { ExportForm::stdcallMingw, ExportForm::stdcallMsvc, ExportForm::plain };
    const bool sizeSays = true;
    const char* const why = " (exported only as __cdecl, this recorder is built for __stdcall)";
#else
    const ExportForm::Kind order[] = { ExportForm::plain, ExportForm::cdeclUnderscore };
    const bool sizeSays = true;
    const char* const why = " (exported only as __stdcall, this recorder is built for __cdecl)";
#endif
    const std::string plainName (name);
    std::string chosen, wrongSize;
    bool otherConvention = false;
    for (const ExportForm::Kind wanted : order)
        for (const std::string& candidate : exported)
        {
            const ExportForm form = formOf (candidate, plainName);
            if (form.kind != wanted || ! chosen.empty())
                continue;
            if (sizeSays && form.argumentBytes >= 0 && form.argumentBytes != argumentBytes)
                wrongSize = candidate;
            else
                chosen = candidate;
        }
    for (const std::string& candidate : exported)
    {
        const ExportForm::Kind kind = formOf (candidate, plainName).kind;
        otherConvention = otherConvention
                          || (kind != ExportForm::none && std::find (std::begin (order), std::end (order), kind) == std::end (order));
    }

    if (! chosen.empty())
        function = reinterpret_cast<Function> (reinterpret_cast<void*> (GetProcAddress (library, chosen.c_str())));
    if (function != nullptr)
        return true;
    missing += (missing.empty() ? "" : ", ") + plainName;
    if (! wrongSize.empty())
        missing += " (exported as " + wrongSize + ", not with the " + std::to_string (argumentBytes)
                   + " bytes of arguments the program passes)";
    else if (otherConvention)
        missing += why;
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
    const std::vector<std::string> exported = exportedNames (library);
    resolve (library, exported, "HID_Initialize", 4, all.initialize, missing);
    resolve (library, exported, "HID_SetCallback", 16, all.setCallback, missing);
    resolve (library, exported, "HID_Start", 0, all.start, missing);
    resolve (library, exported, "HID_Stop", 0, all.stop, missing);
    resolve (library, exported, "HID_Finalize", 0, all.finalize, missing);
    resolve (library, exported, "HID_EnumHIDno", 4, all.enumHidNo, missing);
    resolve (library, exported, "HID_GetDeviceType", 4, all.getDeviceType, missing);
    resolve (library, exported, "HID_GetFirmwareVersion", 12, all.getFirmwareVersion, missing);
    resolve (library, exported, "HID_Write", 12, all.write, missing);
    resolve (library, exported, "HID_Input", 12, all.input, missing);
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
