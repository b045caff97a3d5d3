#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>

namespace corvane {

// Makes sure one station per user shows a window. The first instance listens
// on a local socket in the user's private folder (PrivateFolder: the runtime
// folder XDG_RUNTIME_DIR, else a folder of the user's with mode 0700 in the
// temporary folder); a later start connects to it, asks it to show its
// window, and is told to end. Connections from, or a listener of, another
// user are ignored, so nobody else can hold the name or wake the window.
//
// Ownership: owns its server. Threads: GUI thread. Throws: never.
class SingleInstance : public QObject
{
    Q_OBJECT

public:
    enum class Claim
    {
        First,    // this is the first instance; it now listens
        Deferred, // another instance of this user answered and shows itself
        Unguarded // no private folder or socket could be had: run without the check
    };

    explicit SingleInstance(QObject* parent = nullptr);
    ~SingleInstance() override;

    // "<private folder>/orvex-corvane.instance"; empty, with `problem`, when
    // there is no private folder.
    static QString serverName(QString* problem = nullptr);

    Claim claim();

    // Why the last claim() was Unguarded.
    const QString& problem() const { return m_problem; }

signals:
    // Another start asked this instance to show its window.
    void activationRequested();

private:
    void onNewConnection();

    QLocalServer m_server;
    QString m_problem;
};

} // namespace corvane
