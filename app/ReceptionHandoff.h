#pragma once

#include "app/CallbackDecider.h"
#include "callback/CallbackServerDelegate.h"
#include "callback/DropCounts.h"
#include "data/StorageListener.h"

#include <QObject>
#include <QString>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

class QEvent;
class QWidget;

namespace corvane {

class QuellonCallbackServer;
class StationController;
class StationDatabases;

// Where the recorders' callbacks start their way to storage, and where the
// workers' trouble reaches the GUI thread. It runs the callback server on
// "setup/Port" (bound to "callback/BindAddress", taking the senders of
// "callback/AllowedSenders"); the server thread hands each accepted callback
// to the CallbackDecider, whose own thread gives every one, in arrival
// order, to the controller: the GUI thread is not on that road. At most
// CallbackBacklog::defaultLimit callbacks wait at a time; later ones are
// dropped and counted in dropCounts().
//
// Told in notice boxes over the window (each as it is told): a port that
// cannot be opened at a start, a failed reception (the server opens the port
// again itself), the database writer's problem and its recovery, and a
// senders' list that does not read (then nobody's datagrams are taken).
// Notices from other threads travel in posted events that own their text.
//
// Life: start() once the databases are open; changePort() and
// applySenderFilter() while it runs; stop() stops the server, then the
// decider once it has decided every callback already taken from the socket,
// so the caller may then close the databases. stop() runs once; the
// destructor runs it too.
//
// Ownership: owns the server, the decider and the drop counts (lent to the
// controller for its life); borrows the controller, the databases and the
// window, which must outlive it. Threads: a GUI thread object; the delegate
// and listener operations are called on the server's and the writer's
// threads (they only copy and post), everything else on the GUI thread.
// Throws: start() raises SystemException when the server thread cannot be
// created; otherwise only std::bad_alloc.
class ReceptionHandoff final : public QObject, public CallbackServerDelegate, public StorageListener
{
    Q_OBJECT

public:
    ReceptionHandoff(StationController& controller, StationDatabases& databases, QWidget* window);
    ~ReceptionHandoff() override;

    void start();
    // Restarts reception on another port (the setup saved it).
    void changePort(int port);
    // Reads the allowed senders again (the setup may have changed them).
    void applySenderFilter();
    void stop();

    // The port the server was last started on.
    int port() const { return m_port; }
    // What the station has dropped on purpose (shown in the setup dialog).
    const DropCounts& dropCounts() const { return m_dropCounts; }
    // Callbacks handed over by the receive thread and not yet decided.
    std::size_t waitingCallbacks() const { return m_decider.waiting(); }

    // CallbackServerDelegate (server thread, or the caller of start).
    bool onCallbackReceived(const CallbackInfo& record) override;
    void onServerError(const char* text) override;
    void onReceptionFailed(const char* text) override;

    // StorageListener (the database writer's thread).
    void onStorageProblem(const std::string& text) override;
    void onStorageRecovered(const std::string& text) override;

protected:
    void customEvent(QEvent* event) override;

private:
    void startServer();
    void tellPortFailure(int port, const QString& reason);
    void postNotice(int type, bool problem, const std::string& text);
    void showNotice(QEvent* event);

    StationController& m_controller;
    StationDatabases& m_databases;
    QWidget* m_window;
    std::unique_ptr<QuellonCallbackServer> m_server;
    int m_port; // the stored port's default until start
    // Set while start() runs on this thread: a server error then is a start failure.
    bool m_startingServer = false;
    QString m_startFailure;
    // Counted from any thread; the decider's hand-off bounds the callbacks
    // handed over and not yet taken.
    DropCounts m_dropCounts;
    CallbackDecider m_decider;
};

} // namespace corvane
