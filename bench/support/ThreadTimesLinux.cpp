#include "ThreadTimes.h"

#include <juce_core/juce_core.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

// The threads of this process, by id.
std::set<int> ThreadTimes::threadIds()
{
    std::set<int> ids;

    for (const auto& entry : juce::RangedDirectoryIterator (juce::File ("/proc/self/task"), false, "*",
                                                            juce::File::findDirectories))
        ids.insert (entry.getFile().getFileName().getIntValue());

    return ids;
}

// CPU time a thread of this process has used, in microseconds.
double ThreadTimes::threadCpuUs (int tid)
{
    std::ifstream stat ("/proc/self/task/" + std::to_string (tid) + "/schedstat");
    double ns = 0;
    stat >> ns;
    return ns / 1000.0;
}

// User and system time of a thread of this process, in microseconds, as the
// kernel counts them (in clock ticks).
std::pair<double, double> ThreadTimes::threadUserSystemUs (int tid)
{
    std::ifstream stat ("/proc/self/task/" + std::to_string (tid) + "/stat");
    std::string text ((std::istreambuf_iterator<char> (stat)), std::istreambuf_iterator<char>());
    const auto afterName = text.rfind (')');

    if (afterName == std::string::npos)
        return { 0, 0 };

    std::istringstream fields (text.substr (afterName + 2));
    std::string field;
    double user = 0, system = 0;

    // Fields 3 to 15 of the line; utime and stime are 14 and 15.
    for (int i = 3; i <= 15 && fields >> field; ++i)
    {
        if (i == 14)
            user = std::stod (field);
        if (i == 15)
            system = std::stod (field);
    }

    const double tick = 1e6 / (double) sysconf (_SC_CLK_TCK);
    return { user * tick, system * tick };
}

std::pair<double, double> ThreadTimes::processUserSystemUs()
{
    rusage usage {};
    getrusage (RUSAGE_SELF, &usage);
    return { (double) usage.ru_utime.tv_sec * 1e6 + (double) usage.ru_utime.tv_usec,
             (double) usage.ru_stime.tv_sec * 1e6 + (double) usage.ru_stime.tv_usec };
}

double ThreadTimes::processCpuUs()
{
    timespec t {};
    clock_gettime (CLOCK_PROCESS_CPUTIME_ID, &t);
    return (double) t.tv_sec * 1e6 + (double) t.tv_nsec / 1000.0;
}

int ThreadTimes::currentThreadId()
{
    return (int) gettid();
}
