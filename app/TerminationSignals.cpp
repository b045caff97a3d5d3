#include "app/TerminationSignals.h"

#include "base/SystemException.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <iterator>
#include <unistd.h>

namespace corvane {

namespace {

volatile std::sig_atomic_t writeEnd = -1;

void onSignal(int)
{
    const int savedErrno = errno;
    const char byte = 1;
    if (writeEnd >= 0) [[maybe_unused]]
        ssize_t ignored = ::write(writeEnd, &byte, 1);
    errno = savedErrno;
}

// A closed terminal or a dropped ssh session sends SIGHUP: the station ends
// then as it ends on Ctrl-C, not by the default action, which loses every
// record still queued.
constexpr int handled[] = {SIGTERM, SIGINT, SIGHUP};
bool installed[std::size(handled)] = {};

void setAction(int number, void (*handler)(int))
{
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(number, &action, nullptr);
}

} // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent)
{
    if (::pipe2(m_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        CORVANE_THROW(SystemException, errno);
    writeEnd = m_pipe[1];
    m_notifier = std::make_unique<QSocketNotifier>(m_pipe[0], QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &TerminationSignals::onReadable);
    for (std::size_t i = 0; i < std::size(handled); ++i) {
        // A start under nohup, or as a script's background job, was asked to
        // outlive the hang-up or the interrupt: ignored it stays.
        struct sigaction before = {};
        ::sigaction(handled[i], nullptr, &before);
        installed[i] = handled[i] == SIGTERM || before.sa_handler != SIG_IGN;
        if (installed[i])
            setAction(handled[i], onSignal);
    }
}

TerminationSignals::~TerminationSignals()
{
    for (std::size_t i = 0; i < std::size(handled); ++i) {
        if (installed[i])
            setAction(handled[i], SIG_DFL);
    }
    writeEnd = -1;
    m_notifier.reset();
    ::close(m_pipe[0]);
    ::close(m_pipe[1]);
}

void TerminationSignals::onReadable()
{
    char bytes[16];
    bool arrived = false;
    while (::read(m_pipe[0], bytes, sizeof bytes) > 0)
        arrived = true;
    if (arrived)
        emit terminationRequested();
}

} // namespace corvane
