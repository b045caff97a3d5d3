#include "app/CorvaneDlg.h"

#include "app/CorvaneEvents.h"
#include "app/MultiMonitor.h"
#include "app/OperatorNotice.h"
#include "app/PageProbe.h"
#include "app/StartupFolder.h"
#include "app/StationRecords.h"
#include "app/TrackHistory.h"
#include "app/TrackReplayBar.h"
#include "base/Exception.h"
#include "base/Trace.h"
#include "browser/CefClientHandler.h"
#include "browser/CefClientV8Handler.h"
#include "browser/MapWebPage.h"
#include "browser/TileSchemeHandler.h"
#include "data/AbstractDatabaseRecord.h" // DBManager.h needs it complete
#include "data/DBManager.h"
#include "data/SettingRule.h"
#include "dialogs/AlarmAttentionRules.h"
#include "dialogs/StationMessage.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDateTime>
#include <QKeyEvent>
#include <QMessageBox>
#include <QTimer>
#include <QWebEngineView>
#include <cstdio>

namespace corvane {

namespace {

const char caption[] = "ORVEX Corvane";

// The page's own layout is 900 x 600 pixels; the window starts at that client
// size and cannot be made smaller.
constexpr int initialClientWidth = 900;
constexpr int initialClientHeight = 600;

// The page gets at most one script every 40 ms (25 a second, one per two or
// three display frames): each script costs the page a layout and the web
// engine a composited frame, which under a busy fleet cost more than the
// calls themselves; 40 ms keeps a report's way to the map well under 100 ms.
constexpr qint64 frameMs = 40;
// A frame the page has not answered after this long no longer holds the next
// one back (a page that hangs is the watchdog's matter, not the frames').
constexpr qint64 frameAnswerMs = 1000;

// Map sources of the page, stored in setup.db so that an operator can point
// the station at other tile and geocoder services.
struct MapSource
{
    const char* key;
    const char* defaultValue;
};

constexpr MapSource mapSources[] = {
    {"map/RoadTiles", "https://tile.openstreetmap.org/{z}/{x}/{y}.png"},
    {"map/SatelliteTiles", "https://server.arcgisonline.com/ArcGIS/rest/services/World_Imagery/"
                           "MapServer/tile/{z}/{y}/{x}"},
    {"map/Geocoder",
     "https://nominatim.openstreetmap.org/reverse?format=jsonv2&lat={lat}&lon={lon}"},
};

// A file beside the station's databases.
QString stationFile(const char* name)
{
    QString folder = StartupFolder::path();
    if (!folder.endsWith(u'/'))
        folder += u'/';
    return folder + QLatin1String(name);
}

std::int64_t cacheBytes(int megabytes)
{
    return std::int64_t(megabytes) * 1024 * 1024;
}

void post(QObject* window, QEvent* event)
{
    QCoreApplication::postEvent(window, event);
}

} // namespace

CorvaneDlg::CorvaneDlg(StationRecords& records, QWidget* parent)
    : QDialog(parent), m_clientHandler(std::make_unique<CefClientHandler>(StartupFolder::path())),
      m_v8Handler(std::make_unique<CefClientV8Handler>()), m_records(records),
      m_relay([this] { post(this, new QEvent(WM_PAGE_CALLS)); }, waitingCallLimit),
      m_zones(records, m_mapPage), m_alarmDesk(m_mapPage, DBManager::getInstance().openAlarms()),
      m_controller(records, m_mapPage), m_reception(m_controller, m_databases, this),
      m_wiring(this, records, m_controller, m_reception)
{
    setWindowTitle(QString::fromLatin1(caption));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    setSizeGripEnabled(false);
    resize(initialClientWidth, initialClientHeight);
    connectDialogs();
    // No page yet: what is meant for it waits until it has loaded.
    m_controller.pageUnavailable();
    m_controller.setZoneAlarms(&m_zones);
    m_unansweredFrame.setSingleShot(true);
    connect(&m_unansweredFrame, &QTimer::timeout, this, &CorvaneDlg::flushScripts);
}

CorvaneDlg::~CorvaneDlg()
{
    m_alive.reset();
    shutdown();
}

bool CorvaneDlg::initialize()
{
    m_guiThread.assertOwner();
    if (!MultiMonitor::isSupported(MultiMonitor::monitorOf(frameGeometry()))) {
        static const char message[] = "Bad resolution format or unsupported resolution.";
        std::fprintf(stderr, "%s\n", message);
        if (!m_unattended) {
            QMessageBox box(QMessageBox::Critical, QString::fromLatin1(caption),
                            QString::fromLatin1(message), QMessageBox::Ok);
            box.setObjectName(QStringLiteral("resolutionMessage"));
            box.exec();
        }
        m_running = false;
        return false;
    }
    createBrowser();
    DBManager::getInstance().setStorageListener(&m_reception);
    m_databases.open(StartupFolder::path());
    // The alarm kinds before the days kept: retention spares the open alarms.
    m_alarmDesk.setAlarmKinds(storedAlarmKinds());
    m_alarmDesk.setZoneAlarmKinds(storedZoneAlarmKinds());
    m_databases.applyStorageSettings();
    m_databases.loadZones(m_zones);
    // Before the page loads: its first tiles come from these hosts.
    QStringList remote;
    for (const MapSource& source : mapSources) {
        // The page keeps its default for an empty address.
        const std::string address = m_databases.readText(source.key, source.defaultValue);
        remote << QString::fromStdString(address.empty() ? source.defaultValue : address);
    }
    m_clientHandler->setRemoteAddresses(remote);
    configureTiles(remote[0], remote[1]);
    createTrackHistory();
    m_initialized = true;
    m_reception.start();
    tellUnusableSettings();
    return true;
}

void CorvaneDlg::createBrowser()
{
    m_minimumWidth = width();
    m_minimumHeight = height();
    setMinimumSize(m_minimumWidth, m_minimumHeight);
    m_clientHandler->setListener(this);
    m_v8Handler->setListener(&m_wiring);
    m_view = std::make_unique<QWebEngineView>(this);
    // Answers the page's script dialogs without a box; the view's child.
    m_view->setPage(new MapWebPage(m_view.get()));
    m_v8Handler->attach(m_view->page());
    m_v8Handler->setPageAddress(m_clientHandler->pageAddress());
    m_view->setGeometry(rect());
    // The handler sets the view up and loads the assembled map page.
    m_clientHandler->adopt(m_view.get());
}

void CorvaneDlg::tellUnusableSettings()
{
    // Without this a mistyped value would quietly be something else.
    for (const QString& text : m_databases.takeNotices())
        openNoticeBox(this, QStringLiteral("settingMessage"), QMessageBox::Warning, text);
}

void CorvaneDlg::shutdown()
{
    m_guiThread.assertOwner();
    if (m_shutDown)
        return;
    m_shutDown = true;
    m_clientHandler->setListener(nullptr);
    m_v8Handler->setListener(nullptr);
    if (!m_running || !m_initialized)
        return;
    // Its loader reads app.db on a thread of its own: done before the close.
    m_replayBar.reset();
    m_trackHistory.reset();
    m_reception.stop();
    m_databases.close();
    DBManager::getInstance().setStorageListener(nullptr);
}

void CorvaneDlg::closeWithoutAsking()
{
    m_guiThread.assertOwner();
    m_closeConfirmed = true;
    // Questions and dialogs open over the window end first (answered No or
    // cancelled), so that no nested run keeps the window alive.
    for (int guard = 0; guard < 16; ++guard) {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || modal == this)
            break;
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->reject();
        else
            modal->close();
    }
    QDialog::reject();
}

void CorvaneDlg::activate()
{
    m_guiThread.assertOwner();
    setWindowState(windowState() & ~Qt::WindowMinimized);
    showNormal();
    raise();
    activateWindow();
}

void CorvaneDlg::onPageLoaded()
{
    if (!m_pageLoadedPosted.exchange(true))
        post(this, new ValueEvent(WM_PAGE_LOADED, 0));
}

void CorvaneDlg::onPageLost(const std::string& reason, int endsInARow, int pauseMs)
{
    m_guiThread.assertOwner();
    // What is sent from here on waits for the reload, which gets the whole
    // state again.
    m_pageReady = false;
    m_pageLoadedPosted = false;
    m_frameInFlight = false;
    m_frameOwed = false;
    m_controller.pageUnavailable();
    // The new page shows the live map; a stored track is chosen again.
    if (m_trackHistory != nullptr && m_trackHistory->isShown())
        m_trackHistory->live();
    const QString what = QString::fromStdString(reason);
    if (endsInARow <= 1)
        m_pageNotice = QStringLiteral("map lost, loading again: %1").arg(what);
    else
        m_pageNotice = QStringLiteral("map lost %1 times in a row, next load in %2 s: %3")
                           .arg(endsInARow)
                           .arg((pauseMs + 999) / 1000)
                           .arg(what);
    updateTitle();
}

void CorvaneDlg::scheduleFlush()
{
    if (!m_flushPosted && m_pageReady) {
        m_flushPosted = true;
        const qint64 waited = m_sinceFlush.isValid() ? m_sinceFlush.elapsed() : frameMs;
        const int delay = waited >= frameMs ? 0 : static_cast<int>(frameMs - waited);
        QTimer::singleShot(delay, Qt::PreciseTimer, this, &CorvaneDlg::flushScripts);
    }
}

void CorvaneDlg::flushScripts()
{
    m_flushPosted = false;
    // Until the page has had the whole state, calls wait (handlePageLoaded).
    if (!m_pageReady)
        return;
    // One frame at a time: while the page still runs the last one, the calls
    // go on gathering (and merging) here instead of queueing up in the
    // renderer, where a report would wait behind every frame before it.
    if (m_frameInFlight && m_frameSent.elapsed() < frameAnswerMs) {
        m_frameOwed = true;
        if (!m_unansweredFrame.isActive())
            m_unansweredFrame.start(static_cast<int>(frameAnswerMs - m_frameSent.elapsed()));
        return;
    }
    m_unansweredFrame.stop();
    m_sinceFlush.start();
    // The calls of one frame (frameMs) go to the page as one script, each
    // vehicle's moves gathered into one (FrameScript): a fleet reporting ten
    // thousand times a second would otherwise keep the page busy with
    // markers moved more often than the screen shows them.
    std::string script = m_relay.take();
    if (script.empty())
        return;
    m_frameInFlight = true;
    m_frameOwed = false;
    m_frameSent.start();
    // The page answers on this thread; a page destroyed with the window
    // answers what it never ran during the window's destruction, when the
    // token is already gone.
    const std::weak_ptr<void> alive = m_alive;
    const int load = m_clientHandler->loads();
    m_clientHandler->executeScript(script, [this, alive, load] {
        if (alive.expired() || m_clientHandler->loads() != load)
            return;
        m_frameInFlight = false;
        m_unansweredFrame.stop();
        if (m_frameOwed) {
            m_frameOwed = false;
            scheduleFlush();
        }
    });
}

void CorvaneDlg::customEvent(QEvent* event)
{
    m_guiThread.assertOwner();
    const QEvent::Type type = event->type();
    if (type == WM_PAGE_LOADED) {
        handlePageLoaded();
    } else if (type == WM_PAGE_CALLS) {
        scheduleFlush();
    } else {
        QDialog::customEvent(event);
    }
}

void CorvaneDlg::connectDialogs()
{
    connect(&m_wiring, &DialogWiring::alarmKindsChanged, this, [this](std::uint32_t mask) {
        m_mapPage.setAlarmKinds(mask);
        m_alarmDesk.setAlarmKinds(mask);
    });
    connect(&m_wiring, &DialogWiring::zoneAlarmKindsChanged, this, [this](std::uint32_t mask) {
        m_mapPage.setZoneAlarmKinds(mask);
        m_alarmDesk.setZoneAlarmKinds(mask);
    });
    connect(&m_wiring, &DialogWiring::alarmsAcknowledged, this,
            [this](const std::string& eventId, const std::string& vehicleId,
                   const std::string& note) { m_alarmDesk.acknowledge(eventId, vehicleId, note); });
    connect(&m_wiring, &DialogWiring::zoneSaved, this,
            [this](const std::string& id, const std::string& name, const std::string& geometry) {
                m_zoneEditor.save(id, name, geometry);
            });
    connect(&m_wiring, &DialogWiring::zoneDeleted, this,
            [this](const std::string& id) { m_zoneEditor.remove(id); });
    connect(&m_wiring, &DialogWiring::speedLimitChanged, this,
            [this](int kmh) { m_zones.setGeneralLimit(kmh); });
    // A higher limit lists the vehicles beyond the old one as they next report.
    connect(&m_wiring, &DialogWiring::listLimitChanged, this,
            [this](int vehicles) { m_mapPage.setListLimit(vehicles); });
    // The tile scheme does its disk work on its own worker: nothing here waits for it.
    connect(&m_wiring, &DialogWiring::tileFilesChanged, this, [this](const QStringList& paths) {
        m_clientHandler->tiles().setTileFiles(paths);
        // Tiles the page asked before came from the old files: it asks again.
        m_mapPage.setStationTiles(true);
    });
    connect(&m_wiring, &DialogWiring::tileCacheChanged, this, [this](int megabytes) {
        m_clientHandler->tiles().setCache(stationFile("tiles.db"), cacheBytes(megabytes));
    });
    connect(&m_wiring, &DialogWiring::cacheClearRequested, this,
            [this] { m_clientHandler->tiles().clearCache(); });
    connect(&m_wiring, &DialogWiring::storedTrackChosen, this,
            [this](const std::string& id, const QString& name, const TrackRange& range) {
                if (m_trackHistory != nullptr)
                    m_trackHistory->show(id, name, range);
            });
}

void CorvaneDlg::configureTiles(const QString& roadTemplate, const QString& satelliteTemplate)
{
    TileSchemeHandler& tiles = m_clientHandler->tiles();
    tiles.setTemplates(roadTemplate, satelliteTemplate);
    QStringList files;
    for (const std::string& path : tileFilePaths(m_databases.readText(tileFilesKey, "")))
        files << QString::fromStdString(path);
    tiles.setTileFiles(files);
    tiles.setCache(stationFile("tiles.db"), cacheBytes(m_databases.readSetting(tileCacheRule)));
}

void CorvaneDlg::createTrackHistory()
{
    m_trackHistory = std::make_unique<TrackHistory>(m_mapPage, stationFile("app.db").toStdString());
    m_replayBar = std::make_unique<TrackReplayBar>(*m_trackHistory, this);
    m_replayBar->hide();
    connect(m_trackHistory.get(), &TrackHistory::changed, this, &CorvaneDlg::trackHistoryChanged);
}

void CorvaneDlg::updateTitle()
{
    QString title = QString::fromLatin1(caption);
    if (m_trackHistory != nullptr && m_trackHistory->isShown())
        title += QStringLiteral(" - ") + m_trackHistory->title();
    if (!m_pageNotice.isEmpty())
        title += QStringLiteral(" - ") + m_pageNotice;
    setWindowTitle(title);
}

void CorvaneDlg::trackHistoryChanged()
{
    if (m_replayBar == nullptr)
        return;
    const bool shown = m_trackHistory->isShown();
    updateTitle();
    if (shown == m_replayBar->isHidden()) {
        m_replayBar->setVisible(shown);
        layoutChildren();
    }
}

void CorvaneDlg::handlePageLoaded()
{
    // A load announced before a loss that followed it is no longer there; the
    // reload announces itself.
    if (m_pageReady || !m_clientHandler->isPageLoaded())
        return;
    if (m_probe == nullptr)
        m_probe = PageProbe::fromEnvironment(*m_view->page());
    if (m_probe != nullptr)
        m_probe->install();
    // The whole state goes first, then what waited for the page: the waiting
    // calls are newer than the state they would otherwise precede.
    // The whole state itself is never cut (a large fleet is many calls).
    const bool reload = m_clientHandler->loads() > 1;
    std::string script;
    {
        // No callback is decided meanwhile, so what waited ends where the
        // state begins, and what is decided next comes after both.
        const auto hold = m_controller.hold();
        const std::size_t givenWay = m_relay.givenWay();
        const std::size_t alarmsGivenWay = m_relay.alarmsGivenWay();
        const std::string waited = m_relay.take();
        m_relay.setLimit(0);
        sendMapSources();
        sendAttentionSettings();
        if (reload)
            layoutChildren(); // the new page has its built-in size
        m_controller.pageLoaded(m_databases.readSetting(timeoutRule));
        // After the vehicles: the open alarms light theirs.
        m_alarmDesk.resend();
        tellUnusableSettings();
        if (givenWay != 0)
            traceMessage("Map page: %zu waiting calls gave way (%zu alarms) before it loaded",
                         givenWay, alarmsGivenWay);
        script = m_relay.take() + waited;
        m_relay.setLimit(waitingCallLimit);
    }
    m_pageReady = true;
    m_sinceFlush.start();
    m_clientHandler->executeScript(script);
    if (reload) {
        traceMessage("Map page loaded again and given the whole state");
        m_pageNotice = QStringLiteral("map loaded again at %1")
                           .arg(QDateTime::currentDateTime().toString(QStringLiteral("HH:mm:ss")));
        updateTitle();
    }
}

void CorvaneDlg::sendMapSources()
{
    std::string addresses[std::size(mapSources)];
    for (std::size_t i = 0; i < std::size(mapSources); ++i)
        addresses[i] = m_databases.readText(mapSources[i].key, mapSources[i].defaultValue);
    m_mapPage.setMapSources(addresses[0], addresses[1], addresses[2]);
    // Tiles come through the station, which keeps what it fetched.
    m_mapPage.setStationTiles(true);
}

void CorvaneDlg::sendAttentionSettings()
{
    // Before the vehicles: the page lists the ones inserted while there is room.
    m_mapPage.setListLimit(m_databases.readSetting(listLimitRule));
    m_mapPage.setLiveSeconds(m_databases.readInt(liveSecondsKey, defaultLiveSeconds));
    m_mapPage.setAlarmKinds(storedAlarmKinds());
    m_mapPage.setZoneAlarmKinds(storedZoneAlarmKinds());
    m_mapPage.setAlarmMuted(m_databases.readInt(alarmMutedKey, 0) != 0);
}

std::uint32_t CorvaneDlg::storedAlarmKinds()
{
    return knownAlarmKinds(
        static_cast<std::uint32_t>(m_databases.readInt(alarmKindsKey, defaultAlarmKinds)));
}

std::uint32_t CorvaneDlg::storedZoneAlarmKinds()
{
    return knownZoneAlarmKinds(
        static_cast<std::uint32_t>(m_databases.readInt(zoneAlarmKindsKey, defaultZoneAlarmKinds)));
}

void CorvaneDlg::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    layoutChildren();
}

void CorvaneDlg::layoutChildren()
{
    if (m_view == nullptr)
        return;
    // The replay bar, while shown, takes its height off the bottom of the page.
    int pageHeight = height();
    if (m_replayBar != nullptr && !m_replayBar->isHidden()) {
        const int barHeight = m_replayBar->sizeHint().height();
        pageHeight -= barHeight;
        m_replayBar->setGeometry(0, pageHeight, width(), barHeight);
    }
    m_view->setGeometry(0, 0, width(), pageHeight);
    m_controller.pageResized(width(), pageHeight);
}

void CorvaneDlg::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        event->accept();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

void CorvaneDlg::reject()
{
    m_guiThread.assertOwner();
    // Escape and the toolkit's own reject paths never close the station; a
    // close goes through the question (closeEvent) or closeWithoutAsking.
    if (m_closeConfirmed)
        QDialog::reject();
}

void CorvaneDlg::closeEvent(QCloseEvent* event)
{
    if (!m_closeConfirmed) {
        if (!askStationQuestion(this, QStringLiteral("Are you sure to close?"))) {
            event->ignore();
            return;
        }
        m_closeConfirmed = true;
    }
    QDialog::closeEvent(event);
}

} // namespace corvane
