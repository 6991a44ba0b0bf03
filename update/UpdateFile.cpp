#include "update/UpdateFile.h"

#include "update/Checksums.h"
#include "update/RegularFile.h"
#include "update/UpdateState.h"

namespace
{
const UpdateFile::NamePattern sh7269Pattern { "vqdtrm4__v*.bin", 17, "vqdtrm4__" };
const UpdateFile::NamePattern rt1062Pattern { "vqdtrm4_B__v*.bin", 19, "vqdtrm4_B" };
const int prefixLength = 9;
} // namespace

namespace UpdateFile
{
const NamePattern* getNamePattern (int cpuKind) noexcept
{
    switch (cpuKind)
    {
        case cpuSh7269: return &sh7269Pattern;
        case cpuRt1062: return &rt1062Pattern;
        default: return nullptr;
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

uint32_t readDate (const uint8_t bytes[4]) noexcept
{
    return ((uint32_t) bytes[0] << 24) | ((uint32_t) bytes[1] << 16) | ((uint32_t) bytes[2] << 8) | bytes[3];
}

juce::String readVersionText (const uint8_t bytes[4])
{
    juce::String text;

    for (int i = 0; i < 4; ++i)
        text += juce::String::charToString ((juce::juce_wchar) bytes[i]);

    return text;
}

bool isPlausibleDate (const uint8_t date[4]) noexcept
{
    return date[0] <= 0x20 && date[1] <= 0x50 && date[2] <= 0x12 && date[3] <= 0x31;
}

bool isVersionText (const juce::String& text)
{
    auto isDigit = [] (juce::juce_wchar c) { return c >= '0' && c <= '9'; };

    return isDigit (text[0]) && text[1] == '.' && isDigit (text[2]) && isDigit (text[3]);
}

int checkUpdateFileContent (const uint8_t* data, size_t size, uint32_t& fileDateOut, juce::String& fileVersionOut)
{
    if ((int64_t) size != UpdateFile::fileSize)
        return errFileSize;

    const uint8_t* date = data + UpdateFile::dateOffset;
    fileDateOut = readDate (date);

    if (! isPlausibleDate (date))
        return errFileInfo;

    fileVersionOut = readVersionText (data + UpdateFile::versionOffset);

    if (! isVersionText (fileVersionOut))
        return errFileInfo;

    const auto crc = computeCrc16 (data, (size_t) UpdateFile::crcOffset);
    const auto stored = (uint16_t) (data[UpdateFile::crcOffset] | (data[UpdateFile::crcOffset + 1] << 8));

    return crc == stored ? 1 : errFileCrc;
}

int loadUpdateFile (const juce::String& path, uint32_t& fileDateOut, juce::String& fileVersionOut,
                    std::vector<uint8_t>& checkedContent)
{
    checkedContent.clear();

    if (path.isEmpty() || ! juce::File (path).exists())
        return errNoUpdateFile;

    // The size is known before anything is read, so a huge file costs
    // nothing, and a FIFO, a directory or a device node is refused as
    // unreadable instead of blocking the worker.
    std::vector<uint8_t> data;

    switch (readRegularFile (path, UpdateFile::fileSize, data))
    {
        case RegularFileRead::ok: break;
        case RegularFileRead::unreadable: return errFileRead;
        case RegularFileRead::wrongSize: return errFileSize;
    }

    const int result = checkUpdateFileContent (data.data(), data.size(), fileDateOut, fileVersionOut);

    if (result == 1)
        checkedContent.swap (data);

    return result;
}

int loadUpdateFile (const juce::String& path, uint32_t& fileDateOut, juce::String& fileVersionOut)
{
    std::vector<uint8_t> unused;
    return loadUpdateFile (path, fileDateOut, fileVersionOut, unused);
}
