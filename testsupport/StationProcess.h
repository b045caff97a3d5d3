#pragma once

#include "testsupport/TempFolder.h"

#include <optional>
#include <string>
#include <sys/types.h>

namespace corvane {

// The station program run as an operator runs it, headless, in a start-up
// folder of the caller's choice: for the tests and benchmarks that prove the
// whole program under load, faults and hostile input.
//
// The child gets the caller's environment plus a headless platform with one
// screen (1280 x 800 unless set), the web engine's flags for running as root
// without a GPU, TMPDIR and HOME set to a private folder and no
// XDG_RUNTIME_DIR (its single-instance socket and the web engine's profile
// live there, so stations never meet unless given the same temporary folder).
// Its standard output and error go to files in that private folder.
//
// Ownership: owns the child; the destructor kills a child still running
// (SIGKILL) and reaps it, then removes the private folder. Threads: one
// thread per instance. Throws: std::runtime_error when the private folder,
// the output files or the child cannot be made.
class StationProcess
{
public:
    // binary: the station executable; folder: its start-up folder (must exist).
    StationProcess(std::string binary, std::string folder);
    ~StationProcess();

    StationProcess(const StationProcess&) = delete;
    StationProcess& operator=(const StationProcess&) = delete;

    // The one screen of the headless platform, for the next start.
    void setScreen(int width, int height);
    // TMPDIR for the next start instead of the private folder: stations given
    // the same one find each other's single-instance socket there, as two
    // started by one user of one machine do. The folder must exist.
    void setTempFolder(std::string folder);
    // TMPDIR of the child.
    const std::string& tempFolder() const noexcept { return m_tempFolder; }

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
    // What the child wrote to its standard output and error so far (its
    // standard output is a file: what it buffers comes when it ends).
    std::string standardOutput() const;
    std::string standardError() const;
    // Both, output first: for the message of a failed check.
    std::string log() const;

private:
    std::string m_binary;
    std::string m_folder;
    TempFolder m_private; // screens, log, HOME; TMPDIR unless set
    std::string m_tempFolder;
    pid_t m_pid = -1;
    std::optional<int> m_status;
};

} // namespace corvane
