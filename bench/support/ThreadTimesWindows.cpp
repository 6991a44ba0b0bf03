#include "ThreadTimes.h"

#ifndef NOMINMAX
 #define NOMINMAX
#endif
#include <windows.h>
#include <tlhelp32.h>

namespace
{
// FILETIME counts 100 ns.
double microseconds (const FILETIME& time)
{
    ULARGE_INTEGER value;
    value.LowPart = time.dwLowDateTime;
    value.HighPart = time.dwHighDateTime;
    return (double) value.QuadPart / 10.0;
}

std::pair<double, double> userAndKernelOf (int tid)
{
    std::pair<double, double> result { 0, 0 };
    HANDLE thread = OpenThread (THREAD_QUERY_LIMITED_INFORMATION, FALSE, (DWORD) tid);

    if (thread == nullptr)
        return result;

    FILETIME creation, exit, kernel, user;

    if (GetThreadTimes (thread, &creation, &exit, &kernel, &user))
        result = { microseconds (user), microseconds (kernel) };

    CloseHandle (thread);
    return result;
}
} // namespace

std::set<int> ThreadTimes::threadIds()
{
    std::set<int> ids;
    const DWORD process = GetCurrentProcessId();
    HANDLE snapshot = CreateToolhelp32Snapshot (TH32CS_SNAPTHREAD, 0);

    if (snapshot == INVALID_HANDLE_VALUE)
        return ids;

    THREADENTRY32 entry {};
    entry.dwSize = sizeof (entry);

    for (BOOL more = Thread32First (snapshot, &entry); more; more = Thread32Next (snapshot, &entry))
        if (entry.th32OwnerProcessID == process)
            ids.insert ((int) entry.th32ThreadID);

    CloseHandle (snapshot);
    return ids;
}

int ThreadTimes::currentThreadId()
{
    return (int) GetCurrentThreadId();
}

double ThreadTimes::threadCpuUs (int tid)
{
    const auto times = userAndKernelOf (tid);
    return times.first + times.second;
}

std::pair<double, double> ThreadTimes::threadUserSystemUs (int tid)
{
    return userAndKernelOf (tid);
}

std::pair<double, double> ThreadTimes::processUserSystemUs()
{
    FILETIME creation, exit, kernel, user;

    if (! GetProcessTimes (GetCurrentProcess(), &creation, &exit, &kernel, &user))
        return { 0, 0 };

    return { microseconds (user), microseconds (kernel) };
}

double ThreadTimes::processCpuUs()
{
    const auto times = processUserSystemUs();
    return times.first + times.second;
}
