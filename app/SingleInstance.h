#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>

namespace corvane {

// Makes sure one station per user shows a window. The first instance listens
// on a local socket named after "ORVEX Corvane" and the user; a later start
// connects to it, asks it to show its window, and is told to end.
//
// The socket lives in the system's temporary folder (TMPDIR), so separate
// temporary folders give separate instances (tests rely on that).
//
// Ownership: owns its server. Threads: GUI thread. Throws: never.
class SingleInstance : public QObject
{
    Q_OBJECT

public:
    explicit SingleInstance(QObject* parent = nullptr);
    ~SingleInstance() override;

    // "ORVEX Corvane-<user>"
    static QString serverName();

    // True when this is the first instance (it now listens); false when
    // another instance answered and was asked to show itself.
    bool claim();

signals:
    // Another start asked this instance to show its window.
    void activationRequested();

private:
    void onNewConnection();

    QLocalServer m_server;
};

} // namespace corvane
