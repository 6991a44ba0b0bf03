#include "recording/RecordingFile.h"

bool RecordingFile::readAll (const std::string& path, std::string& text)
{
    std::FILE* file = openStream (path, "rb");
    if (file == nullptr)
        return false;

    text.clear();
    char buffer[65536];
    std::size_t got = 0;
    while ((got = std::fread (buffer, 1, sizeof (buffer), file)) > 0)
        text.append (buffer, got);
    const bool read = std::ferror (file) == 0;
    std::fclose (file);
    return read;
}

bool RecordingFile::writeAll (const std::string& path, const void* data, std::size_t size)
{
    std::FILE* file = openStream (path, "wb");
    if (file == nullptr)
        return false;

    const bool written = std::fwrite (data, 1, size, file) == size;
    return std::fclose (file) == 0 && written;
}
