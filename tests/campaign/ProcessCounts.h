#pragma once

// The process's threads and open file descriptors, as the system counts
// them, so that a run can be seen to give back everything it took.
struct ProcessCounts
{
    int threads = 0;
    int descriptors = 0;

    static ProcessCounts now();

    bool operator== (const ProcessCounts& other) const
    {
        return threads == other.threads && descriptors == other.descriptors;
    }
};
