#pragma once

#include <set>
#include <utility>

// The CPU time of this process and of its threads, as the system counts it.
// Each platform has a file of its own.
namespace ThreadTimes
{
// The ids of this process's threads.
std::set<int> threadIds();

// The id of the calling thread, as threadIds lists it.
int currentThreadId();

// CPU time a thread of this process has used, in microseconds, as
// precisely as the system counts it.
double threadCpuUs (int tid);

// User and system time of a thread of this process, in microseconds, in
// the units the system's scheduler accounting uses (clock ticks on
// Linux), so that they can be taken from processUserSystemUs.
std::pair<double, double> threadUserSystemUs (int tid);

// User and system time of the whole process, in microseconds.
std::pair<double, double> processUserSystemUs();

// CPU time of the whole process, in microseconds.
double processCpuUs();
} // namespace ThreadTimes
