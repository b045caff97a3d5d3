#include "app/ReceptionHandoff.h"

#include "app/CorvaneEvents.h"
#include "app/OperatorNotice.h"
#include "app/StationController.h"
#include "app/StationDatabases.h"
#include "base/Trace.h"
#include "callback/CallbackServerImpl.h"
#include "callback/SenderFilter.h"
#include "data/SettingRule.h"

#include <QCoreApplication>
#include <QThread>

namespace corvane {

namespace {

// The one local address the callback port is bound to; absent or empty for all.
const char bindAddressKey[] = "callback/BindAddress";

using NoticeEvent = OwningEvent<OperatorNotice>;

} // namespace

ReceptionHandoff::ReceptionHandoff(StationController& controller, StationDatabases& databases,
                                   QWidget* window)
    : m_controller(controller), m_databases(databases), m_window(window),
      m_port(portRule.defaultValue), m_decider(controller, m_dropCounts)
{
    m_controller.setDropCounts(&m_dropCounts);
}

ReceptionHandoff::~ReceptionHandoff()
{
    stop();
    m_controller.setDropCounts(nullptr);
}

void ReceptionHandoff::start()
{
    m_port = m_databases.readSetting(portRule);
    m_decider.start();
    m_server = std::make_unique<CallbackServerImpl>(*this, &m_dropCounts);
    m_server->setBindAddress(m_databases.readText(bindAddressKey, ""));
    applySenderFilter();
    startServer();
}

void ReceptionHandoff::changePort(int port)
{
    m_port = port;
    if (m_server != nullptr) {
        m_server->stop();
        startServer();
    }
}

void ReceptionHandoff::startServer()
{
    m_startFailure.clear();
    m_startingServer = true;
    m_server->start(m_port);
    m_startingServer = false;
    if (!m_startFailure.isEmpty())
        tellPortFailure(m_port, m_startFailure);
}

void ReceptionHandoff::applySenderFilter()
{
    if (m_server == nullptr)
        return;
    const std::string list = m_databases.readText(SenderFilter::settingKey, "");
    SenderFilter filter;
    std::string bad;
    if (!filter.parse(list, &bad)) {
        // A list that does not read was meant to restrict: take nobody
        // (no datagram comes from the broadcast address) rather than everyone.
        filter.parse("255.255.255.255");
        openNoticeBox(
            m_window, QStringLiteral("senderListMessage"), QMessageBox::Warning,
            QStringLiteral("The allowed senders hold \"%1\", which is not an IPv4 address or "
                           "range.\nNo callbacks are taken until the list is mended in the setup.")
                .arg(QString::fromStdString(bad)));
    }
    m_server->setSenderFilter(filter);
}

void ReceptionHandoff::tellPortFailure(int port, const QString& reason)
{
    // Without this the station would look alive while it receives nothing.
    openNoticeBox(
        m_window, QStringLiteral("portFailureMessage"), QMessageBox::Warning,
        QStringLiteral("The callback port %1 cannot be opened: %2.\n"
                       "No callbacks are received until another port is chosen in the setup.")
            .arg(port)
            .arg(reason));
}

void ReceptionHandoff::stop()
{
    if (m_server == nullptr)
        return;
    m_server->stop();
    // Callbacks handed over before the server stopped were taken from the
    // socket: the decider decides them (and so queues their rows for the
    // writer) before it ends and the caller closes the databases.
    m_decider.stop();
    m_server.reset();
}

bool ReceptionHandoff::onCallbackReceived(const CallbackInfo& record)
{
    // A decider that cannot keep up must not cost memory without end: the
    // hand-off refuses (and counts) beyond its limit.
    return m_decider.handoff().append(record);
}

void ReceptionHandoff::onServerError(const char* text)
{
    traceMessage("Exception - %s", text);
    // Only a failed start reaches this on the GUI thread.
    if (QThread::currentThread() != thread() || !m_startingServer)
        return;
    if (m_startFailure.isEmpty())
        m_startFailure = QString::fromLocal8Bit(text);
}

void ReceptionHandoff::onReceptionFailed(const char* text)
{
    traceMessage("Exception - %s", text);
    postNotice(WM_RECEPTION_FAILED, true, text);
}

void ReceptionHandoff::onStorageProblem(const std::string& text)
{
    postNotice(WM_STORAGE_NOTICE, true, text);
}

void ReceptionHandoff::onStorageRecovered(const std::string& text)
{
    postNotice(WM_STORAGE_NOTICE, false, text);
}

void ReceptionHandoff::postNotice(int type, bool problem, const std::string& text)
{
    QCoreApplication::postEvent(
        this, new NoticeEvent(QEvent::Type(type),
                              std::make_unique<OperatorNotice>(OperatorNotice{problem, text})));
}

void ReceptionHandoff::showNotice(QEvent* event)
{
    const std::unique_ptr<OperatorNotice> notice = static_cast<NoticeEvent*>(event)->take();
    if (!notice)
        return;
    const QString text = QString::fromStdString(notice->text);
    if (event->type() == WM_RECEPTION_FAILED)
        openNoticeBox(m_window, QStringLiteral("receptionFailureMessage"), QMessageBox::Warning,
                      QStringLiteral("Reception on the callback port %1 failed: %2.\n"
                                     "The station opens the port again in a moment.")
                          .arg(m_port)
                          .arg(text));
    else if (notice->problem)
        openNoticeBox(m_window, QStringLiteral("storageProblemMessage"), QMessageBox::Warning,
                      text);
    else
        openNoticeBox(m_window, QStringLiteral("storageRecoveredMessage"), QMessageBox::Information,
                      text);
}

void ReceptionHandoff::customEvent(QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type == WM_STORAGE_NOTICE || type == WM_RECEPTION_FAILED)
        showNotice(event);
    else
        QObject::customEvent(event);
}

} // namespace corvane
