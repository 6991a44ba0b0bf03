#include "sim/NoticeTarget.h"

#ifndef NOMINMAX
 #define NOMINMAX
#endif
#include <windows.h>

namespace vqdsim
{
namespace detail
{

bool postNotice (HidWindowHandle window, unsigned int message, uintptr_t wParam, intptr_t lParam)
{
    // PostMessage only queues: the window procedure runs later on the thread
    // that created the window, never on this one.
    return window != nullptr && PostMessageW (window, message, static_cast<WPARAM> (wParam), static_cast<LPARAM> (lParam)) != 0;
}

bool sendNotice (HidWindowHandle window, unsigned int message, uintptr_t wParam, intptr_t lParam)
{
    // Runs the window procedure on the window's own thread and waits for it:
    // this thread stays blocked for as long as that thread does not look at
    // its messages.
    if (window == nullptr)
        return false;
    SendMessageW (window, message, static_cast<WPARAM> (wParam), static_cast<LPARAM> (lParam));
    return true;
}

bool appendToFile (const std::string& path, const std::string& line)
{
    // FILE_APPEND_DATA alone makes every write go to the end, so several runs
    // (and processes) can share one log. Full sharing lets a test read it
    // while the program runs.
    const int wideLength = MultiByteToWideChar (CP_UTF8, 0, path.c_str(), -1, nullptr, 0);
    if (wideLength <= 0)
        return false;

    std::wstring widePath (static_cast<size_t> (wideLength), L'\0');
    MultiByteToWideChar (CP_UTF8, 0, path.c_str(), -1, &widePath[0], wideLength);

    HANDLE file = CreateFileW (widePath.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;

    DWORD written = 0;
    const bool ok = WriteFile (file, line.data(), static_cast<DWORD> (line.size()), &written, nullptr) != 0
                    && written == line.size();
    CloseHandle (file);
    return ok;
}

} // namespace detail
} // namespace vqdsim
