#include "sim/WaitPrecision.h"

namespace vqdsim
{
namespace detail
{

std::chrono::microseconds timedWaitMargin()
{
    return std::chrono::microseconds (0);
}

} // namespace detail
} // namespace vqdsim
