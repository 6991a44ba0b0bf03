// Reading a whole update file on Windows: only a file on a disk of exactly
// the expected size is read; directories, pipes and devices that took the
// name are refused without waiting on them, and nobody else's use of the
// file stands in the way.
#include <gtest/gtest.h>

#include "TempFolder.h"
#include "update/RegularFile.h"

#ifndef NOMINMAX
 #define NOMINMAX
#endif
#include <windows.h>

#include <vector>

namespace
{

std::vector<uint8_t> pattern (size_t size)
{
    std::vector<uint8_t> bytes (size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = (uint8_t) (i * 7 + 3);
    return bytes;
}

juce::File writeFile (const juce::File& file, const std::vector<uint8_t>& bytes)
{
    file.replaceWithData (bytes.data(), bytes.size());
    return file;
}

TEST (RegularFileWindows, ReadsAFileOfExactlyTheExpectedSize)
{
    TempFolder folder;
    const auto bytes = pattern (100000);
    const auto file = writeFile (folder / "vqdtrm4__v102.bin", bytes);

    std::vector<uint8_t> content { 1, 2, 3 };
    EXPECT_EQ (RegularFileRead::ok, readRegularFile (file.getFullPathName(), 100000, content));
    EXPECT_EQ (bytes, content);

    EXPECT_EQ (RegularFileRead::wrongSize, readRegularFile (file.getFullPathName(), 99999, content));
    EXPECT_TRUE (content.empty());
    EXPECT_EQ (RegularFileRead::wrongSize, readRegularFile (file.getFullPathName(), 100001, content));
    EXPECT_TRUE (content.empty());
}

TEST (RegularFileWindows, RefusesWhatIsNoFileOnADisk)
{
    TempFolder folder;
    std::vector<uint8_t> content;

    EXPECT_EQ (RegularFileRead::unreadable, readRegularFile ((folder / "missing.bin").getFullPathName(), 10, content));

    const auto directory = folder / "vqdtrm4__v102.bin";
    ASSERT_TRUE (directory.createDirectory());
    EXPECT_EQ (RegularFileRead::unreadable, readRegularFile (directory.getFullPathName(), 0, content));

    // A character device: reading it would wait for ever or give nothing.
    EXPECT_EQ (RegularFileRead::unreadable, readRegularFile ("NUL", 0, content));
    EXPECT_TRUE (content.empty());
}

TEST (RegularFileWindows, RefusesAPipeWithoutWaitingOnIt)
{
    const juce::String name = "\\\\.\\pipe\\vqdtrm4_test_" + juce::String ((int) GetCurrentProcessId());
    HANDLE pipe = CreateNamedPipeW (name.toWideCharPointer(), PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE | PIPE_WAIT,
                                    1, 4096, 4096, 0, nullptr);
    ASSERT_NE (INVALID_HANDLE_VALUE, pipe);

    // Nobody ever writes into it: a read would block.
    std::vector<uint8_t> content;
    EXPECT_EQ (RegularFileRead::unreadable, readRegularFile (name, 16, content));
    CloseHandle (pipe);
}

TEST (RegularFileWindows, ReadsAFileThatAnotherProgramHasOpen)
{
    TempFolder folder;
    const auto bytes = pattern (4096);
    const auto file = writeFile (folder / "vqdtrm4__v102.bin", bytes);

    // Open for writing and deleting elsewhere, sharing everything, as a copy
    // tool or a virus scanner may hold it.
    HANDLE other = CreateFileW (file.getFullPathName().toWideCharPointer(), GENERIC_READ | GENERIC_WRITE | DELETE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE (INVALID_HANDLE_VALUE, other);

    std::vector<uint8_t> content;
    EXPECT_EQ (RegularFileRead::ok, readRegularFile (file.getFullPathName(), 4096, content));
    EXPECT_EQ (bytes, content);

    // Our read does not keep the file from being changed afterwards.
    DWORD written = 0;
    EXPECT_TRUE (WriteFile (other, "x", 1, &written, nullptr));
    CloseHandle (other);
}

} // namespace
