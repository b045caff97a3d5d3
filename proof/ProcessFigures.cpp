#include "proof/ProcessFigures.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace corvane {

namespace {

// A field of /proc/<pid>/status such as "VmRSS:" or "Threads:"; 0 when missing.
long statusField(pid_t pid, const std::string& name)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(name, 0) == 0)
            return std::strtol(line.c_str() + name.size(), nullptr, 10);
    return 0;
}

// utime + stime of a process's or thread's stat file (fields 14 and 15); 0
// when gone.
long long cpuTicksIn(const std::string& statPath)
{
    std::ifstream stat(statPath);
    std::string text;
    std::getline(stat, text);
    const auto close = text.rfind(')');
    if (close == std::string::npos)
        return 0;
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    long long user = 0, system = 0;
    // Fields from the state (3rd) on; utime is the 14th.
    for (int number = 3; number <= 15 && fields >> field; ++number) {
        if (number == 14)
            user = std::atoll(field.c_str());
        else if (number == 15)
            system = std::atoll(field.c_str());
    }
    return user + system;
}

long long cpuTicksOf(pid_t pid)
{
    return cpuTicksIn("/proc/" + std::to_string(pid) + "/stat");
}

// The parent of every process, from /proc/<pid>/stat (the field after the
// parenthesised name, which may itself hold blanks and parentheses).
std::map<pid_t, pid_t> parents()
{
    std::map<pid_t, pid_t> result;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::ifstream stat(entry.path() / "stat");
        std::string text;
        std::getline(stat, text);
        const auto close = text.rfind(')');
        if (close == std::string::npos || close + 4 >= text.size())
            continue;
        // ") S ppid ..."
        result[std::stoi(name)] = std::strtol(text.c_str() + close + 4, nullptr, 10);
    }
    return result;
}

} // namespace

long long ProcessFigures::threadCpuTicks(pid_t pid, const std::string& name)
{
    long long ticks = 0;
    std::error_code error;
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    for (auto it = std::filesystem::directory_iterator(tasks, error);
         !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
        std::ifstream comm(it->path() / "comm");
        std::string threadName;
        std::getline(comm, threadName);
        if (threadName == name)
            ticks += cpuTicksIn((it->path() / "stat").string());
    }
    return ticks;
}

ProcessFigures ProcessFigures::read(pid_t pid)
{
    ProcessFigures figures;
    figures.residentKiB = statusField(pid, "VmRSS:");
    figures.threads = statusField(pid, "Threads:");
    figures.cpuTicks = cpuTicksOf(pid);
    std::error_code error;
    for (auto it =
             std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/fd", error);
         !error && it != std::filesystem::directory_iterator(); it.increment(error))
        ++figures.descriptors;

    const std::map<pid_t, pid_t> parentOf = parents();
    std::vector<pid_t> frontier{pid};
    while (!frontier.empty()) {
        const pid_t parent = frontier.back();
        frontier.pop_back();
        for (const auto& [child, itsParent] : parentOf)
            if (itsParent == parent) {
                ++figures.descendants;
                figures.descendantsResidentKiB += statusField(child, "VmRSS:");
                figures.descendantsCpuTicks += cpuTicksOf(child);
                frontier.push_back(child);
            }
    }
    return figures;
}

} // namespace corvane
