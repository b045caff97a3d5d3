#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <memory>

namespace corvane {

// Turns SIGTERM, SIGINT and SIGHUP into a Qt signal on the GUI thread, so that the
// station can close in order (server stopped, queued records written,
// databases closed) instead of dying with the default action. The handler
// only writes one byte into a pipe; everything else runs in the event loop.
//
// SIGINT and SIGHUP ignored when the process started (nohup, a background
// job of a script) stay ignored.
//
// One instance per process: the handlers are installed by the constructor
// and the default actions restored by the destructor.
// Threads: GUI thread. Throws: SystemException when the pipe cannot be made.
class TerminationSignals : public QObject
{
    Q_OBJECT

public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

signals:
    // SIGTERM, SIGINT or SIGHUP arrived (once per arrival).
    void terminationRequested();

private:
    void onReadable();

    int m_pipe[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> m_notifier;
};

} // namespace corvane
