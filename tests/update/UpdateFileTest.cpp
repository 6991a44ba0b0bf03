// Update files on disk: the checks of loadUpdateFile in their order, the
// name rules of the search, and the two checksums.
#include "TempFolder.h"
#include "tools/UpdateFileMaker.h"
#include "update/Checksums.h"
#include "update/UpdateFile.h"
#include "update/UpdateState.h"

#include <gtest/gtest.h>

#include <random>

namespace
{
// The CRC exactly as the file format describes it: a 24-bit register, two
// zero bytes appended, the result shifted down by 8.
uint16_t referenceCrc (const uint8_t* bytes, size_t length)
{
    uint32_t reg = 0;

    auto shiftIn = [&reg] (uint8_t byte) {
        reg |= byte;

        for (int i = 0; i < 8; ++i)
        {
            reg <<= 1;

            if ((reg & 0x1000000) != 0)
                reg ^= 0x1102100;
        }
    };

    for (size_t i = 0; i < length; ++i)
        shiftIn (bytes[i]);

    shiftIn (0);
    shiftIn (0);
    return (uint16_t) (reg >> 8);
}

int load (const juce::File& file, uint32_t& date, juce::String& version)
{
    return loadUpdateFile (file.getFullPathName(), date, version);
}

int load (const juce::File& file)
{
    uint32_t date = 0;
    juce::String version;
    return load (file, date, version);
}
} // namespace

TEST (Checksums, Crc16MatchesCheckValueAndTheRegisterDescription)
{
    const char* check = "123456789";
    EXPECT_EQ (computeCrc16 (reinterpret_cast<const uint8_t*> (check), 9), 0x31C3);
    EXPECT_EQ (computeCrc16 (nullptr, 0), 0);

    std::mt19937 random (7);
    std::vector<uint8_t> data (5000);

    for (auto& byte : data)
        byte = (uint8_t) random();

    for (size_t length : { (size_t) 1, (size_t) 2, (size_t) 63, (size_t) 4999, (size_t) 5000 })
        EXPECT_EQ (computeCrc16 (data.data(), length), referenceCrc (data.data(), length)) << length;
}

TEST (Checksums, ByteSumIsUnsignedAndWraps)
{
    const char* abc = "abc";
    EXPECT_EQ (byteSum (reinterpret_cast<const uint8_t*> (abc), 3), 294u);
    EXPECT_EQ (byteSum (nullptr, 0), 0u);

    std::vector<uint8_t> ones (0x20000, 0xFF);
    EXPECT_EQ (byteSum (ones.data(), ones.size()), 0x01FE0000u);

    // 0x1010102 bytes of 0xFF pass 2^32 once.
    std::vector<uint8_t> many (0x1010102, 0xFF);
    EXPECT_EQ (byteSum (many.data(), many.size()), (uint32_t) (0x1010102ull * 0xFF));
}

TEST (FileChecks, DateAndVersionRules)
{
    const uint8_t upper[4] = { 0x20, 0x50, 0x12, 0x31 };
    const uint8_t zero[4] = { 0, 0, 0, 0 };
    const uint8_t century[4] = { 0x21, 0x00, 0x01, 0x01 };
    const uint8_t year[4] = { 0x20, 0x51, 0x01, 0x01 };
    const uint8_t month[4] = { 0x20, 0x23, 0x13, 0x01 };
    const uint8_t day[4] = { 0x20, 0x23, 0x01, 0x32 };
    const uint8_t high[4] = { 0xFF, 0x00, 0x00, 0x00 }; // unsigned, not -1

    EXPECT_TRUE (isPlausibleDate (upper));
    EXPECT_TRUE (isPlausibleDate (zero));
    EXPECT_FALSE (isPlausibleDate (century));
    EXPECT_FALSE (isPlausibleDate (year));
    EXPECT_FALSE (isPlausibleDate (month));
    EXPECT_FALSE (isPlausibleDate (day));
    EXPECT_FALSE (isPlausibleDate (high));

    EXPECT_TRUE (isVersionText ("0.00"));
    EXPECT_TRUE (isVersionText ("9.99"));
    EXPECT_TRUE (isVersionText ("1.23xyz")); // only four characters count
    EXPECT_FALSE (isVersionText ("1.2a"));
    EXPECT_FALSE (isVersionText ("12.3"));
    EXPECT_FALSE (isVersionText ("1.2"));
    EXPECT_FALSE (isVersionText (""));
    EXPECT_FALSE (isVersionText ("a.23"));
}

TEST (FileChecks, GoodFileGivesItsDateAndVersion)
{
    TempFolder folder;
    UpdateFileMaker::Options options;
    options.version = "3.45";
    UpdateFileMaker::parseDate ("20230715", options.date);
    ASSERT_TRUE (UpdateFileMaker::write (folder / "vqdtrm4__v345.bin", options));

    uint32_t date = 0;
    juce::String version;
    EXPECT_EQ (load (folder / "vqdtrm4__v345.bin", date, version), 1);
    EXPECT_EQ (date, 0x20230715u);
    EXPECT_EQ (version, "3.45");
}

TEST (FileChecks, EachDefectGivesItsIdentifier)
{
    TempFolder folder;

    struct Case
    {
        UpdateFileMaker::Defect defect;
        int expected;
    };

    const Case cases[] = { { UpdateFileMaker::Defect::tooShort, errFileSize },
                           { UpdateFileMaker::Defect::tooLong, errFileSize },
                           { UpdateFileMaker::Defect::badDate, errFileInfo },
                           { UpdateFileMaker::Defect::badVersion, errFileInfo },
                           { UpdateFileMaker::Defect::badCrc, errFileCrc } };

    for (const auto& c : cases)
    {
        UpdateFileMaker::Options options;
        options.defect = c.defect;
        const auto file = folder / "candidate.bin";
        ASSERT_TRUE (UpdateFileMaker::write (file, options));
        EXPECT_EQ (load (file), c.expected) << (int) c.defect;
    }

    EXPECT_EQ (load (folder / "missing.bin"), errNoUpdateFile);
    uint32_t date = 0;
    juce::String version;
    EXPECT_EQ (loadUpdateFile ({}, date, version), errNoUpdateFile);
}

TEST (FileChecks, DateAndVersionAreReportedEvenWhenBad)
{
    TempFolder folder;
    UpdateFileMaker::Options options;
    options.version = "1.2a";
    const auto file = folder / "f.bin";
    ASSERT_TRUE (UpdateFileMaker::write (file, options));

    uint32_t date = 0;
    juce::String version;
    EXPECT_EQ (load (file, date, version), errFileInfo);
    EXPECT_EQ (version, "1.2a");
    EXPECT_EQ (date, 0x20240318u);
}

TEST (FileChecks, CrcSplitOverTheLastTwoBytesLowFirst)
{
    TempFolder folder;
    auto data = UpdateFileMaker::make ({});
    const auto file = folder / "f.bin";

    // A good file stays good through a write of its own bytes ...
    ASSERT_TRUE (file.replaceWithData (data.data(), data.size()));
    EXPECT_EQ (load (file), 1);

    // ... and any single changed byte in the covered range is caught.
    data[0x1E1234] ^= 0x01;
    ASSERT_TRUE (file.replaceWithData (data.data(), data.size()));
    EXPECT_EQ (load (file), errFileCrc);
}

TEST (FileNames, PatternsPerProcessor)
{
    const auto* sh = UpdateFile::getNamePattern (cpuSh7269);
    const auto* rt = UpdateFile::getNamePattern (cpuRt1062);
    ASSERT_NE (sh, nullptr);
    ASSERT_NE (rt, nullptr);
    EXPECT_EQ (UpdateFile::getNamePattern (cpuUnknown), nullptr);

    EXPECT_TRUE (UpdateFile::nameQualifies ("vqdtrm4__v123.bin", *sh));
    EXPECT_FALSE (UpdateFile::nameQualifies ("vqdtrm4__v1.23.bin", *sh));
    EXPECT_FALSE (UpdateFile::nameQualifies ("VQDTRM4__v123.bin", *sh));
    EXPECT_FALSE (UpdateFile::nameQualifies ("vqdtrm4__v12.bin", *sh));
    EXPECT_TRUE (UpdateFile::nameQualifies ("vqdtrm4_B__v123.bin", *rt));
    EXPECT_FALSE (UpdateFile::nameQualifies ("vqdtrm4_b__v123.bin", *rt));
    EXPECT_FALSE (UpdateFile::nameQualifies ("vqdtrm4__v123.bin", *rt));
}

TEST (FileNames, ListingMatchesTheWildcardWithoutLetterCaseAndSkipsFolders)
{
    TempFolder folder;
    for (auto name : { "vqdtrm4__v100.bin", "VQDTRM4__V200.BIN", "vqdtrm4_B__v300.bin", "other.bin" })
        ASSERT_TRUE ((folder / name).replaceWithText ("x"));
    ASSERT_TRUE ((folder / "vqdtrm4__v400.bin").createDirectory());
    ASSERT_TRUE ((folder / "sub").createDirectory());
    ASSERT_TRUE ((folder / "sub").getChildFile ("vqdtrm4__v500.bin").replaceWithText ("x"));

    juce::StringArray names;
    for (const auto& file : UpdateFile::listCandidates (folder.get(), *UpdateFile::getNamePattern (cpuSh7269)))
        names.add (file.getFileName());
    names.sort (false);

    EXPECT_EQ (names.joinIntoString (","), "VQDTRM4__V200.BIN,vqdtrm4__v100.bin");
}
