#pragma once

#include "app/ScriptSink.h"
#include "app/StationController.h"
#include "app/StationDatabases.h"
#include "base/ThreadAffinity.h"
#include "browser/CefClientListener.h"
#include "browser/CefClientV8Listener.h"
#include "browser/scriptcalls/FrameScript.h"
#include "callback/CallbackHandoff.h"
#include "callback/CallbackServerDelegate.h"
#include "callback/DropCounts.h"
#include "data/StorageListener.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QEvent>
#include <atomic>
#include <memory>
#include <string>
#include <vector>

class QWebEngineView;

namespace corvane {

class CefClientHandler;
class CefClientV8Handler;
class PageProbe;
class QuellonCallbackServer;
class StationRecords;
class TrackHistory;
class TrackReplayBar;

// The station's only top-level window: a resizable dialog filled by the web
// view that shows the map page. Everything ends up here: the recorders'
// callbacks (from the server thread), the page's requests and the operator's
// commands arrive as private events (CorvaneEvents.h) and are handled on the
// GUI thread, where StationController decides what changes.
//
// Life: construct, initialize() (screen check, browser, databases, server),
// exec(), shutdown() (also run by the destructor). shutdown() handles every
// callback already taken from the socket before the databases close. The
// database writer's trouble and a failed wait of the server are shown in
// warning boxes as they are told (once each). A close request asks
// "Are you sure to close?"; closeWithoutAsking() (SIGTERM, SIGINT) skips the
// question. Enter and Escape never close the window.
//
// The page: script calls go to it once a frame while it is loaded. Until it
// has loaded, and while it loads again after a loss (its renderer ended), the
// calls wait, at most waitingCallLimit of them (FrameScript says which give
// way: track points and older positions first, alarms last); when it has
// loaded it gets the whole state first (time-out, map sources, attention
// settings, every vehicle, the sort, after a loss the page size too) and
// then the calls that waited, in order. A loss is told in the trace and in
// the window title, never in a box.
//
// Ownership: owns the browser client and extension handlers, the web view
// (as a child widget), the callback server and the controller; the records
// and the databases are process-wide single instances it opens and closes.
// Threads: GUI thread, except the delegate operations (server thread; they
// only copy into the hand-off and post a wake-up when none is on its way, at
// most CallbackBacklog::defaultLimit callbacks wait at a time, later ones are
// dropped and counted). executeScript too is for the GUI thread only (debug
// builds check it).
// Throws: only std::bad_alloc, and SystemException from initialize() when the
// server thread cannot be created.
class CorvaneDlg : public QDialog,
                   public CallbackServerDelegate,
                   public CefClientV8Listener,
                   public CefClientListener,
                   public ScriptSink,
                   public StorageListener
{
    Q_OBJECT

public:
    static constexpr int defaultPort = 10111;
    // Script calls kept while the page cannot take them.
    static constexpr std::size_t waitingCallLimit = 20000;

    // records: the vehicle, event and GPS stores (the process-wide containers
    // in the station; tests may pass their own). Not owned.
    explicit CorvaneDlg(StationRecords& records, QWidget* parent = nullptr);
    ~CorvaneDlg() override;

    // Checks the screen; on a screen smaller than 1024 x 620 writes "Bad
    // resolution format or unsupported resolution." to standard error, shows
    // it in a box unless nobody can answer one (see setUnattended), and
    // returns false (the station then ends). Otherwise creates the browser,
    // opens the databases in the start-up folder, starts the server on
    // "setup/Port" (10111 when the stored value is no port from 1500 to
    // 32000, which is told in a notice box and the trace) and returns true.
    bool initialize();

    // No operator can see or answer a message box (an invisible platform):
    // start-up messages go to standard error only, so the station ends
    // instead of waiting on a box forever.
    void setUnattended(bool unattended) { m_unattended = unattended; }

    // Stops the server, writes what is queued and closes both databases.
    // Runs once; later calls do nothing.
    void shutdown();

    // Ends the modal run at once, closing any dialog or question open over
    // the window, without asking.
    void closeWithoutAsking();

    // Shows the window normal, raised and active (another start asked).
    void activate();

    // The port the server was last started on.
    int port() const { return m_port; }
    // What the station has dropped on purpose (shown in the setup dialog).
    const DropCounts& dropCounts() const { return m_dropCounts; }
    // Callbacks handed over by the receive thread and not yet handled.
    std::size_t waitingCallbacks() const { return m_handoff.waiting(); }
    QWebEngineView* browserView() const { return m_view.get(); }

    // CallbackServerDelegate (server thread, or the caller of start).
    bool onCallbackReceived(const CallbackInfo& record) override;
    void onServerError(const char* text) override;
    void onReceptionFailed(const char* text) override;

    // StorageListener (the database writer's thread): shown in a box.
    void onStorageProblem(const std::string& text) override;
    void onStorageRecovered(const std::string& text) override;

    // CefClientV8Listener (GUI thread).
    void onClickLog() override;
    void onClickSetup() override;
    void onClickEdit(const std::string& id) override;
    void onClickRemove(const std::string& id) override;
    void onChangeName(const std::string& id, const std::string& name) override;
    void onUpdateOptionalInfo(const std::string& id, const std::string& imagePath,
                              const std::string& info1, const std::string& info2) override;
    void onClickImgBtn(const std::string& id) override;
    void onChangeAlarmMute(bool muted) override;
    void onClickTrackHistory(const std::string& id) override;

    // CefClientListener
    void onPageLoaded() override;
    void onPageLost(const std::string& reason, int endsInARow, int pauseMs) override;
    // Whether the page has had the whole state since its last load.
    bool isPageReady() const { return m_pageReady; }

    // ScriptSink: hands the call to the page (kept while it is not there).
    void executeScript(const std::string& script) override;

    void reject() override;

protected:
    void customEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void flushScripts();
    void createBrowser();
    void startServer();
    void tellPortFailure(int port, const QString& reason);
    // A notice box for each stored setting that was unusable and not told yet.
    void tellUnusableSettings();
    void applySenderFilter();
    void postNotice(QEvent::Type type, bool problem, const std::string& text);
    void showNotice(QEvent::Type type, QEvent* event);
    // Takes every callback waiting in the hand-off and hands each, in
    // arrival order, to the controller.
    void handleWaitingCallbacks();
    // The same at shutdown, whatever became of the posted wake-ups.
    void drainCallbacks();
    void handlePageLoaded();
    void sendMapSources();
    void sendAttentionSettings();
    bool askYesNo(const QString& question);
    void removeVehicle(const std::string& id);
    void editVehicle(const std::string& id);
    void showStoredTrack(const std::string& id);
    void chooseImage(const std::string& id);
    void createTrackHistory();
    void trackHistoryChanged();
    void updateTitle();
    void layoutChildren();

    std::unique_ptr<CefClientHandler> m_clientHandler;
    std::unique_ptr<CefClientV8Handler> m_v8Handler;
    // After the handlers, so the view (and its page) goes first.
    std::unique_ptr<QWebEngineView> m_view;
    std::unique_ptr<QuellonCallbackServer> m_server;
    StationRecords& m_records;
    // The stored track shown in place of a vehicle's live view, and its bar
    // under the map (a child widget, shown only then).
    std::unique_ptr<TrackHistory> m_trackHistory;
    std::unique_ptr<TrackReplayBar> m_replayBar; // goes before the history it uses
    StationDatabases m_databases;
    StationController m_controller;
    int m_port = defaultPort;
    int m_minimumWidth = 0;
    int m_minimumHeight = 0;
    std::atomic<bool> m_pageLoadedPosted{false};
    // The page has loaded and got the whole state; calls go to it each frame.
    bool m_pageReady = false;
    // What the title tells of the page's losses; empty until one.
    QString m_pageNotice;
    bool m_running = true;
    bool m_unattended = false;
    bool m_initialized = false;
    bool m_shutDown = false;
    bool m_closeConfirmed = false;
    // Set while start() runs on this thread: a server error then is a start failure.
    bool m_startingServer = false;
    QString m_startFailure;
    // Script calls made since the last frame went to the page (GUI thread);
    // a frame goes at most every 40 ms.
    FrameScript m_pendingScript;
    bool m_flushPosted = false;
    // Counted from any thread; the hand-off bounds the callbacks handed to
    // this window and not yet taken, and posts WM_CALLBACK_RECEIVED (a bare
    // wake-up, it carries nothing) when callbacks start to wait.
    DropCounts m_dropCounts;
    CallbackHandoff m_handoff;
    // The batch being handled (GUI thread); kept so its storage is reused.
    std::vector<CallbackInfo> m_takenCallbacks;
    QElapsedTimer m_sinceFlush;
    // Only when a benchmark asks for it (PageProbe); before the view goes.
    std::unique_ptr<PageProbe> m_probe;
    // The GUI thread, which made the window; debug builds check the calls
    // that must run there.
    ThreadAffinity m_guiThread;
};

} // namespace corvane
