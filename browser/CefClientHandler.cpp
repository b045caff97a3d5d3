#include "browser/CefClientHandler.h"

#include "base/Trace.h"
#include "browser/CefClientListener.h"
#include "browser/PageRequestGuard.h"
#include "browser/TileSchemeHandler.h"
#include "page/MapPage.h"

#include <QCryptographicHash>
#include <QDir>
#include <QEvent>
#include <QRegularExpression>
#include <QThread>
#include <QUrl>
#include <QWebEngineHistory>
#include <QWebEngineNavigationRequest>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <QWebEngineView>
#include <QWidget>
#include <csignal>
#include <sys/types.h>

namespace corvane {

namespace {

// Runs before the page's own script, in every frame. Some roads away from the
// document are taken inside the renderer and never reach the engine's
// navigation check (a form or link to about:blank), others add history
// entries that a later navigation would follow: they are closed here. The
// replaced functions cannot be replaced again.
const char documentGuardScript[] = R"JS((function () {
    'use strict';
    function lock(object, name, value) {
        try {
            Object.defineProperty(object, name,
                                  {value: value, writable: false, configurable: false});
        } catch (e) {}
    }
    function nothing() {}
    lock(HTMLFormElement.prototype, 'submit', nothing);
    lock(HTMLFormElement.prototype, 'requestSubmit', nothing);
    lock(window, 'open', function () { return null; });
    ['pushState', 'replaceState', 'back', 'forward', 'go'].forEach(function (name) {
        lock(History.prototype, name, nothing);
    });
    function isLink(node) {
        for (; node && node.nodeType === 1; node = node.parentNode) {
            var tag = node.localName;
            if ((tag === 'a' || tag === 'area') && node.hasAttribute('href')) {
                return true;
            }
        }
        return false;
    }
    function keepLink(event) {
        if (isLink(event.target)) {
            event.preventDefault();
        }
    }
    window.addEventListener('click', keepLink, true);
    window.addEventListener('auxclick', keepLink, true);
    window.addEventListener('submit', function (event) { event.preventDefault(); }, true);
    window.addEventListener('dragover', function (event) {
        if (event.dataTransfer) {
            event.dataTransfer.dropEffect = 'none';
        }
    }, true);
    window.addEventListener('drop', function (event) { event.preventDefault(); }, true);
    // Every navigation the document starts, about:blank and refreshes too,
    // passes here first; only a fragment keeps the document.
    if (window.navigation) {
        window.navigation.addEventListener('navigate', function (event) {
            if (event.cancelable && !event.hashChange) {
                event.preventDefault();
            }
        });
    }
})();
)JS";

// The page's own scripts and event handler attributes may run, nothing else:
// a javascript: address (which would replace the document with its result)
// and any markup that slipped into the page with a handler of its own are
// refused. The policy lists the hash of each inline script and handler of
// pageText and goes first in its head.
QString withScriptPolicy(const QString& pageText)
{
    const auto hash = [](const QString& text) {
        return QStringLiteral("'sha256-") +
               QString::fromLatin1(
                   QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Sha256).toBase64()) +
               QLatin1Char('\'');
    };
    QStringList sources;
    QString outside; // the text outside the script elements
    qsizetype at = 0;
    while (true) {
        const qsizetype open = pageText.indexOf(QStringLiteral("<script>"), at);
        const qsizetype close = open < 0 ? -1 : pageText.indexOf(QStringLiteral("</script>"), open);
        if (close < 0) {
            outside += pageText.mid(at);
            break;
        }
        const qsizetype body = open + 8;
        outside += pageText.mid(at, open - at);
        sources << hash(pageText.mid(body, close - body));
        at = close + 9;
    }
    static const QRegularExpression handler(QStringLiteral("\\son[a-z]+=\"([^\"]*)\""));
    bool handlers = false;
    for (auto match = handler.globalMatch(outside); match.hasNext();) {
        sources << hash(match.next().captured(1));
        handlers = true;
    }
    if (handlers)
        sources << QStringLiteral("'unsafe-hashes'");
    const QString policy =
        QStringLiteral("<meta http-equiv=\"Content-Security-Policy\" content=\"script-src %1\">")
            .arg(sources.join(QLatin1Char(' ')));
    const qsizetype head = pageText.indexOf(QStringLiteral("<head>"));
    if (head < 0)
        return policy + pageText;
    QString result = pageText;
    result.insert(head + 6, policy);
    return result;
}

const char* terminationText(QWebEnginePage::RenderProcessTerminationStatus status)
{
    switch (status) {
    case QWebEnginePage::NormalTerminationStatus:
        return "ended";
    case QWebEnginePage::AbnormalTerminationStatus:
        return "ended abnormally";
    case QWebEnginePage::CrashedTerminationStatus:
        return "crashed";
    case QWebEnginePage::KilledTerminationStatus:
        return "was killed";
    }
    return "ended";
}

} // namespace

CefClientHandler::CefClientHandler(QString startupFolder, QObject* parent)
    : QObject(parent), m_startupFolder(std::move(startupFolder)),
      m_pageText(withScriptPolicy(QString::fromStdString(assembleMapPage()))),
      m_requestGuard(new PageRequestGuard(m_startupFolder, pageAddress(), this)),
      m_tiles(new TileSchemeHandler(this))
{
    m_reloadTimer.setSingleShot(true);
    connect(&m_reloadTimer, &QTimer::timeout, this, &CefClientHandler::loadPage);
    connect(&m_watchdog, &PageWatchdog::hung, this, &CefClientHandler::pageHung);
}

QUrl CefClientHandler::pageAddress() const
{
    // The file name only gives the base address a last segment, so that
    // "images/x.png" resolves to <start-up folder>/images/x.png.
    return QUrl::fromLocalFile(m_startupFolder + QStringLiteral("/corvane"));
}

void CefClientHandler::setRemoteAddresses(const QStringList& templates)
{
    m_requestGuard->setRemoteTemplates(templates);
}

void CefClientHandler::guardNavigation(QWebEngineView* view)
{
    // The native bridge and every later script call belong to the station's
    // own document: once it has loaded, nothing may replace it.
    connect(view->page(), &QWebEnginePage::navigationRequested, this,
            [this](QWebEngineNavigationRequest& request) {
                if (!m_loading)
                    request.reject();
            });
    view->page()->setUrlRequestInterceptor(m_requestGuard);
    view->settings()->setAttribute(QWebEngineSettings::NavigateOnDropEnabled, false);
    view->setAcceptDrops(false);
    for (QWidget* child : view->findChildren<QWidget*>())
        child->setAcceptDrops(false);
}

void CefClientHandler::installDocumentGuard(QWebEngineView* view)
{
    QWebEngineScript guard;
    guard.setName(QStringLiteral("corvane/keep-document"));
    guard.setInjectionPoint(QWebEngineScript::DocumentCreation);
    guard.setWorldId(QWebEngineScript::MainWorld);
    guard.setRunsOnSubFrames(true);
    guard.setSourceCode(QString::fromLatin1(documentGuardScript));
    view->page()->scripts().insert(guard);
}

CefClientHandler::~CefClientHandler() = default;

void CefClientHandler::setListener(CefClientListener* listener)
{
    m_listener = listener;
}

void CefClientHandler::setPageText(QString pageText)
{
    m_pageText = withScriptPolicy(pageText);
}

bool CefClientHandler::adopt(QWebEngineView* view)
{
    if (view == nullptr || !m_view.isNull()) {
        return false;
    }
    m_view = view;
    // The page draws its own menus and tool-tips.
    view->setContextMenuPolicy(Qt::NoContextMenu);
    blockToolTips(view);
    // The page comes from a local base address but shows remote tiles and
    // asks a remote reverse geocoder for addresses.
    view->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, true);
    // The alarm tone must sound although nobody has clicked the page yet.
    view->settings()->setAttribute(QWebEngineSettings::PlaybackRequiresUserGesture, false);
    guardNavigation(view);
    installDocumentGuard(view);
    QWebEnginePage* page = view->page();
    m_tiles->install(page->profile());
    connect(page, &QWebEnginePage::loadFinished, this, &CefClientHandler::onLoadFinished);
    connect(page, &QWebEnginePage::renderProcessTerminated, this,
            [this](QWebEnginePage::RenderProcessTerminationStatus status, int exitCode) {
                if (m_hungForMs > 0) {
                    const qint64 seconds = m_hungForMs / 1000;
                    m_hungForMs = 0;
                    pageLost("its renderer stopped answering for " + std::to_string(seconds) +
                             " s and was ended");
                    return;
                }
                pageLost(std::string("its renderer ") + terminationText(status) + " (exit code " +
                         std::to_string(exitCode) + ")");
            });
    connect(page, &QWebEnginePage::urlChanged, this, [this](const QUrl& url) {
        // A fragment keeps the document; anything else means it was replaced
        // by a road that escaped the checks.
        if (isPageLoaded() && url.adjusted(QUrl::RemoveFragment) != pageAddress())
            pageLost("its document was replaced (" + url.scheme().toStdString() + " address)");
    });
    loadPage();
    return true;
}

void CefClientHandler::loadPage()
{
    if (m_view.isNull())
        return;
    m_loading = true;
    m_pageLoaded.store(false, std::memory_order_release);
    m_watchdog.disarm();
    QDir::setCurrent(m_startupFolder);
    m_view->setHtml(m_pageText, pageAddress());
}

void CefClientHandler::onLoadFinished(bool ok)
{
    // Only the handler's own loads count: a refused navigation ends as a
    // failed load of its own.
    if (!m_loading)
        return;
    m_loading = false;
    if (!ok) {
        pageLost("its page did not load");
        return;
    }
    ++m_loads;
    m_restarts.loaded(RestartPause::Clock::now());
    // The page is the one entry; no road leads back to an earlier load.
    m_view->page()->history()->clear();
    m_pageLoaded.store(true, std::memory_order_release);
    m_watchdog.arm(m_view->page());
    if (m_listener != nullptr) {
        m_listener->onPageLoaded();
    }
}

void CefClientHandler::pageHung(qint64 silentMs)
{
    if (m_view.isNull() || !isPageLoaded())
        return;
    const qint64 pid = m_view->page()->renderProcessPid();
    traceMessage("Map page has not answered for %lld ms: ending its renderer (process %lld)",
                 static_cast<long long>(silentMs), static_cast<long long>(pid));
    // A renderer stuck in a script would stay stuck through a reload, which
    // it would have to run: it is ended, and its end is the loss.
    if (pid > 0 && ::kill(static_cast<pid_t>(pid), SIGKILL) == 0) {
        m_hungForMs = silentMs;
        // Its end is told by the engine; should that never come, the watch
        // tries again.
        m_watchdog.arm(m_view->page());
        return;
    }
    pageLost("it stopped answering for " + std::to_string(silentMs / 1000) +
             " s and its renderer could not be ended");
}

void CefClientHandler::pageLost(const std::string& reason)
{
    // One loss is told once: a renderer that ends while a reload waits adds
    // nothing new.
    if (!isPageLoaded() && !m_loading && m_reloadTimer.isActive())
        return;
    m_loading = false;
    m_pageLoaded.store(false, std::memory_order_release);
    m_watchdog.disarm();
    const auto pause = m_restarts.ended(RestartPause::Clock::now());
    const int pauseMs = static_cast<int>(pause.count());
    traceMessage("Map page lost: %s; loss %d in a row, loading it again in %d ms", reason.c_str(),
                 m_restarts.endsInARow(), pauseMs);
    if (m_listener != nullptr)
        m_listener->onPageLost(reason, m_restarts.endsInARow(), pauseMs);
    m_reloadTimer.start(pauseMs);
}

void CefClientHandler::executeScript(const QString& script)
{
    if (!m_pageLoaded.load(std::memory_order_acquire)) {
        return;
    }
    if (QThread::currentThread() == thread()) {
        runScript(script);
        return;
    }
    // Posted to this object: dropped with it if it dies before the GUI thread
    // gets to the call.
    QMetaObject::invokeMethod(
        this, [this, script] { runScript(script); }, Qt::QueuedConnection);
}

void CefClientHandler::executeScript(const std::string& script)
{
    executeScript(QString::fromStdString(script));
}

void CefClientHandler::executeScript(const std::string& script, std::function<void()> ran)
{
    if (!m_pageLoaded.load(std::memory_order_acquire) || m_view.isNull())
        return;
    m_view->page()->runJavaScript(QString::fromStdString(script),
                                  [ran = std::move(ran)](const QVariant&) { ran(); });
}

void CefClientHandler::runScript(const QString& script)
{
    if (m_view.isNull()) {
        return;
    }
    m_view->page()->runJavaScript(script);
}

bool CefClientHandler::isPageLoaded() const
{
    return m_pageLoaded.load(std::memory_order_acquire);
}

QWebEngineView* CefClientHandler::browser() const
{
    return m_view.data();
}

void CefClientHandler::blockToolTips(QObject* object)
{
    object->installEventFilter(this);
    for (QObject* child : object->children()) {
        blockToolTips(child);
    }
}

bool CefClientHandler::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::ToolTip:
        // Swallowed: the engine's own tool-tip (title attributes) never shows.
        return true;
    case QEvent::ChildAdded: {
        // The view creates its render widget lazily; it must not show tips
        // either, nor take drops.
        QObject* child = static_cast<QChildEvent*>(event)->child();
        blockToolTips(child);
        if (child->isWidgetType())
            static_cast<QWidget*>(child)->setAcceptDrops(false);
        return false;
    }
    default:
        return QObject::eventFilter(watched, event);
    }
}

} // namespace corvane
