#include "recording/RecordingFile.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <climits>

namespace
{
std::string folderOf (const std::string& path)
{
    const auto slash = path.rfind ('/');
    if (slash == std::string::npos)
        return {};
    return slash == 0 ? std::string ("/") : path.substr (0, slash);
}
} // namespace

std::FILE* RecordingFile::openStream (const std::string& path, const char* mode)
{
    return std::fopen (path.c_str(), mode);
}

RecordingFile::~RecordingFile()
{
    if (isOpen())
        ::close (static_cast<int> (handle));
}

bool RecordingFile::create (const std::string& path)
{
    // O_EXCL: a file of another run (or another process) is never reused.
    const int fd = ::open (path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    handle = fd;
    return true;
}

bool RecordingFile::append (const std::string& text)
{
    if (! isOpen())
        return false;
    // A regular file takes the whole line in one write; the kernel keeps it
    // if the process dies right after.
    const ssize_t written = ::write (static_cast<int> (handle), text.data(), text.size());
    return written == static_cast<ssize_t> (text.size());
}

std::string RecordingFile::programFolder()
{
    char path[PATH_MAX + 1] = {};
    const ssize_t length = ::readlink ("/proc/self/exe", path, PATH_MAX);
    if (length <= 0)
        return {};
    return folderOf (std::string (path, static_cast<size_t> (length)));
}

std::string RecordingFile::moduleFolder (const void* address)
{
    Dl_info info {};
    if (::dladdr (address, &info) == 0 || info.dli_fname == nullptr)
        return {};
    char resolved[PATH_MAX + 1] = {};
    if (::realpath (info.dli_fname, resolved) == nullptr)
        return folderOf (info.dli_fname);
    return folderOf (resolved);
}

uint64_t RecordingFile::currentThread()
{
    return static_cast<uint64_t> (::syscall (SYS_gettid));
}

std::tm RecordingFile::localTime (std::time_t when)
{
    std::tm result {};
    ::localtime_r (&when, &result);
    return result;
}

const char* RecordingFile::separator()
{
    return "/";
}
