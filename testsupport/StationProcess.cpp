#include "testsupport/StationProcess.h"

#include "testsupport/DeadlineWait.h"

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

int openLog(const std::string& path)
{
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
}

std::string fileText(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

StationProcess::StationProcess(std::string binary, std::string folder)
    : m_binary(std::move(binary)), m_folder(std::move(folder)), m_tempFolder(m_private.path())
{
    // Readable and writable by a station that runs as another user.
    std::filesystem::permissions(m_private.path(), std::filesystem::perms::all);
    setScreen(1280, 800);
}

StationProcess::~StationProcess()
{
    if (running()) {
        signal(SIGKILL);
        waitExit(60000);
    }
}

void StationProcess::setScreen(int width, int height)
{
    std::ofstream(m_private.file("screens.json"))
        << "{\"screens\": [{\"name\": \"screen0\", \"x\": 0, \"y\": 0, \"width\": " << width
        << ", \"height\": " << height
        << ", \"logicalDpi\": 96, \"logicalBpi\": 96, \"dpr\": 1}]}\n";
}

void StationProcess::setTempFolder(std::string folder)
{
    m_tempFolder = std::move(folder);
}

void StationProcess::start(std::optional<uid_t> user)
{
    // Everything the child needs is prepared before fork: between fork and
    // exec only async-signal-safe calls are made.
    std::vector<std::string> entries;
    for (char** entry = environ; *entry != nullptr; ++entry)
        if (!replaced(*entry))
            entries.emplace_back(*entry);
    entries.push_back("QT_QPA_PLATFORM=offscreen:configfile=" + m_private.file("screens.json"));
    entries.push_back("QTWEBENGINE_CHROMIUM_FLAGS=--no-sandbox --disable-gpu");
    entries.push_back("TMPDIR=" + m_tempFolder);
    // The web engine keeps its profile under HOME: one of its own per station.
    entries.push_back("HOME=" + m_private.path().string());
    std::vector<char*> envp;
    for (std::string& entry : entries)
        envp.push_back(entry.data());
    envp.push_back(nullptr);
    std::string binary = m_binary;
    char* argv[] = {binary.data(), nullptr};
    // Standard output and error apart, so that a test can tell where a text went.
    const int outFd = openLog(m_private.file("station.out"));
    const int errFd = openLog(m_private.file("station.err"));
    if (outFd < 0 || errFd < 0) {
        ::close(outFd);
        ::close(errFd);
        throw std::runtime_error("cannot open the station's log in " + m_private.path().string());
    }

    m_status.reset();
    m_pid = ::fork();
    if (m_pid < 0) {
        ::close(outFd);
        ::close(errFd);
        throw std::runtime_error("fork failed");
    }
    if (m_pid == 0) {
        ::dup2(outFd, STDOUT_FILENO);
        ::dup2(errFd, STDERR_FILENO);
        const int input = ::open("/dev/null", O_RDONLY);
        ::dup2(input, STDIN_FILENO);
        if (::chdir(m_folder.c_str()) != 0)
            ::_exit(126);
        if (user && (::setgroups(0, nullptr) != 0 || ::setgid(*user) != 0 || ::setuid(*user) != 0))
            ::_exit(126);
        ::execve(argv[0], argv, envp.data());
        ::_exit(127);
    }
    ::close(outFd);
    ::close(errFd);
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
    if (!test::waitFor([this] { return !running(); }, std::chrono::milliseconds(timeoutMs)))
        return std::nullopt;
    return m_status;
}

std::string StationProcess::standardOutput() const
{
    return fileText(m_private.file("station.out"));
}

std::string StationProcess::standardError() const
{
    return fileText(m_private.file("station.err"));
}

std::string StationProcess::log() const
{
    return standardOutput() + standardError();
}

} // namespace corvane
