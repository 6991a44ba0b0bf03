#pragma once

#include <juce_core/juce_core.h>

#include <cstdint>
#include <vector>

// The processor of the connected controller, from its status answer.
enum CpuKind : int
{
    cpuUnknown = 0,
    cpuSh7269 = 1, // status answer 0x80
    cpuRt1062 = 2  // status answer 0x8B
};

// What an image record's status holds besides a load error identifier.
enum ImageStatus : int
{
    imageEmpty = 0,
    imageLoaded = 1,
    imageToUpdate = 2,
    imageSkipped = 3
};

// One of the three images of an update file.
struct ImageRecord
{
    juce::String path;         // the update file (the same for all three)
    int64_t size = 0;          // bytes to write
    int64_t fileOffset = 0;    // where the image starts in the file
    int64_t deviceAddress = 0; // where it goes in the controller
    int status = imageEmpty;   // an ImageStatus or a load error identifier
    uint8_t target = 0;        // byte 0 of every command for this image
};

namespace UpdateFile
{
// Layout of every update file.
constexpr int64_t fileSize = 0x200000;
constexpr int64_t versionOffset = 0x1D0000;
constexpr int64_t dateOffset = 0x1DFFFC;
constexpr int64_t crcOffset = 0x1FFFFE;

struct ImageLayout
{
    uint8_t target;
    int64_t fileOffset;
    int64_t deviceAddress;
    int64_t size;
};

constexpr ImageLayout images[3] = { { 0xF1, 0x000000, 0x000000, 0x090000 },
                                    { 0xF2, 0x090000, 0x090000, 0x140000 },
                                    { 0xF7, 0x1D0000, 0x1D0000, 0x010000 } };

// The bytes of image 2 that are written when the controller already holds
// the file's date: the part with the version text.
constexpr int64_t shortImage2Size = 0x1000;

// Update file names per processor kind: the wildcard that lists them, the
// exact length of a qualifying name and the prefix it must start with.
struct NamePattern
{
    const char* wildcard;
    int length;
    const char* prefix;
};

// The pattern for cpuSh7269 or cpuRt1062; null for any other kind.
const NamePattern* getNamePattern (int cpuKind) noexcept;

// The files of `folder` (not folders, not recursively) whose names match the
// wildcard without regard to letter case, in the order the folder listing
// yields them, unsorted.
juce::Array<juce::File> listCandidates (const juce::File& folder, const NamePattern& pattern);

// Whether a listed name qualifies: exact length, prefix with letter case.
bool nameQualifies (const juce::String& fileName, const NamePattern& pattern);
} // namespace UpdateFile

// The date of an update file or of the controller: four BCD bytes, century,
// year, month, day, read as one big-endian number (0x20240318).
uint32_t readDate (const uint8_t bytes[4]) noexcept;

// A version text: four characters, one byte each ("1.02").
juce::String readVersionText (const uint8_t bytes[4]);

// True when century <= 0x20, year <= 0x50, month <= 0x12 and day <= 0x31.
// No lower bound, no test of the nibbles: the controller's date passes the
// same test.
bool isPlausibleDate (const uint8_t date[4]) noexcept;

// A digit, '.', two digits. A shorter text fails; what follows the fourth
// character is not looked at.
bool isVersionText (const juce::String& text);

// Checks the content of an update file: 1 when good, else errFileSize,
// errFileInfo or errFileCrc. The date (read big-endian) and the version text
// are written as soon as they are read, before they are checked.
int checkUpdateFileContent (const uint8_t* data, size_t size, uint32_t& fileDateOut, juce::String& fileVersionOut);

// Checks an update file: 1 when good, else errNoUpdateFile .. errFileCrc.
// The date and the version text are written as in checkUpdateFileContent.
int loadUpdateFile (const juce::String& path, uint32_t& fileDateOut, juce::String& fileVersionOut);

// The same, handing over the content that passed the checks: the update
// writes these bytes and no others, whatever becomes of the file on disk
// afterwards. `checkedContent` is empty unless the result is 1.
int loadUpdateFile (const juce::String& path, uint32_t& fileDateOut, juce::String& fileVersionOut,
                    std::vector<uint8_t>& checkedContent);
