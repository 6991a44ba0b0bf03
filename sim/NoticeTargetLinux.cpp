#include "sim/NoticeTarget.h"

#include <fcntl.h>
#include <unistd.h>

namespace vqdsim
{
namespace detail
{

bool postNotice (HidWindowHandle window, unsigned int message, uintptr_t wParam, intptr_t lParam)
{
    if (window == nullptr || window->post == nullptr)
        return false;

    window->post (window, message, wParam, lParam);
    return true;
}

bool sendNotice (HidWindowHandle window, unsigned int message, uintptr_t wParam, intptr_t lParam)
{
    return postNotice (window, message, wParam, lParam);
}

bool appendToFile (const std::string& path, const std::string& line)
{
    // O_APPEND keeps whatever the file held before, so several runs can share
    // one log.
    const int fd = ::open (path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    const bool written = fd >= 0 && ::write (fd, line.data(), line.size()) == static_cast<ssize_t> (line.size());
    if (fd >= 0)
        ::close (fd);
    return written;
}

} // namespace detail
} // namespace vqdsim
