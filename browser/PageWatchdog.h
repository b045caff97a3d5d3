#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>

class QWebEnginePage;

namespace corvane {

// Tells when a page's renderer has stopped answering: a script that never
// ends (or a renderer stuck in the engine) ends no process, so nothing else
// would notice that the map has frozen and every later call waits behind it.
//
// While armed it asks the page for a trivial result every probe interval, in
// a world of its own so the page's scripts cannot answer for it; a renderer
// busy with the page's work for a moment still answers between tasks. When
// no answer has come for the hang limit, it disarms itself and emits hung()
// once. Answers to probes of an earlier arming never count.
//
// Ownership: borrows the page (a guarded pointer: a page that goes disarms
// the watch). Threads: the GUI thread. Throws: nothing but std::bad_alloc.
class PageWatchdog : public QObject
{
    Q_OBJECT

public:
    explicit PageWatchdog(QObject* parent = nullptr);

    // Probe interval and hang limit; they apply from the next arm().
    void setTimes(int probeMs, int hangMs);
    int hangMs() const { return m_hangMs; }

    void arm(QWebEnginePage* page);
    void disarm();
    bool isArmed() const { return m_timer.isActive(); }

signals:
    // No answer for silentMs; the watch is disarmed.
    void hung(qint64 silentMs);

private:
    void probe();

    QPointer<QWebEnginePage> m_page;
    QTimer m_timer;
    QElapsedTimer m_sinceAnswer;
    int m_probeMs = 5000;
    int m_hangMs = 30000;
    unsigned m_arming = 0;
};

} // namespace corvane
