#pragma once

#include "app/AlarmDeskFeed.h"
#include "app/DialogWiring.h"
#include "app/PageCallRelay.h"
#include "app/ReceptionHandoff.h"
#include "app/StationController.h"
#include "app/StationDatabases.h"
#include "app/ZoneAlarms.h"
#include "app/ZoneEditor.h"
#include "base/ThreadAffinity.h"
#include "browser/CefClientListener.h"
#include "browser/scriptcalls/MapPage.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QEvent>
#include <QTimer>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

class QWebEngineView;

namespace corvane {

class CefClientHandler;
class CefClientV8Handler;
class CefClientV8Listener;
class PageProbe;
class StationRecords;
class TrackHistory;
class TrackReplayBar;

// The station's only top-level window: a resizable dialog filled by the web
// view that shows the map page, holding the parts that do the work, all on
// the GUI thread, where StationController decides what changes: the
// reception (ReceptionHandoff: the recorders' callbacks from the server
// thread, the workers' trouble), the dialogs' wiring (DialogWiring: the
// page's requests and what the dialogs save) and the page host below.
//
// Life: construct, initialize() (screen check, browser, databases, server),
// exec(), shutdown() (also run by the destructor). shutdown() handles every
// callback already taken from the socket before the databases close. A close
// request asks "Are you sure to close?"; closeWithoutAsking() (SIGTERM,
// SIGINT) skips the question. Enter and Escape never close the window.
//
// The page: its calls (MapPage), from this thread and from the callback
// decider's, gather in one PageCallRelay and go to it once a frame while it is
// loaded, one frame at a time. Until it has loaded, and while it loads again
// after a loss (its renderer ended), the calls wait, at most waitingCallLimit
// of them (FrameScript says which give way: track points and older positions
// first, alarms last); when it has
// loaded it gets the whole state first (time-out, map sources, attention
// settings, the list limit "page/ListLimit" before every vehicle, the sort,
// after a loss the page size too) and then the calls that waited, in order.
// A loss is told in the trace and in the window title, never in a box.
//
// Ownership: owns the browser client and extension handlers, the web view
// (as a child widget), the controller, the reception (and through it the
// callback server) and the dialogs' wiring; the records and the databases
// are process-wide single instances it opens and closes.
// Threads: the GUI thread only; what other threads call goes to the
// reception and to the relay (pageCalls()).
// Throws: only std::bad_alloc, and SystemException from initialize() when the
// server thread cannot be created.
class CorvaneDlg : public QDialog, public CefClientListener
{
    Q_OBJECT

public:
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
    int port() const { return m_reception.port(); }
    // What the station has dropped on purpose (shown in the setup dialog).
    const DropCounts& dropCounts() const { return m_reception.dropCounts(); }
    // Callbacks handed over by the receive thread and not yet handled.
    std::size_t waitingCallbacks() const { return m_reception.waitingCallbacks(); }
    QWebEngineView* browserView() const { return m_view.get(); }
    // Where the server hands the callbacks over (its delegate).
    ReceptionHandoff& reception() { return m_reception; }
    // What takes the page's requests (the extension handler's listener).
    CefClientV8Listener& pageRequests() { return m_wiring; }

    // CefClientListener
    void onPageLoaded() override;
    void onPageLost(const std::string& reason, int endsInARow, int pauseMs) override;
    // Whether the page has had the whole state since its last load.
    bool isPageReady() const { return m_pageReady; }

    // Where every call for the page goes (any thread): its next frame, or
    // kept while the page is not there.
    PageCallSink& pageCalls() { return m_relay; }

    void reject() override;

protected:
    void customEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // A frame goes to the page as soon as frameMs allow (once the page is ready).
    void scheduleFlush();
    void flushScripts();
    void createBrowser();
    // A notice box for each stored setting that was unusable and not told yet.
    void tellUnusableSettings();
    void handlePageLoaded();
    void sendMapSources();
    // With the list limit, which must precede the vehicles.
    void sendAttentionSettings();
    // "page/AlarmKinds" and "page/ZoneAlarmKinds" as stored, unknown bits cleared.
    std::uint32_t storedAlarmKinds();
    std::uint32_t storedZoneAlarmKinds();
    void connectDialogs();
    // The tile scheme's files, cache and templates from setup.db.
    void configureTiles(const QString& roadTemplate, const QString& satelliteTemplate);
    void createTrackHistory();
    void trackHistoryChanged();
    void updateTitle();
    void layoutChildren();

    std::unique_ptr<CefClientHandler> m_clientHandler;
    std::unique_ptr<CefClientV8Handler> m_v8Handler;
    // After the handlers, so the view (and its page) goes first.
    std::unique_ptr<QWebEngineView> m_view;
    StationRecords& m_records;
    // The stored track shown in place of a vehicle's live view, and its bar
    // under the map (a child widget, shown only then).
    std::unique_ptr<TrackHistory> m_trackHistory;
    std::unique_ptr<TrackReplayBar> m_replayBar; // goes before the history it uses
    StationDatabases m_databases;
    // Every page call, made on the callback decider's thread (the controller,
    // the zone alarms) as on this one: taken each frame (WM_PAGE_CALLS wakes
    // the window).
    PageCallRelay m_relay;
    MapPage m_mapPage{m_relay};
    // Before the controller, which calls it.
    ZoneAlarms m_zones;
    ZoneEditor m_zoneEditor{m_zones, m_mapPage};
    // The open alarms for the page, from the database's writer.
    AlarmDeskFeed m_alarmDesk;
    StationController m_controller;
    // After the controller and the databases they use.
    ReceptionHandoff m_reception;
    DialogWiring m_wiring;
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
    // A frame goes at most every 40 ms.
    bool m_flushPosted = false;
    QElapsedTimer m_sinceFlush;
    // A frame went to the page and has not been answered yet (since
    // m_frameSent); calls came meanwhile and want a frame after it.
    bool m_frameInFlight = false;
    bool m_frameOwed = false;
    QElapsedTimer m_frameSent;
    QTimer m_unansweredFrame; // sends what is owed once the answer is overdue
    // Held until the destructor starts: the page's answers check it.
    std::shared_ptr<void> m_alive = std::make_shared<int>(0);
    // Only when a benchmark asks for it (PageProbe); before the view goes.
    std::unique_ptr<PageProbe> m_probe;
    // The GUI thread, which made the window; debug builds check the calls
    // that must run there.
    ThreadAffinity m_guiThread;
};

} // namespace corvane
