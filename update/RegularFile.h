#pragma once

#include <juce_core/juce_core.h>

#include <cstdint>
#include <vector>

// How reading a whole update file went.
enum class RegularFileRead
{
    ok,
    unreadable, // no regular file could be opened there, or reading it failed
    wrongSize   // the file is not, or stopped being, exactly the expected size
};

// Reads the whole file at `path` into `content` when it is a regular file of
// exactly `expectedSize` bytes. A FIFO, a directory or a device node that has
// taken the name is refused as unreadable without waiting on it, so the
// worker can never block here. The size is taken from the open handle before
// anything is read, and one byte more than expected is asked for, so a file
// that shrinks or grows while it is read is wrongSize too. `content` holds
// exactly `expectedSize` bytes on ok and is emptied otherwise.
//
// The open and read calls differ by platform; each has a file of its own.
RegularFileRead readRegularFile (const juce::String& path, int64_t expectedSize, std::vector<uint8_t>& content);
