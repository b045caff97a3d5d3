#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>

namespace corvane {

// Makes sure one station per user shows a window. Which start is the station
// is decided by an exclusive lock (flock) on a file in the user's private
// folder (PrivateFolder: the runtime folder XDG_RUNTIME_DIR, else a folder of
// the user's with mode 0700 in the temporary folder), held from claim() until
// the object goes: of two starts at the same moment exactly one gets it, and
// the kernel lets it go when its holder dies, however it dies. The holder
// listens on a local socket beside the lock (a socket file found there is a
// dead station's and is replaced); a later start, refused the lock, connects
// to it, asks it to show its window, and is told to end. Connections from,
// or a listener of, another user are ignored, so nobody else can hold the
// name or wake the window.
//
// Ownership: owns its server and the lock's descriptor (not inherited by the
// processes the station starts). Threads: GUI thread. Throws: never.
class SingleInstance : public QObject
{
    Q_OBJECT

public:
    enum class Claim
    {
        First,      // this start holds the lock; it listens when it could
        Deferred,   // another instance of this user answered and shows itself
        Unanswered, // another instance holds the lock but did not take the request
        Unguarded   // no private folder or lock could be had: run without the check
    };

    explicit SingleInstance(QObject* parent = nullptr);
    ~SingleInstance() override;

    // "<private folder>/orvex-corvane.instance"; empty, with `problem`, when
    // there is no private folder.
    static QString serverName(QString* problem = nullptr);
    // "<private folder>/orvex-corvane.lock", beside the socket.
    static QString lockName(const QString& serverName);

    // How long a start refused the lock tries to reach the holder, which may
    // have taken the lock a moment ago and not listen yet.
    static constexpr int answerDeadlineMs = 10000;

    Claim claim();

    // Why the last claim() was Unguarded or Unanswered, or why a First one
    // does not listen (a later start then cannot reach it, but still ends).
    const QString& problem() const { return m_problem; }

signals:
    // Another start asked this instance to show its window.
    void activationRequested();

private:
    void onNewConnection();
    bool askHolder(const QString& name);

    QLocalServer m_server;
    int m_lock = -1;
    QString m_problem;
};

} // namespace corvane
