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
#include "browser/scriptcalls/ScriptCalls.h"
#include "browser/scriptcalls/StatusCalls.h"
#include "callback/CallbackServerImpl.h"
#include "callback/SenderFilter.h"
#include "data/AbstractDatabaseRecord.h" // DBManager.h needs it complete
#include "data/DBManager.h"
#include "data/SettingRule.h"
#include "data/Setup.h"
#include "data/VehicleInfo.h"
#include "dialogs/AlarmAttentionRules.h"
#include "dialogs/LogDlg.h"
#include "dialogs/SetupDlg.h"
#include "dialogs/StationEventLogSource.h"
#include "dialogs/StationSetupSettings.h"
#include "dialogs/StationVehicleStore.h"
#include "dialogs/TrackingLineDlg.h"
#include "dialogs/VehicleEditDlg.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDateTime>
#include <QFileDialog>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPointer>
#include <QThread>
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

// The one local address the callback port is bound to; absent or empty for all.
const char bindAddressKey[] = "callback/BindAddress";

using VehicleIdEvent = OwningEvent<std::string>;
using NoticeEvent = OwningEvent<OperatorNotice>;

void post(QObject* window, QEvent* event)
{
    QCoreApplication::postEvent(window, event);
}

void postVehicleId(QObject* window, QEvent::Type type, const std::string& id)
{
    post(window, new VehicleIdEvent(type, std::make_unique<std::string>(id)));
}

std::string takeVehicleId(QEvent* event)
{
    std::unique_ptr<std::string> id = static_cast<VehicleIdEvent*>(event)->take();
    return id ? *id : std::string();
}

} // namespace

CorvaneDlg::CorvaneDlg(StationRecords& records, QWidget* parent)
    : QDialog(parent), m_clientHandler(std::make_unique<CefClientHandler>(StartupFolder::path())),
      m_v8Handler(std::make_unique<CefClientV8Handler>()), m_records(records),
      m_controller(records, *this),
      m_handoff(m_dropCounts, [this] { post(this, new QEvent(WM_CALLBACK_RECEIVED)); })
{
    setWindowTitle(QString::fromLatin1(caption));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    setSizeGripEnabled(false);
    resize(initialClientWidth, initialClientHeight);
    m_controller.setDropCounts(&m_dropCounts);
    // No page yet: what is meant for it waits until it has loaded.
    m_controller.pageUnavailable();
    m_pendingScript.setLimit(waitingCallLimit);
}

CorvaneDlg::~CorvaneDlg()
{
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
    DBManager::getInstance().setStorageListener(this);
    m_databases.open(StartupFolder::path());
    m_databases.applyStorageSettings();
    // Before the page loads: its first tiles come from these hosts.
    QStringList remote;
    for (const MapSource& source : mapSources) {
        // The page keeps its default for an empty address.
        const std::string address = m_databases.readText(source.key, source.defaultValue);
        remote << QString::fromStdString(address.empty() ? source.defaultValue : address);
    }
    m_clientHandler->setRemoteAddresses(remote);
    createTrackHistory();
    m_port = m_databases.readSetting(portRule);
    m_server = std::make_unique<CallbackServerImpl>(*this, &m_dropCounts);
    m_server->setBindAddress(m_databases.readText(bindAddressKey, ""));
    applySenderFilter();
    m_initialized = true;
    startServer();
    tellUnusableSettings();
    return true;
}

void CorvaneDlg::createBrowser()
{
    m_minimumWidth = width();
    m_minimumHeight = height();
    setMinimumSize(m_minimumWidth, m_minimumHeight);
    m_clientHandler->setListener(this);
    m_v8Handler->setListener(this);
    m_view = std::make_unique<QWebEngineView>(this);
    // Answers the page's script dialogs without a box; the view's child.
    m_view->setPage(new MapWebPage(m_view.get()));
    m_v8Handler->attach(m_view->page());
    m_v8Handler->setPageAddress(m_clientHandler->pageAddress());
    m_view->setGeometry(rect());
    // The handler sets the view up and loads the assembled map page.
    m_clientHandler->adopt(m_view.get());
}

void CorvaneDlg::startServer()
{
    m_startFailure.clear();
    m_startingServer = true;
    m_server->start(m_port);
    m_startingServer = false;
    if (!m_startFailure.isEmpty())
        tellPortFailure(m_port, m_startFailure);
}

void CorvaneDlg::applySenderFilter()
{
    const std::string list = m_databases.readText(SenderFilter::settingKey, "");
    SenderFilter filter;
    std::string bad;
    if (!filter.parse(list, &bad)) {
        // A list that does not read was meant to restrict: take nobody
        // (no datagram comes from the broadcast address) rather than everyone.
        filter.parse("255.255.255.255");
        openNoticeBox(
            this, QStringLiteral("senderListMessage"), QMessageBox::Warning,
            QStringLiteral("The allowed senders hold \"%1\", which is not an IPv4 address or "
                           "range.\nNo callbacks are taken until the list is mended in the setup.")
                .arg(QString::fromStdString(bad)));
    }
    m_server->setSenderFilter(filter);
}

void CorvaneDlg::tellPortFailure(int port, const QString& reason)
{
    // Without this the station would look alive while it receives nothing.
    openNoticeBox(
        this, QStringLiteral("portFailureMessage"), QMessageBox::Warning,
        QStringLiteral("The callback port %1 cannot be opened: %2.\n"
                       "No callbacks are received until another port is chosen in the setup.")
            .arg(port)
            .arg(reason));
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
    m_server->stop();
    drainCallbacks();
    m_server.reset();
    m_databases.close();
    DBManager::getInstance().setStorageListener(nullptr);
}

void CorvaneDlg::drainCallbacks()
{
    // Callbacks handed over before the server stopped were taken from the
    // socket: they are handled (and so queued for the writer) before it
    // closes. They are taken here directly; a wake-up still posted then
    // finds nothing, so it goes unsent.
    handleWaitingCallbacks();
    QCoreApplication::removePostedEvents(this, WM_CALLBACK_RECEIVED);
}

void CorvaneDlg::handleWaitingCallbacks()
{
    // The batch is held here, not in the member, while it is handled: should
    // handling a record ever run a nested event loop, a wake-up handled there
    // takes into a vector of its own instead of the one being walked.
    std::vector<CallbackInfo> taken = std::move(m_takenCallbacks);
    m_handoff.take(taken);
    if (m_server != nullptr)
        for (CallbackInfo& record : taken)
            m_controller.handleCallback(record);
    m_takenCallbacks = std::move(taken);
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

bool CorvaneDlg::onCallbackReceived(const CallbackInfo& record)
{
    // A window that cannot keep up must not cost memory without end: the
    // hand-off refuses (and counts) beyond its limit.
    return m_handoff.append(record);
}

void CorvaneDlg::onServerError(const char* text)
{
    traceMessage("Exception - %s", text);
    // Only a failed start reaches this on the window's own thread.
    if (QThread::currentThread() != thread() || !m_startingServer)
        return;
    if (m_startFailure.isEmpty())
        m_startFailure = QString::fromLocal8Bit(text);
}

void CorvaneDlg::onReceptionFailed(const char* text)
{
    traceMessage("Exception - %s", text);
    postNotice(WM_RECEPTION_FAILED, true, text);
}

void CorvaneDlg::onStorageProblem(const std::string& text)
{
    postNotice(WM_STORAGE_NOTICE, true, text);
}

void CorvaneDlg::onStorageRecovered(const std::string& text)
{
    postNotice(WM_STORAGE_NOTICE, false, text);
}

void CorvaneDlg::postNotice(QEvent::Type type, bool problem, const std::string& text)
{
    post(this,
         new NoticeEvent(type, std::make_unique<OperatorNotice>(OperatorNotice{problem, text})));
}

void CorvaneDlg::showNotice(QEvent::Type type, QEvent* event)
{
    const std::unique_ptr<OperatorNotice> notice = static_cast<NoticeEvent*>(event)->take();
    if (!notice)
        return;
    const QString text = QString::fromStdString(notice->text);
    if (type == WM_RECEPTION_FAILED)
        openNoticeBox(this, QStringLiteral("receptionFailureMessage"), QMessageBox::Warning,
                      QStringLiteral("Reception on the callback port %1 failed: %2.\n"
                                     "The station opens the port again in a moment.")
                          .arg(m_port)
                          .arg(text));
    else if (notice->problem)
        openNoticeBox(this, QStringLiteral("storageProblemMessage"), QMessageBox::Warning, text);
    else
        openNoticeBox(this, QStringLiteral("storageRecoveredMessage"), QMessageBox::Information,
                      text);
}

void CorvaneDlg::onClickLog()
{
    m_guiThread.assertOwner();
    post(this, new ValueEvent(WM_SHOW_LOG, 0));
}

void CorvaneDlg::onClickSetup()
{
    m_guiThread.assertOwner();
    post(this, new ValueEvent(WM_SHOW_SETUP, 0));
}

void CorvaneDlg::onClickEdit(const std::string& id)
{
    m_guiThread.assertOwner();
    postVehicleId(this, WM_EDIT_VEHICLE, id);
}

void CorvaneDlg::onClickRemove(const std::string& id)
{
    m_guiThread.assertOwner();
    postVehicleId(this, WM_REMOVE_VEHICLE, id);
}

void CorvaneDlg::onClickImgBtn(const std::string& id)
{
    m_guiThread.assertOwner();
    postVehicleId(this, WM_CHOOSE_IMAGE, id);
}

void CorvaneDlg::onChangeAlarmMute(bool muted)
{
    m_guiThread.assertOwner();
    // Remembered for the next start; the page has already switched.
    try {
        StationSetupSettings(Setup::getInstance()).writeInt(alarmMutedKey, muted ? 1 : 0);
    } catch (const Exception& e) {
        traceException(e);
    }
}

void CorvaneDlg::onClickTrackHistory(const std::string& id)
{
    m_guiThread.assertOwner();
    postVehicleId(this, WM_SHOW_STORED_TRACK, id);
}

void CorvaneDlg::onChangeName(const std::string& id, const std::string& name)
{
    m_guiThread.assertOwner();
    m_controller.changeName(id, name);
}

void CorvaneDlg::onUpdateOptionalInfo(const std::string& id, const std::string& imagePath,
                                      const std::string& info1, const std::string& info2)
{
    m_guiThread.assertOwner();
    m_controller.updateOptionalInfo(id, imagePath, info1, info2);
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

void CorvaneDlg::executeScript(const std::string& script)
{
    m_guiThread.assertOwner();
    if (QThread::currentThread() != thread()) {
        m_clientHandler->executeScript(script);
        return;
    }
    // The calls of one frame (frameMs) go to the page as one script, each
    // vehicle's moves gathered into one (FrameScript): a fleet reporting ten
    // thousand times a second would otherwise keep the page busy with
    // markers moved more often than the screen shows them.
    m_pendingScript.add(script);
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
    m_sinceFlush.start();
    if (!m_pendingScript.empty())
        m_clientHandler->executeScript(m_pendingScript.take());
}

void CorvaneDlg::customEvent(QEvent* event)
{
    m_guiThread.assertOwner();
    const QEvent::Type type = event->type();
    if (type == WM_CALLBACK_RECEIVED) {
        handleWaitingCallbacks();
    } else if (type == WM_PAGE_LOADED) {
        handlePageLoaded();
    } else if (type == WM_PORT_CHANGED) {
        m_port = static_cast<SettingChangedEvent*>(event)->value();
        if (m_server != nullptr) {
            m_server->stop();
            startServer();
        }
    } else if (type == WM_STORAGE_NOTICE || type == WM_RECEPTION_FAILED) {
        showNotice(type, event);
    } else if (type == WM_KEEP_DAYS_CHANGED) {
        DBManager::getInstance().setKeepDays(static_cast<SettingChangedEvent*>(event)->value());
    } else if (type == WM_TIMEOUT_CHANGED) {
        m_controller.timeoutChanged(static_cast<SettingChangedEvent*>(event)->value());
    } else if (type == WM_ALARM_KINDS_CHANGED) {
        executeScript(StatusCalls::setAlarmKinds(
            static_cast<std::uint32_t>(static_cast<SettingChangedEvent*>(event)->value())));
    } else if (type == WM_REMOVE_VEHICLE) {
        removeVehicle(takeVehicleId(event));
    } else if (type == WM_CHOOSE_IMAGE) {
        chooseImage(takeVehicleId(event));
    } else if (type == WM_EDIT_VEHICLE) {
        editVehicle(takeVehicleId(event));
    } else if (type == WM_SHOW_LOG) {
        m_controller.dialogOpening();
        StationEventLogSource source;
        LogDlg dialog(source, this);
        dialog.exec();
    } else if (type == WM_SHOW_SETUP) {
        m_controller.dialogOpening();
        StationSetupSettings settings(Setup::getInstance());
        SetupDlg dialog(settings, this, this);
        dialog.setDropSummary(QString::fromStdString(DropCounts::summary(m_dropCounts.figures())));
        dialog.exec();
        if (m_server != nullptr)
            applySenderFilter();
    } else if (type == WM_SHOW_STORED_TRACK) {
        showStoredTrack(takeVehicleId(event));
    } else {
        QDialog::customEvent(event);
    }
}

void CorvaneDlg::editVehicle(const std::string& id)
{
    StationVehicleStore store;
    VehicleEditDlg dialog(store, id, this);
    const bool accepted = dialog.exec() == QDialog::Accepted;
    m_controller.vehicleEdited(id, accepted);
}

void CorvaneDlg::showStoredTrack(const std::string& id)
{
    TrackingLineDlg dialog(this);
    if (dialog.exec() != QDialog::Accepted || m_trackHistory == nullptr)
        return;
    TrackRange range;
    if (dialog.rangeChosen()) {
        const QString format = QStringLiteral("yyyy-MM-dd HH:mm:ss");
        range.from = dialog.from().toString(format).toStdString();
        range.to = dialog.to().toString(format).toStdString();
    } else {
        range.durationSeconds = dialog.durationSeconds();
    }
    const VehicleInfo* vehicle = m_records.findVehicle(UniqueID(id.c_str()));
    const QString name = vehicle != nullptr ? QString::fromStdString(vehicle->displayName())
                                            : QString::fromStdString(id);
    m_trackHistory->show(id, name, range);
}

void CorvaneDlg::createTrackHistory()
{
    QString folder = StartupFolder::path();
    if (!folder.endsWith(u'/'))
        folder += u'/';
    m_trackHistory =
        std::make_unique<TrackHistory>(*this, (folder + QStringLiteral("app.db")).toStdString());
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
    FrameScript waited;
    std::swap(waited, m_pendingScript);
    sendMapSources();
    sendAttentionSettings();
    const bool reload = m_clientHandler->loads() > 1;
    if (reload)
        layoutChildren(); // the new page has its built-in size
    m_controller.pageLoaded(m_databases.readSetting(timeoutRule));
    tellUnusableSettings();
    if (waited.givenWay() != 0)
        traceMessage("Map page: %zu waiting calls gave way (%zu alarms) before it loaded",
                     waited.givenWay(), waited.alarmsGivenWay());
    std::string script = m_pendingScript.take();
    m_pendingScript.setLimit(waitingCallLimit);
    script += waited.take();
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
    executeScript(ScriptCalls::setMapSources(addresses[0], addresses[1], addresses[2]));
}

void CorvaneDlg::sendAttentionSettings()
{
    executeScript(
        StatusCalls::setLiveSeconds(m_databases.readInt(liveSecondsKey, defaultLiveSeconds)));
    executeScript(StatusCalls::setAlarmKinds(knownAlarmKinds(
        static_cast<std::uint32_t>(m_databases.readInt(alarmKindsKey, defaultAlarmKinds)))));
    executeScript(StatusCalls::setAlarmMuted(m_databases.readInt(alarmMutedKey, 0) != 0));
}

bool CorvaneDlg::askYesNo(const QString& question)
{
    QMessageBox box(QMessageBox::Question, QString::fromLatin1(caption), question,
                    QMessageBox::Yes | QMessageBox::No, this);
    box.setDefaultButton(QMessageBox::No);
    box.setWindowModality(Qt::ApplicationModal);
    box.setObjectName(QStringLiteral("question"));
    return box.exec() == QMessageBox::Yes;
}

void CorvaneDlg::removeVehicle(const std::string& id)
{
    const bool confirmed = askYesNo(QStringLiteral("Do you want to delete this Vehicle?"));
    m_controller.removeVehicle(id, confirmed);
}

void CorvaneDlg::chooseImage(const std::string& id)
{
    QFileDialog dialog(this);
    dialog.setObjectName(QStringLiteral("imageChooser"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setNameFilters({QStringLiteral("PNG File(*.png)"), QStringLiteral("BMP File(*.bmp)"),
                           QStringLiteral("JPG File(*.jpg)")});
    dialog.selectFile(QStringLiteral("*.png"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    m_controller.imageChosen(id, dialog.selectedFiles().constFirst().toStdString());
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
        if (!askYesNo(QStringLiteral("Are you sure to close?"))) {
            event->ignore();
            return;
        }
        m_closeConfirmed = true;
    }
    QDialog::closeEvent(event);
}

} // namespace corvane
