#include "app/SingleInstance.h"

#include <QLocalSocket>
#include <pwd.h>
#include <unistd.h>

namespace corvane {

namespace {

constexpr int answerWaitMs = 1000;
const char activateRequest[] = "activate\n";

QString userName()
{
    if (const passwd* entry = ::getpwuid(::getuid()); entry != nullptr && entry->pw_name != nullptr)
        return QString::fromLocal8Bit(entry->pw_name);
    return QString::number(::getuid());
}

} // namespace

SingleInstance::SingleInstance(QObject* parent) : QObject(parent)
{
    connect(&m_server, &QLocalServer::newConnection, this, &SingleInstance::onNewConnection);
}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::serverName()
{
    return QStringLiteral("ORVEX Corvane-") + userName();
}

bool SingleInstance::claim()
{
    const QString name = serverName();
    QLocalSocket other;
    other.connectToServer(name);
    if (other.waitForConnected(answerWaitMs)) {
        other.write(activateRequest);
        other.waitForBytesWritten(answerWaitMs);
        other.disconnectFromServer();
        return false;
    }
    // Nobody answers: a socket file left by an instance that died is removed.
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server.listen(name)) {
        QLocalServer::removeServer(name);
        m_server.listen(name);
    }
    return true;
}

void SingleInstance::onNewConnection()
{
    while (QLocalSocket* client = m_server.nextPendingConnection()) {
        connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
        auto readRequest = [this, client] {
            if (client->readAll().contains("activate"))
                emit activationRequested();
        };
        connect(client, &QLocalSocket::readyRead, this, readRequest);
        if (client->bytesAvailable() > 0)
            readRequest();
    }
}

} // namespace corvane
