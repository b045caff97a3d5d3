#pragma once

#include "browser/PageWatchdog.h"
#include "browser/RestartPause.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QUrl>
#include <atomic>
#include <functional>
#include <string>

class QWebEngineView;

namespace corvane {

class CefClientListener;
class PageRequestGuard;
class TileSchemeHandler;

// Hosts the map page in one web view and runs the station's script calls in it.
//
// The handler adopts the first view it is given (adopt), loads the page text
// into it with the start-up folder as base address, and tells its listener
// when that load has ended. From then on executeScript runs scripts in the
// page's main world; scripts handed over while the page is not loaded are
// dropped (the window keeps what the page must still get, and sends the whole
// state when it is told the page has loaded). The adopted view shows no
// context menu and no tool-tip of its own (the page draws its own) and opens
// no popups, so no other browser is ever adopted.
//
// The page comes back: when its renderer process ends (crash, kill, out of
// memory) or its document is replaced all the same, the handler tells the
// listener (onPageLost), loads the page again after a pause (RestartPause:
// at once the first time, growing while it keeps ending) and tells the
// listener onPageLoaded again when that load has ended. A renderer that
// stops answering (a script that never ends) ends no process by itself: the
// handler watches the loaded page (PageWatchdog: a probe every 5 s, 30 s
// without an answer) and ends such a renderer, which is then a loss like any
// other, told as one that stopped answering.
//
// It keeps its document: every navigation but its own loads is refused (a
// link, a script setting location, a form, history, a refresh, a file
// dropped on the view). A script injected before the page's own cancels every
// navigation the document starts (about:blank and refreshes included, which
// never reach the engine's check; a fragment keeps the document) and closes
// form.submit, window.open, history entries and link clicks; the page text
// gets a script policy that lets only its own inline scripts and handlers
// run, so a javascript: address cannot replace the document either. The view
// takes no drops, and its requests pass a PageRequestGuard (own page, images/
// of the start-up folder, the station's tile scheme, the hosts given to
// setRemoteAddresses). The tile scheme's handler (tiles()) is installed on the
// adopted view's profile.
//
// Ownership: the handler keeps a guarded pointer to the view and owns neither
// the view nor the listener; both must outlive their use here (a destroyed
// view simply ends script execution).
// Threads: the handler lives on the GUI thread; every operation but
// executeScript and isPageLoaded must be called there. executeScript may be
// called from any thread while the handler exists; from another thread it is
// handed to the GUI thread and runs there in call order.
// Nothing here throws but std::bad_alloc.
class CefClientHandler : public QObject
{
    Q_OBJECT

public:
    // startupFolder: the folder the station started in; the page resolves its
    // relative addresses (images/...) against it.
    explicit CefClientHandler(QString startupFolder, QObject* parent = nullptr);
    ~CefClientHandler() override;

    // Stores the window's listener; call before adopt. May be null.
    void setListener(CefClientListener* listener);

    // Replaces the page text that adopt loads (by default the assembled map
    // page of page/MapPage.h). Its inline scripts are the only ones that run:
    // a script element with a src is refused.
    void setPageText(QString pageText);

    // Adopts view if no view has been adopted yet: prepares it (no context
    // menu, no tool-tips; its local page may reach remote addresses and play
    // sound before any click), makes the start-up folder the current directory and
    // loads the page text. Returns whether view was adopted. Any extension the
    // page needs must be attached to view's page before this call.
    bool adopt(QWebEngineView* view);

    // Runs script (UTF-16, or UTF-8 for the overload) in the page's main frame
    // once the page has loaded; drops it before that and after the view is gone.
    // The script's result is not read.
    void executeScript(const QString& script);
    void executeScript(const std::string& script);
    // The same on the GUI thread, and ran() once the page has run it (never
    // when the script is dropped, or the page goes before it ran).
    void executeScript(const std::string& script, std::function<void()> ran);

    // Whether the page is loaded now: false until its first load has ended,
    // and again from a loss until the reload has ended.
    bool isPageLoaded() const;

    // Loads the page has finished (1 after the first).
    int loads() const { return m_loads; }

    // The address the page text is loaded with (its base address).
    QUrl pageAddress() const;

    // The tile and geocoder address templates the page may reach.
    void setRemoteAddresses(const QStringList& templates);

    // The adopted view, or null.
    QWebEngineView* browser() const;

    // How often the loaded page is asked whether it still answers, and how
    // long it may stay silent; for tests. Applies from the next load.
    void setHangTimes(int probeMs, int hangMs) { m_watchdog.setTimes(probeMs, hangMs); }

    // Answers the page's corvane-tile:// requests once a view is adopted;
    // owned by this handler.
    TileSchemeHandler& tiles() const { return *m_tiles; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void loadPage();
    void onLoadFinished(bool ok);
    void pageLost(const std::string& reason);
    void pageHung(qint64 silentMs);
    void installDocumentGuard(QWebEngineView* view);
    void runScript(const QString& script);
    void blockToolTips(QObject* object);
    void guardNavigation(QWebEngineView* view);

    const QString m_startupFolder;
    QString m_pageText;
    CefClientListener* m_listener = nullptr;
    QPointer<QWebEngineView> m_view;
    std::atomic<bool> m_pageLoaded{false};
    // Between loadPage() and the end of that load: the one time the view may
    // navigate.
    bool m_loading = false;
    int m_loads = 0;
    RestartPause m_restarts;
    PageWatchdog m_watchdog;
    // How long the renderer ended for not answering had been silent; 0 when
    // the handler ended none.
    qint64 m_hungForMs = 0;
    QTimer m_reloadTimer;
    PageRequestGuard* m_requestGuard; // child of this handler
    TileSchemeHandler* m_tiles;       // child of this handler
};

} // namespace corvane
