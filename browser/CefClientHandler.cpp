#include "browser/CefClientHandler.h"

#include "browser/CefClientListener.h"
#include "browser/PageRequestGuard.h"
#include "page/MapPage.h"

#include <QDir>
#include <QEvent>
#include <QThread>
#include <QUrl>
#include <QWebEngineNavigationRequest>
#include <QWebEnginePage>
#include <QWebEngineSettings>
#include <QWebEngineView>
#include <QWidget>

namespace corvane {

CefClientHandler::CefClientHandler(QString startupFolder, QObject* parent)
    : QObject(parent), m_startupFolder(std::move(startupFolder)),
      m_pageText(QString::fromStdString(assembleMapPage())),
      m_requestGuard(new PageRequestGuard(m_startupFolder, pageAddress(), this))
{}

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
                if (isPageLoaded())
                    request.reject();
            });
    view->page()->setUrlRequestInterceptor(m_requestGuard);
    view->setAcceptDrops(false);
    for (QWidget* child : view->findChildren<QWidget*>())
        child->setAcceptDrops(false);
}

CefClientHandler::~CefClientHandler() = default;

void CefClientHandler::setListener(CefClientListener* listener)
{
    m_listener = listener;
}

void CefClientHandler::setPageText(QString pageText)
{
    m_pageText = std::move(pageText);
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
    m_loadConnection = connect(view->page(), &QWebEnginePage::loadFinished, this,
                               &CefClientHandler::onLoadFinished);
    loadPage();
    return true;
}

void CefClientHandler::loadPage()
{
    QDir::setCurrent(m_startupFolder);
    m_view->setHtml(m_pageText, pageAddress());
}

void CefClientHandler::onLoadFinished()
{
    // Only the first load counts: the page announces itself once.
    disconnect(m_loadConnection);
    m_pageLoaded.store(true, std::memory_order_release);
    if (m_listener != nullptr) {
        m_listener->onPageLoaded();
    }
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
