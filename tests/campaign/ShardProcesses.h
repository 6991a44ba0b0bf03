#pragma once

#include <map>
#include <string>
#include <vector>

// Copies of this test program running side by side, each with some extra
// environment variables, their output going to a file of their own. The
// simulated controller is one per process, so engines run side by side only
// in processes of their own.
class ShardProcesses
{
public:
    // A folder for the output files, which must exist.
    explicit ShardProcesses (std::string outputFolder);
    ~ShardProcesses();

    // Starts this program again with the gtest filter and the variables
    // added to (or replacing those in) its own environment. False when it
    // could not be started.
    bool start (const std::string& gtestFilter, const std::map<std::string, std::string>& variables);

    struct Ended
    {
        int exitCode = -1;   // -1 when it did not exit normally
        bool killed = false; // stopped by us for making no progress
        std::string output;  // stdout and stderr
    };

    // Waits for every copy to end. A copy whose output has not grown for
    // `quietLimitMs` is taken to hang and killed.
    std::vector<Ended> waitForAll (int quietLimitMs);

    // This process's id, which a copy is given as its parent's.
    static int ownId();

    // For a copy: ends this process at once when the program that started
    // it ends, however it ends (a test runner's time limit kills it), so
    // that no copy is ever left running on its own.
    static void endWithParent (int parentId);

private:
    struct Child
    {
        int pid = -1;
        std::string outputPath;
    };

    std::string outputFolder;
    std::vector<Child> children;
};
