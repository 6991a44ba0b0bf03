#include "update/UpdateFile.h"

#include "update/Checksums.h"
#include "update/UpdateState.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace
{
const UpdateFile::NamePattern sh7269Pattern { "vqdtrm4__v*.bin", 17, "vqdtrm4__" };
const UpdateFile::NamePattern rt1062Pattern { "vqdtrm4_B__v*.bin", 19, "vqdtrm4_B" };
const int prefixLength = 9;

// Opens a file for reading only when it is a regular file. O_NONBLOCK keeps
// the open itself from waiting for a writer when the name is a FIFO; the
// type check then refuses it before anything is read.
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

// Reads up to `length` bytes at `offset`; returns the bytes read, or -1.
int64_t readAt (int fd, int64_t offset, uint8_t* buffer, size_t length)
{
    size_t done = 0;

    while (done < length)
    {
        const auto count = ::pread (fd, buffer + done, length - done, (off_t) (offset + (int64_t) done));

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

namespace UpdateFile
{
const NamePattern* getNamePattern (int cpuKind) noexcept
{
    switch (cpuKind)
    {
        case cpuSh7269: return &sh7269Pattern;
        case cpuRt1062: return &rt1062Pattern;
        default:        return nullptr;
    }
}

juce::Array<juce::File> listCandidates (const juce::File& folder, const NamePattern& pattern)
{
    // Names are matched here rather than by JUCE's wildcard search, which is
    // case-sensitive on Linux: the program's folder may hold a file whose
    // name differs only in letter case, and the prefix test must see it.
    juce::Array<juce::File> found;

    for (const auto& entry : juce::RangedDirectoryIterator (folder, false, "*", juce::File::findFiles))
    {
        const auto file = entry.getFile();

        if (file.getFileName().matchesWildcard (pattern.wildcard, true))
            found.add (file);
    }

    return found;
}

bool nameQualifies (const juce::String& fileName, const NamePattern& pattern)
{
    return fileName.length() == pattern.length
        && fileName.substring (0, prefixLength) == juce::String (pattern.prefix);
}
} // namespace UpdateFile

bool isPlausibleDate (const uint8_t date[4]) noexcept
{
    return date[0] <= 0x20 && date[1] <= 0x50 && date[2] <= 0x12 && date[3] <= 0x31;
}

bool isVersionText (const juce::String& text)
{
    auto isDigit = [] (juce::juce_wchar c) { return c >= '0' && c <= '9'; };

    return isDigit (text[0]) && text[1] == '.' && isDigit (text[2]) && isDigit (text[3]);
}

int loadUpdateFile (const juce::String& path, uint32_t& fileDateOut, juce::String& fileVersionOut)
{
    if (path.isEmpty() || ! juce::File (path).exists())
        return errNoUpdateFile;

    // The size is known before anything is read, so a huge file costs
    // nothing, and a FIFO, a directory or a device node is refused as
    // unreadable instead of blocking the worker.
    struct stat info;
    const int fd = openRegularFile (path, info);

    if (fd < 0)
        return errFileRead;

    if ((int64_t) info.st_size != UpdateFile::fileSize)
    {
        ::close (fd);
        return errFileSize;
    }

    // One byte more than the file should hold, to notice a file that grew.
    std::vector<uint8_t> data ((size_t) UpdateFile::fileSize + 1);
    const auto count = readAt (fd, 0, data.data(), data.size());
    ::close (fd);

    if (count < 0)
        return errFileRead;

    if (count != UpdateFile::fileSize)
        return errFileSize;

    const uint8_t* date = data.data() + UpdateFile::dateOffset;
    fileDateOut = ((uint32_t) date[0] << 24) | ((uint32_t) date[1] << 16) | ((uint32_t) date[2] << 8) | date[3];

    if (! isPlausibleDate (date))
        return errFileInfo;

    const uint8_t* version = data.data() + UpdateFile::versionOffset;
    juce::String text;

    for (int i = 0; i < 4; ++i)
        text += juce::String::charToString ((juce::juce_wchar) version[i]);

    fileVersionOut = text;

    if (! isVersionText (fileVersionOut))
        return errFileInfo;

    const auto crc = computeCrc16 (data.data(), (size_t) UpdateFile::crcOffset);
    const auto stored = (uint16_t) (data[(size_t) UpdateFile::crcOffset] | (data[(size_t) UpdateFile::crcOffset + 1] << 8));

    return crc == stored ? 1 : errFileCrc;
}

bool readFileRange (const juce::String& path, int64_t offset, std::vector<uint8_t>& buffer, size_t length)
{
    buffer.assign (length, 0);

    struct stat info;
    const int fd = openRegularFile (path, info);

    if (fd < 0)
        return false;

    const auto count = readAt (fd, offset, buffer.data(), length);
    ::close (fd);
    return count >= 0;
}
