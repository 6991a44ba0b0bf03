#include "update/RegularFile.h"

#ifndef NOMINMAX
 #define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>
#include <limits>

namespace
{
// Full sharing: the program only reads, and must not stop anybody else from
// writing, renaming or deleting the file meanwhile. A name that is not a
// file on a disk (a pipe, a console, a device) or is a directory is refused
// before anything is read.
HANDLE openRegularFile (const juce::String& path)
{
    const HANDLE file = CreateFileW (path.toWideCharPointer(), GENERIC_READ,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);

    if (file == INVALID_HANDLE_VALUE)
        return INVALID_HANDLE_VALUE;

    BY_HANDLE_FILE_INFORMATION info {};

    if (GetFileType (file) != FILE_TYPE_DISK
        || ! GetFileInformationByHandle (file, &info)
        || (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
    {
        CloseHandle (file);
        return INVALID_HANDLE_VALUE;
    }

    return file;
}

// Reads up to `length` bytes from the start; returns the bytes read, or -1.
int64_t readAll (HANDLE file, uint8_t* buffer, size_t length)
{
    size_t done = 0;

    while (done < length)
    {
        const auto chunk = (DWORD) std::min<size_t> (length - done, std::numeric_limits<DWORD>::max() / 2);
        DWORD count = 0;

        if (! ReadFile (file, buffer + done, chunk, &count, nullptr))
            return -1;

        if (count == 0)
            break;

        done += count;
    }

    return (int64_t) done;
}
} // namespace

RegularFileRead readRegularFile (const juce::String& path, int64_t expectedSize, std::vector<uint8_t>& content)
{
    content.clear();

    const HANDLE file = openRegularFile (path);

    if (file == INVALID_HANDLE_VALUE)
        return RegularFileRead::unreadable;

    LARGE_INTEGER size {};

    if (! GetFileSizeEx (file, &size))
    {
        CloseHandle (file);
        return RegularFileRead::unreadable;
    }

    if ((int64_t) size.QuadPart != expectedSize)
    {
        CloseHandle (file);
        return RegularFileRead::wrongSize;
    }

    content.resize ((size_t) expectedSize + 1);
    const auto count = readAll (file, content.data(), content.size());
    CloseHandle (file);

    if (count != expectedSize)
    {
        content.clear();
        return count < 0 ? RegularFileRead::unreadable : RegularFileRead::wrongSize;
    }

    content.resize ((size_t) expectedSize);
    return RegularFileRead::ok;
}
