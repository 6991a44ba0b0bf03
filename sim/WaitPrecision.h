// How precisely the device thread can sleep until a moment. Each platform
// has a file of its own.
#pragma once

#include <chrono>

namespace vqdsim
{
namespace detail
{

// How long before a deadline the device thread stops sleeping and waits by
// yielding instead. A timed wait on Windows (and under Wine) wakes up to
// about a millisecond late, the length of a whole USB frame, which would
// make every framed answer a frame late; Linux wakes within microseconds.
std::chrono::microseconds timedWaitMargin();

} // namespace detail
} // namespace vqdsim
