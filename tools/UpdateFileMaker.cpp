#include "tools/UpdateFileMaker.h"

#include "update/Checksums.h"
#include "update/UpdateFile.h"

namespace UpdateFileMaker
{
std::vector<uint8_t> make (const Options& options)
{
    std::vector<uint8_t> data ((size_t) UpdateFile::fileSize);

    // A cheap, well-mixed sequence, so that a byte written to the wrong place
    // never happens to match.
    uint32_t state = options.seed * 2654435761u + 12345u;

    for (auto& byte : data)
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        byte = (uint8_t) (state >> 24);
    }

    const auto version = options.version.toRawUTF8();

    for (int i = 0; i < 4; ++i)
        data[(size_t) UpdateFile::versionOffset + (size_t) i] = (uint8_t) (version[i] != 0 ? version[i] : 0);

    for (int i = 0; i < 4; ++i)
        data[(size_t) UpdateFile::dateOffset + (size_t) i] = options.date[i];

    if (options.defect == Defect::badDate)
        data[(size_t) UpdateFile::dateOffset] = 0x21;

    if (options.defect == Defect::badVersion)
        data[(size_t) UpdateFile::versionOffset + 3] = 'a';

    const auto crcAt = (size_t) UpdateFile::crcOffset;
    const auto crc = computeCrc16 (data.data(), crcAt);
    data[crcAt] = (uint8_t) (crc & 0xFF);
    data[crcAt + 1] = (uint8_t) (crc >> 8);

    if (options.defect == Defect::badCrc)
    {
        if (data[crcAt] != data[crcAt + 1])
            std::swap (data[crcAt], data[crcAt + 1]); // written high byte first
        else
            data[crcAt] ^= 0xFF;
    }

    if (options.defect == Defect::tooShort)
        data.pop_back();

    if (options.defect == Defect::tooLong)
        data.push_back (0);

    return data;
}

bool write (const juce::File& file, const Options& options)
{
    const auto data = make (options);
    return file.replaceWithData (data.data(), data.size());
}

bool parseDate (const juce::String& text, uint8_t date[4])
{
    if (text.length() != 8 || ! text.containsOnly ("0123456789abcdefABCDEF"))
        return false;

    for (int i = 0; i < 4; ++i)
        date[i] = (uint8_t) text.substring (i * 2, i * 2 + 2).getHexValue32();

    return true;
}

bool parseDefect (const juce::String& text, Defect& defect)
{
    if (text == "none")
    {
        defect = Defect::none;
        return true;
    }
    if (text == "short")
    {
        defect = Defect::tooShort;
        return true;
    }
    if (text == "long")
    {
        defect = Defect::tooLong;
        return true;
    }
    if (text == "date")
    {
        defect = Defect::badDate;
        return true;
    }
    if (text == "version")
    {
        defect = Defect::badVersion;
        return true;
    }
    if (text == "crc")
    {
        defect = Defect::badCrc;
        return true;
    }
    return false;
}
} // namespace UpdateFileMaker
