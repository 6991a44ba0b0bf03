// How the simulated controller reaches the program's notification window and
// its call log file. Both differ by platform; each has a file of its own.
#pragma once

#include "device/VqdTrm4Hid.h"

#include <cstdint>
#include <string>

namespace vqdsim
{
namespace detail
{

// Hands one notice to the window, as the maker's library does: the program
// handles it later on its own message thread. False when the window cannot
// take it (gone, or no way to post to it).
bool postNotice (HidWindowHandle window, unsigned int message, uintptr_t wParam, intptr_t lParam);

// Hands one notice to the window and waits until the program has handled it,
// as a library that uses SendMessage does. Only Windows has such a way; on
// Linux this posts.
bool sendNotice (HidWindowHandle window, unsigned int message, uintptr_t wParam, intptr_t lParam);

// Appends `line` to the file at `path` with one write, creating the file.
// Once this returns true the line is in the file whatever becomes of the
// process afterwards.
bool appendToFile (const std::string& path, const std::string& line);

} // namespace detail
} // namespace vqdsim
