#include "ShardProcesses.h"

#include <chrono>
#include <climits>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace
{
std::string ownExecutable()
{
    char path[PATH_MAX] = {};
    const auto length = readlink ("/proc/self/exe", path, sizeof (path) - 1);
    return length > 0 ? std::string (path, (size_t) length) : std::string();
}

long long sizeOf (const std::string& path)
{
    struct stat info
    {};
    return stat (path.c_str(), &info) == 0 ? (long long) info.st_size : -1;
}

std::string contentOf (const std::string& path)
{
    std::ifstream in (path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}
} // namespace

ShardProcesses::ShardProcesses (std::string folder) : outputFolder (std::move (folder)) {}

ShardProcesses::~ShardProcesses()
{
    // Never leave a copy behind, whatever happened to the test.
    for (const auto& child : children)
        if (child.pid > 0)
        {
            kill (child.pid, SIGKILL);
            waitpid (child.pid, nullptr, 0);
        }
}

bool ShardProcesses::start (const std::string& gtestFilter, const std::map<std::string, std::string>& variables)
{
    Child child;
    child.outputPath = outputFolder + "/shard" + std::to_string (children.size()) + ".log";

    std::vector<std::string> environment;

    for (char** entry = environ; *entry != nullptr; ++entry)
    {
        const std::string text (*entry);
        const auto name = text.substr (0, text.find ('='));

        if (variables.count (name) == 0)
            environment.push_back (text);
    }

    for (const auto& [name, value] : variables)
        environment.push_back (name + "=" + value);

    const std::string program = ownExecutable();
    const std::string filter = "--gtest_filter=" + gtestFilter;
    std::vector<char*> argv { const_cast<char*> (program.c_str()), const_cast<char*> (filter.c_str()), nullptr };
    std::vector<char*> envp;

    for (auto& text : environment)
        envp.push_back (text.data());

    envp.push_back (nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init (&actions);
    posix_spawn_file_actions_addopen (&actions, STDOUT_FILENO, child.outputPath.c_str(),
                                      O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2 (&actions, STDOUT_FILENO, STDERR_FILENO);
    posix_spawn_file_actions_addclose (&actions, STDIN_FILENO);

    pid_t pid = -1;
    const int error = posix_spawn (&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy (&actions);

    if (error != 0 || program.empty())
        return false;

    child.pid = pid;
    children.push_back (child);
    return true;
}

std::vector<ShardProcesses::Ended> ShardProcesses::waitForAll (int quietLimitMs)
{
    using Clock = std::chrono::steady_clock;
    std::vector<Ended> ended (children.size());
    std::vector<long long> lastSize (children.size(), -1);
    std::vector<Clock::time_point> lastGrowth (children.size(), Clock::now());
    size_t running = children.size();

    while (running > 0)
    {
        for (size_t i = 0; i < children.size(); ++i)
        {
            auto& child = children[i];

            if (child.pid <= 0)
                continue;

            int status = 0;

            if (waitpid (child.pid, &status, WNOHANG) == child.pid)
            {
                ended[i].exitCode = WIFEXITED (status) ? WEXITSTATUS (status) : -1;
                child.pid = -1;
                --running;
                continue;
            }

            const auto size = sizeOf (child.outputPath);

            if (size != lastSize[i])
            {
                lastSize[i] = size;
                lastGrowth[i] = Clock::now();
            }
            else if (Clock::now() - lastGrowth[i] > std::chrono::milliseconds (quietLimitMs))
            {
                kill (child.pid, SIGKILL);
                waitpid (child.pid, nullptr, 0);
                ended[i].killed = true;
                child.pid = -1;
                --running;
            }
        }

        std::this_thread::sleep_for (std::chrono::milliseconds (50));
    }

    for (size_t i = 0; i < children.size(); ++i)
        ended[i].output = contentOf (children[i].outputPath);

    return ended;
}

int ShardProcesses::ownId()
{
    return (int) getpid();
}

void ShardProcesses::endWithParent (int parentId)
{
    prctl (PR_SET_PDEATHSIG, SIGKILL);

    // The parent may have gone before the request was made.
    if ((int) getppid() != parentId)
        _exit (3);
}
