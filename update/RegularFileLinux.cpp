#include "update/RegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace
{
// O_NONBLOCK keeps the open itself from waiting for a writer when the name
// is a FIFO; the type check then refuses it before anything is read.
int openRegularFile (const juce::String& path, struct stat& info)
{
    const int fd = ::open (path.toRawUTF8(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);

    if (fd < 0)
        return -1;

    if (fstat (fd, &info) != 0 || ! S_ISREG (info.st_mode))
    {
        ::close (fd);
        return -1;
    }

    return fd;
}

// Reads up to `length` bytes from the start; returns the bytes read, or -1.
int64_t readAll (int fd, uint8_t* buffer, size_t length)
{
    size_t done = 0;

    while (done < length)
    {
        const auto count = ::pread (fd, buffer + done, length - done, (off_t) done);

        if (count < 0)
        {
            if (errno == EINTR)
                continue;

            return -1;
        }

        if (count == 0)
            break;

        done += (size_t) count;
    }

    return (int64_t) done;
}
} // namespace

RegularFileRead readRegularFile (const juce::String& path, int64_t expectedSize, std::vector<uint8_t>& content)
{
    content.clear();

    struct stat info;
    const int fd = openRegularFile (path, info);

    if (fd < 0)
        return RegularFileRead::unreadable;

    if ((int64_t) info.st_size != expectedSize)
    {
        ::close (fd);
        return RegularFileRead::wrongSize;
    }

    content.resize ((size_t) expectedSize + 1);
    const auto count = readAll (fd, content.data(), content.size());
    ::close (fd);

    if (count != expectedSize)
    {
        content.clear();
        return count < 0 ? RegularFileRead::unreadable : RegularFileRead::wrongSize;
    }

    content.resize ((size_t) expectedSize);
    return RegularFileRead::ok;
}
