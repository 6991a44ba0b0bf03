#pragma once

#include <juce_core/juce_core.h>

#include <cstdint>
#include <vector>

// Makes update files: valid ones for a version text and a date, and the
// broken kinds that the program's checks must catch.
namespace UpdateFileMaker
{
enum class Defect
{
    none,       // a valid file
    tooShort,   // one byte short of 2,097,152
    tooLong,    // one byte over
    badDate,    // century byte 0x21
    badVersion, // a letter in place of a digit
    badCrc,     // the CRC's bytes swapped (or flipped, when both are equal)
};

struct Options
{
    juce::String version = "1.02";                // four characters at 0x1D0000
    uint8_t date[4] = { 0x20, 0x24, 0x03, 0x18 }; // BCD century, year, month, day
    uint32_t seed = 1;                            // image content is pseudo-random from it
    Defect defect = Defect::none;
};

// The file's bytes.
std::vector<uint8_t> make (const Options& options);

// Writes the file; false on failure.
bool write (const juce::File& file, const Options& options);

// "20240318" into four BCD bytes; false when it is not eight hex digits.
bool parseDate (const juce::String& text, uint8_t date[4]);

// "none", "short", "long", "date", "version", "crc".
bool parseDefect (const juce::String& text, Defect& defect);
} // namespace UpdateFileMaker
