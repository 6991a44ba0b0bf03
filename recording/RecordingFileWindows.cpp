#include "recording/RecordingFile.h"
#include "recording/WideTextWindows.h"

#ifndef NOMINMAX
 #define NOMINMAX
#endif
#include <windows.h>

namespace
{
std::string folderOfModule (HMODULE module)
{
    std::wstring path (MAX_PATH, L'\0');
    for (;;)
    {
        const DWORD length = GetModuleFileNameW (module, &path[0], (DWORD) path.size());
        if (length == 0)
            return {};
        if (length < path.size())
        {
            path.resize (length);
            break;
        }
        path.resize (path.size() * 2);
    }
    const auto separator = path.find_last_of (L"\\/");
    return separator == std::wstring::npos ? std::string() : toUtf8 (path.substr (0, separator));
}
} // namespace

std::FILE* RecordingFile::openStream (const std::string& path, const char* mode)
{
    return _wfopen (toWide (path).c_str(), toWide (mode).c_str());
}

RecordingFile::~RecordingFile()
{
    if (isOpen())
        CloseHandle (reinterpret_cast<HANDLE> (handle));
}

bool RecordingFile::create (const std::string& path)
{
    // CREATE_NEW: a file of another run is never reused. Others may read it
    // while it is written.
    HANDLE file = CreateFileW (toWide (path).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                               CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    handle = reinterpret_cast<intptr_t> (file);
    return true;
}

bool RecordingFile::append (const std::string& text)
{
    if (! isOpen())
        return false;
    // WriteFile hands the line to the system at once (nothing is buffered in
    // this process), so it stays in the file if the process dies next.
    DWORD written = 0;
    return WriteFile (reinterpret_cast<HANDLE> (handle), text.data(), (DWORD) text.size(), &written, nullptr) != 0
           && written == text.size();
}

std::string RecordingFile::programFolder()
{
    return folderOfModule (nullptr);
}

std::string RecordingFile::moduleFolder (const void* address)
{
    HMODULE module = nullptr;
    if (! GetModuleHandleExW (GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                              static_cast<LPCWSTR> (address), &module))
        return {};
    return folderOfModule (module);
}

uint64_t RecordingFile::currentThread()
{
    return GetCurrentThreadId();
}

std::tm RecordingFile::localTime (std::time_t when)
{
    std::tm result {};
    localtime_s (&result, &when);
    return result;
}

const char* RecordingFile::separator()
{
    return "\\";
}
