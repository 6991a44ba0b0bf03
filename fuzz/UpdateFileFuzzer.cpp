// Fuzzes the update-file checks: checkUpdateFileContent on bytes in memory,
// loadUpdateFile on the same bytes written to a file, and the two checksums
// they rest on. Every result is compared with the file rules stated once
// more here, plainly: the size, the plausible date, the version text and a
// CRC-16/XMODEM computed bit by bit on a 24-bit register. A mismatch traps.
//
// The size check refuses all but 2,097,152 bytes, so short inputs also
// describe whole files: one of three bodies (0xFF, zeros, pseudo-random),
// with the input's bytes placed at the date, the version text and the CRC,
// then anywhere in the file's last 0x30000 bytes, and sometimes the CRC made
// right, so that the date, the version and the good path are all reached.
//
// Input:
//   byte 0    mode: 0 mod 4 = raw, the rest of the input is the whole file
//             (any length); else a whole file as below. Bit 7: also write
//             the file and load it from disk.
//   byte 1    bits 0-1 body, bit 2 make the CRC right, bits 4-5 size
//             (1: one byte short, 2: one byte over)
//   2..5      date bytes (at 0x1DFFFC)       missing bytes: the body's
//   6..9      version text (at 0x1D0000)
//   10..11    stored CRC (at 0x1FFFFE)
//   12..      patches of 4 bytes: offset (3 bytes, little-endian, taken
//             modulo 0x30000 from 0x1D0000) and the byte to put there
#include "update/Checksums.h"
#include "update/UpdateFile.h"
#include "update/UpdateState.h"

#include <juce_core/juce_core.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace
{
constexpr size_t fileSize = 0x200000;
constexpr size_t versionAt = 0x1D0000;
constexpr size_t dateAt = 0x1DFFFC;
constexpr size_t crcAt = 0x1FFFFE;
constexpr size_t tailAt = 0x1D0000; // every byte an input may change lies from here

[[noreturn]] void fail (const char* what)
{
    std::fprintf (stderr, "update file check mismatch: %s\n", what);
    std::fflush (stderr);
    __builtin_trap();
}

void check (bool condition, const char* what)
{
    if (! condition)
        fail (what);
}

//==============================================================================
// CRC-16/XMODEM as the file format describes it: each byte ORed into the low
// bits of a 24-bit register, eight shifts with 0x1102100 taken out whenever
// bit 24 comes up, two zero bytes' worth of shifts at the end, the result in
// bits 8..23.
struct BitwiseCrc
{
    uint32_t reg = 0;

    // The judge of every whole file runs over 196,606 bytes bit by bit; it
    // is the fuzzer's own code, neither instrumented nor checked, so that the
    // time goes to the code under test.
    __attribute__ ((no_sanitize ("address", "undefined", "coverage"))) void add (const uint8_t* bytes, size_t length) noexcept
    {
        uint32_t r = reg;

        for (size_t i = 0; i < length; ++i)
        {
            r |= bytes[i];

            for (int bit = 0; bit < 8; ++bit)
            {
                // When bit 24 comes up, take 0x1102100 out (without a
                // branch: random data would mispredict every other one).
                r <<= 1;
                r ^= (0u - ((r >> 24) & 1u)) & 0x1102100u;
            }
        }

        reg = r;
    }

    uint16_t result() const noexcept
    {
        BitwiseCrc end = *this;
        const uint8_t zeros[2] = { 0, 0 };
        end.add (zeros, 2);
        return (uint16_t) (end.reg >> 8);
    }
};

bool plausibleDate (const uint8_t* d)
{
    return d[0] <= 0x20 && d[1] <= 0x50 && d[2] <= 0x12 && d[3] <= 0x31;
}

bool digit (uint8_t c)
{
    return c >= '0' && c <= '9';
}

bool versionText (const uint8_t* v)
{
    return digit (v[0]) && v[1] == '.' && digit (v[2]) && digit (v[3]);
}

//==============================================================================
// One body a whole file starts from; the register after its first tailAt
// bytes is kept, since no input changes them.
struct Body
{
    std::vector<uint8_t> pristine;
    std::vector<uint8_t> work; // one byte longer, for the file that is one byte over
    BitwiseCrc headCrc;
};

std::vector<Body> makeBodies()
{
    std::vector<Body> bodies (3);
    uint32_t x = 0x9E3779B9u;

    for (size_t b = 0; b < bodies.size(); ++b)
    {
        auto& body = bodies[b];
        body.pristine.assign (fileSize, b == 0 ? 0xFF : 0x00);

        if (b == 2)
        {
            for (auto& byte : body.pristine)
            {
                x ^= x << 13;
                x ^= x >> 17;
                x ^= x << 5;
                byte = (uint8_t) x;
            }
        }

        // A good file as it stands: version 1.02, 18 March 2024, its CRC.
        std::memcpy (body.pristine.data() + versionAt, "1.02", 4);
        const uint8_t date[4] = { 0x20, 0x24, 0x03, 0x18 };
        std::memcpy (body.pristine.data() + dateAt, date, 4);

        body.headCrc.add (body.pristine.data(), tailAt);
        BitwiseCrc whole = body.headCrc;
        whole.add (body.pristine.data() + tailAt, crcAt - tailAt);
        body.pristine[crcAt] = (uint8_t) whole.result();
        body.pristine[crcAt + 1] = (uint8_t) (whole.result() >> 8);

        body.work = body.pristine;
        body.work.push_back (0);
    }

    return bodies;
}

std::vector<Body>& bodies()
{
    static std::vector<Body> made = makeBodies();
    return made;
}

//==============================================================================
struct Expected
{
    int result;
    bool dateRead;
    uint32_t date;
    bool versionRead;
};

// The file rules; `crcOfHead` is the CRC register after the first tailAt
// bytes, or null to run the CRC over everything.
Expected expectedFor (const uint8_t* data, size_t size, const BitwiseCrc* crcOfHead)
{
    if (size != fileSize)
        return { errFileSize, false, 0, false };

    const uint8_t* d = data + dateAt;
    const uint32_t date = ((uint32_t) d[0] << 24) | ((uint32_t) d[1] << 16) | ((uint32_t) d[2] << 8) | d[3];

    if (! plausibleDate (d))
        return { errFileInfo, true, date, false };

    if (! versionText (data + versionAt))
        return { errFileInfo, true, date, true };

    BitwiseCrc crc;

    if (crcOfHead != nullptr)
    {
        crc = *crcOfHead;
        crc.add (data + tailAt, crcAt - tailAt);
    }
    else
    {
        crc.add (data, crcAt);
    }

    const uint16_t stored = (uint16_t) (data[crcAt] | (data[crcAt + 1] << 8));
    return { crc.result() == stored ? 1 : errFileCrc, true, date, true };
}

// What the program wrote into its outputs must be what the file says, and
// nothing where it did not get that far.
void checkOutputs (const Expected& expected, const uint8_t* data, uint32_t dateOut, const juce::String& versionOut,
                   uint32_t untouchedDate, const juce::String& untouchedVersion)
{
    if (expected.dateRead)
        check (dateOut == expected.date, "the date output is not the four date bytes read big-endian");
    else
        check (dateOut == untouchedDate, "the date output was written although the date was never reached");

    if (! expected.versionRead)
    {
        check (versionOut == untouchedVersion, "the version output was written although the version was never reached");
        return;
    }

    const uint8_t* v = data + versionAt;
    bool plainAscii = true;

    for (int i = 0; i < 4; ++i)
        plainAscii = plainAscii && v[i] > 0 && v[i] < 0x80;

    if (plainAscii)
        check (versionOut == juce::String (reinterpret_cast<const char*> (v), 4),
               "the version output is not the four characters at 0x1D0000");
}

// Runs the in-memory check and compares it with the rules.
void checkContent (const uint8_t* data, size_t size, const BitwiseCrc* crcOfHead)
{
    const Expected expected = expectedFor (data, size, crcOfHead);

    const uint32_t untouchedDate = 0xDEADBEEF;
    const juce::String untouchedVersion ("untouched");
    uint32_t dateOut = untouchedDate;
    juce::String versionOut = untouchedVersion;

    const int result = checkUpdateFileContent (data, size, dateOut, versionOut);

    check (result == expected.result, "checkUpdateFileContent gave another result than the rules");
    checkOutputs (expected, data, dateOut, versionOut, untouchedDate, untouchedVersion);
}

// Writes the bytes to a file and loads it: the same result, and the content
// handed over only when the file is good, byte for byte.
void checkLoadedFile (const uint8_t* data, size_t size, const BitwiseCrc* crcOfHead)
{
    // One file for the whole run, removed when the fuzzer ends.
    struct TempFile
    {
        ~TempFile() { file.deleteFile(); }
        const juce::File file = juce::File::createTempFile ("vqdtrm4__v100.bin");
    };
    static const TempFile temp;
    const juce::File& file = temp.file;

    // Written plainly: JUCE's replaceWithData deletes the file for no bytes.
    std::FILE* out = std::fopen (file.getFullPathName().toRawUTF8(), "wb");

    if (out == nullptr || std::fwrite (data, 1, size, out) != size || std::fclose (out) != 0)
        fail ("could not write the file to load");

    const Expected expected = expectedFor (data, size, crcOfHead);

    const uint32_t untouchedDate = 0xDEADBEEF;
    const juce::String untouchedVersion ("untouched");
    uint32_t dateOut = untouchedDate;
    juce::String versionOut = untouchedVersion;
    std::vector<uint8_t> content { 1, 2, 3 };

    const int result = loadUpdateFile (file.getFullPathName(), dateOut, versionOut, content);

    check (result == expected.result, "loadUpdateFile gave another result than the rules");
    checkOutputs (expected, data, dateOut, versionOut, untouchedDate, untouchedVersion);

    if (result == 1)
        check (content.size() == size && std::memcmp (content.data(), data, size) == 0,
               "the checked content is not the file's bytes");
    else
        check (content.empty(), "content handed over for a file that failed its checks");
}

// The checksums themselves, on the raw bytes.
void checkChecksums (const uint8_t* data, size_t size)
{
    BitwiseCrc crc;
    crc.add (data, size);
    check (computeCrc16 (data, size) == crc.result(), "computeCrc16 differs from the bitwise CRC");

    uint32_t sum = 0;

    for (size_t i = 0; i < size; ++i)
        sum += data[i];

    check (byteSum (data, size) == sum, "byteSum differs from the plain sum");
}

void runWholeFile (const uint8_t* input, size_t inputSize)
{
    const uint8_t mode = input[0];
    const uint8_t options = inputSize > 1 ? input[1] : 0;

    auto& body = bodies()[(size_t) (options & 3) % bodies().size()];
    auto& work = body.work;

    // Only the tail and the extra byte can differ from the body.
    std::memcpy (work.data() + tailAt, body.pristine.data() + tailAt, fileSize - tailAt);
    work[fileSize] = 0;

    auto place = [&] (size_t at, size_t from, size_t count) {
        for (size_t i = 0; i < count && from + i < inputSize; ++i)
            work[at + i] = input[from + i];
    };

    place (dateAt, 2, 4);
    place (versionAt, 6, 4);
    place (crcAt, 10, 2);

    for (size_t p = 12; p + 4 <= inputSize; p += 4)
    {
        const uint32_t offset = input[p] | ((uint32_t) input[p + 1] << 8) | ((uint32_t) input[p + 2] << 16);
        work[tailAt + offset % (fileSize - tailAt)] = input[p + 3];
    }

    if ((options & 4) != 0)
    {
        BitwiseCrc crc = body.headCrc;
        crc.add (work.data() + tailAt, crcAt - tailAt);
        work[crcAt] = (uint8_t) crc.result();
        work[crcAt + 1] = (uint8_t) (crc.result() >> 8);
    }

    size_t size = fileSize;

    switch ((options >> 4) & 3)
    {
        case 1: size = fileSize - 1; break;
        case 2: size = fileSize + 1; break;
        default: break;
    }

    checkContent (work.data(), size, &body.headCrc);

    if ((mode & 0x80) != 0)
        checkLoadedFile (work.data(), size, &body.headCrc);
}

void runRawBytes (const uint8_t* input, size_t inputSize)
{
    // libFuzzer's buffer is exactly this long: a read past it is reported.
    const uint8_t* data = input + 1;
    const size_t size = inputSize - 1;

    checkContent (data, size, nullptr);
    checkChecksums (data, size);

    if ((input[0] & 0x80) != 0)
        checkLoadedFile (data, size, nullptr);
}
} // namespace

extern "C" int LLVMFuzzerInitialize (int*, char***)
{
    // The bodies and their CRCs take a moment; not inside the first input.
    bodies();

    // The bitwise CRC must agree with the published check value before it
    // may judge the program.
    BitwiseCrc crc;
    crc.add (reinterpret_cast<const uint8_t*> ("123456789"), 9);
    check (crc.result() == 0x31C3, "the reference CRC misses the check value 0x31C3");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput (const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;

    if ((data[0] & 3) == 0)
        runRawBytes (data, size);
    else
        runWholeFile (data, size);

    return 0;
}
