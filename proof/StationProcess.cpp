#include "proof/StationProcess.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <grp.h>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace corvane {

namespace {

bool replaced(const std::string& entry)
{
    // Without a runtime folder the single-instance socket goes to TMPDIR.
    for (const char* name : {"QT_QPA_PLATFORM=", "QTWEBENGINE_CHROMIUM_FLAGS=", "TMPDIR=", "HOME=",
                             "XDG_RUNTIME_DIR="})
        if (entry.rfind(name, 0) == 0)
            return true;
    return false;
}

} // namespace

StationProcess::StationProcess(std::string binary, std::string folder)
    : m_binary(std::move(binary)), m_folder(std::move(folder))
{
    std::string pattern =
        (std::filesystem::temp_directory_path() / "corvane-station-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("mkdtemp failed");
    m_privateFolder = pattern;
    // Readable and writable by a station that runs as another user.
    std::filesystem::permissions(m_privateFolder, std::filesystem::perms::all);
    std::ofstream(m_privateFolder + "/screens.json")
        << "{\"screens\": [{\"name\": \"screen0\", \"x\": 0, \"y\": 0, \"width\": 1280, "
           "\"height\": 800, \"logicalDpi\": 96, \"logicalBpi\": 96, \"dpr\": 1}]}\n";
}

StationProcess::~StationProcess()
{
    if (running()) {
        signal(SIGKILL);
        waitExit(60000);
    }
    std::error_code ignored;
    std::filesystem::remove_all(m_privateFolder, ignored);
}

void StationProcess::start(std::optional<uid_t> user)
{
    // Everything the child needs is prepared before fork: between fork and
    // exec only async-signal-safe calls are made.
    std::vector<std::string> entries;
    for (char** entry = environ; *entry != nullptr; ++entry)
        if (!replaced(*entry))
            entries.emplace_back(*entry);
    entries.push_back("QT_QPA_PLATFORM=offscreen:configfile=" + m_privateFolder + "/screens.json");
    entries.push_back("QTWEBENGINE_CHROMIUM_FLAGS=--no-sandbox --disable-gpu");
    entries.push_back("TMPDIR=" + m_privateFolder);
    // The web engine keeps its profile under HOME: one of its own per station.
    entries.push_back("HOME=" + m_privateFolder);
    std::vector<char*> envp;
    for (std::string& entry : entries)
        envp.push_back(entry.data());
    envp.push_back(nullptr);
    std::string binary = m_binary;
    char* argv[] = {binary.data(), nullptr};
    const std::string logPath = m_privateFolder + "/station.log";
    const int logFd = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
    if (logFd < 0)
        throw std::runtime_error("cannot open " + logPath);

    m_status.reset();
    m_pid = ::fork();
    if (m_pid < 0) {
        ::close(logFd);
        throw std::runtime_error("fork failed");
    }
    if (m_pid == 0) {
        ::dup2(logFd, STDOUT_FILENO);
        ::dup2(logFd, STDERR_FILENO);
        const int input = ::open("/dev/null", O_RDONLY);
        ::dup2(input, STDIN_FILENO);
        if (::chdir(m_folder.c_str()) != 0)
            ::_exit(126);
        if (user && (::setgroups(0, nullptr) != 0 || ::setgid(*user) != 0 || ::setuid(*user) != 0))
            ::_exit(126);
        ::execve(argv[0], argv, envp.data());
        ::_exit(127);
    }
    ::close(logFd);
}

bool StationProcess::running()
{
    if (m_pid <= 0 || m_status)
        return false;
    int status = 0;
    const pid_t done = ::waitpid(m_pid, &status, WNOHANG);
    if (done == m_pid || (done < 0 && errno == ECHILD)) {
        m_status = status;
        return false;
    }
    return true;
}

void StationProcess::signal(int number)
{
    if (running())
        ::kill(m_pid, number);
}

std::optional<int> StationProcess::waitExit(int timeoutMs)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (running()) {
        if (std::chrono::steady_clock::now() > end)
            return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return m_status;
}

std::string StationProcess::log() const
{
    std::ifstream in(m_privateFolder + "/station.log");
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace corvane
