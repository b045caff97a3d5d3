#include "app/SingleInstance.h"

#include "app/PrivateFolder.h"

#include <QLocalSocket>
#include <sys/socket.h>
#include <unistd.h>

namespace corvane {

namespace {

constexpr int answerWaitMs = 1000;
const char activateRequest[] = "activate\n";

// Whether the process at the other end of a local socket runs as this user.
bool sameUser(qintptr descriptor)
{
    ucred peer{};
    socklen_t length = sizeof peer;
    if (descriptor < 0 ||
        ::getsockopt(static_cast<int>(descriptor), SOL_SOCKET, SO_PEERCRED, &peer, &length) != 0)
        return false;
    return peer.uid == ::geteuid();
}

} // namespace

SingleInstance::SingleInstance(QObject* parent) : QObject(parent)
{
    connect(&m_server, &QLocalServer::newConnection, this, &SingleInstance::onNewConnection);
}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::serverName(QString* problem)
{
    std::string why;
    const std::string folder = PrivateFolder::forStation(why);
    if (folder.empty()) {
        if (problem != nullptr)
            *problem = QString::fromStdString(why);
        return {};
    }
    return QString::fromStdString(folder) + QStringLiteral("/orvex-corvane.instance");
}

SingleInstance::Claim SingleInstance::claim()
{
    m_problem.clear();
    const QString name = serverName(&m_problem);
    if (name.isEmpty())
        return Claim::Unguarded;
    QLocalSocket other;
    other.connectToServer(name);
    if (other.waitForConnected(answerWaitMs)) {
        // In a folder only this user can enter only this user listens; the
        // check still keeps a socket of anyone else from ending this start.
        if (sameUser(other.socketDescriptor())) {
            other.write(activateRequest);
            other.waitForBytesWritten(answerWaitMs);
            other.disconnectFromServer();
            return Claim::Deferred;
        }
        other.abort();
    }
    // Nobody answers: a socket file left by an instance that died is removed.
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server.listen(name)) {
        QLocalServer::removeServer(name);
        if (!m_server.listen(name)) {
            m_problem = m_server.errorString();
            return Claim::Unguarded;
        }
    }
    return Claim::First;
}

void SingleInstance::onNewConnection()
{
    while (QLocalSocket* client = m_server.nextPendingConnection()) {
        connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
        if (!sameUser(client->socketDescriptor())) {
            client->abort();
            client->deleteLater();
            continue;
        }
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
