// What the recording writer needs from the platform: a file that only this
// run writes, each line of which reaches the operating system at once, the
// program's folder, the calling thread, and the local clock.
#pragma once

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>

class RecordingFile
{
public:
    RecordingFile() = default;
    ~RecordingFile();

    RecordingFile (const RecordingFile&) = delete;
    RecordingFile& operator= (const RecordingFile&) = delete;

    // Makes a new file at `path`; false when one is there already or none
    // can be made.
    bool create (const std::string& path);

    // One write of `text`: once it returns true the text is in the file
    // whatever becomes of the process afterwards.
    bool append (const std::string& text);

    bool isOpen() const noexcept { return handle != invalidHandle; }

    // The folder of the running program's executable, without a separator
    // at the end; empty when it cannot be told.
    static std::string programFolder();

    // The folder of the module (shared library, DLL) that holds `address`.
    static std::string moduleFolder (const void* address);

    // A number for the calling thread, the same on every call from it.
    static uint64_t currentThread();

    // The local time of `when`.
    static std::tm localTime (std::time_t when);

    static const char* separator();

    // fopen for a UTF-8 path, which Windows' fopen reads in the ANSI code
    // page: there a folder named in another script would not be found.
    static std::FILE* openStream (const std::string& path, const char* mode);

    // The whole file at `path`; false when it cannot be read.
    static bool readAll (const std::string& path, std::string& text);

    // Writes `size` bytes to a new or emptied file at `path`; false when
    // any of them did not reach it.
    static bool writeAll (const std::string& path, const void* data, std::size_t size);

private:
    static constexpr intptr_t invalidHandle = -1;
    intptr_t handle = invalidHandle;
};
