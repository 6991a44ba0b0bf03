#include "recorder/MakerLibrary.h"

#include "recording/RecordingFile.h"

#include <dlfcn.h>
#include <sys/stat.h>

namespace
{
// Finds `name` in the library; false, naming it in `missing`, when it is not
// there.
template <typename Function>
bool resolve (void* library, const char* name, Function& function, std::string& missing)
{
    function = reinterpret_cast<Function> (::dlsym (library, name));
    if (function != nullptr)
        return true;
    missing += std::string (missing.empty() ? "" : ", ") + name;
    return false;
}
} // namespace

const char* MakerLibrary::fileName()
{
    return "libvqdtrm4hid_maker.so";
}

bool MakerLibrary::load (const void* besideAddress, std::string& problem)
{
    const std::string path = RecordingFile::moduleFolder (besideAddress) + "/" + fileName();

    struct stat status
    {};
    if (::stat (path.c_str(), &status) == 0)
        fileSize = std::to_string (static_cast<long long> (status.st_size));

    // RTLD_LOCAL: its functions, which carry the same names as ours, are
    // reached only through this handle and never take the place of ours.
    void* library = ::dlopen (path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr)
    {
        // The recording is sent to us: it names the file, never the user's
        // folders, which dlerror() starts with.
        const char* why = ::dlerror();
        std::string reason = why != nullptr ? why : "no reason given";
        for (std::size_t at; (at = reason.find (path)) != std::string::npos;)
            reason.replace (at, path.size(), fileName());
        problem = std::string ("the maker's library ") + fileName() + " could not be loaded: " + reason;
        return false;
    }

    Functions all;
    std::string missing;
    resolve (library, "HID_Initialize", all.initialize, missing);
    resolve (library, "HID_SetCallback", all.setCallback, missing);
    resolve (library, "HID_Start", all.start, missing);
    resolve (library, "HID_Stop", all.stop, missing);
    resolve (library, "HID_Finalize", all.finalize, missing);
    resolve (library, "HID_EnumHIDno", all.enumHidNo, missing);
    resolve (library, "HID_GetDeviceType", all.getDeviceType, missing);
    resolve (library, "HID_GetFirmwareVersion", all.getFirmwareVersion, missing);
    resolve (library, "HID_Write", all.write, missing);
    resolve (library, "HID_Input", all.input, missing);
    if (! missing.empty())
    {
        problem = std::string ("the maker's library ") + fileName() + " lacks " + missing;
        ::dlclose (library);
        return false;
    }

    found = all;
    loaded = true;
    return true;
}
