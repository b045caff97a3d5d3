#pragma once

#include <optional>
#include <string>
#include <sys/types.h>

namespace corvane {

// The station program run as an operator runs it, headless, in a start-up
// folder of the caller's choice: for the tests and benchmarks that prove the
// whole program under load, faults and hostile input.
//
// The child gets the caller's environment plus a headless platform with one
// 1280 x 800 screen, the web engine's flags for running as root without a GPU,
// TMPDIR and HOME set to a private folder and no XDG_RUNTIME_DIR (its
// single-instance socket and the web engine's profile live there, so stations
// in different folders never meet). Its standard output and error
// go to a log file beside that private folder.
//
// Ownership: owns the child; the destructor kills a child still running
// (SIGKILL) and reaps it. Threads: one thread per instance.
// Throws: std::runtime_error when the child cannot be started.
class StationProcess
{
public:
    // binary: the station executable; folder: its start-up folder (must exist).
    StationProcess(std::string binary, std::string folder);
    ~StationProcess();

    StationProcess(const StationProcess&) = delete;
    StationProcess& operator=(const StationProcess&) = delete;

    // Starts the child; with a user id it drops to that user and group (and no
    // supplementary groups) before
    // the program starts, so file permissions bind it even when the caller is root.
    void start(std::optional<uid_t> user = std::nullopt);

    // Whether the child is still running (reaps it when it has ended).
    bool running();
    // Sends a signal to the child.
    void signal(int number);
    // Waits up to timeoutMs for the child to end; its wait status, or nothing
    // when it still runs.
    std::optional<int> waitExit(int timeoutMs);

    pid_t pid() const noexcept { return m_pid; }
    // What the child wrote to its standard output and error so far.
    std::string log() const;

private:
    std::string m_binary;
    std::string m_folder;
    std::string m_privateFolder;
    pid_t m_pid = -1;
    std::optional<int> m_status;
};

} // namespace corvane
