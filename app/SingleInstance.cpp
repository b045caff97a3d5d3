#include "app/SingleInstance.h"

#include "app/PrivateFolder.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QLocalSocket>
#include <QThread>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <unistd.h>

namespace corvane {

namespace {

constexpr int answerWaitMs = 1000;
constexpr int retryPauseMs = 50;
const char activateRequest[] = "activate\n";
const char instanceSuffix[] = "instance";

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

SingleInstance::~SingleInstance()
{
    // The socket file goes before the lock, so that whoever takes the lock
    // next finds no socket of this instance.
    m_server.close();
    if (m_lock >= 0)
        ::close(m_lock);
}

QString SingleInstance::serverName(QString* problem)
{
    std::string why;
    const std::string folder = PrivateFolder::forStation(why);
    if (folder.empty()) {
        if (problem != nullptr)
            *problem = QString::fromStdString(why);
        return {};
    }
    return QString::fromStdString(folder) + QStringLiteral("/orvex-corvane.") +
           QLatin1String(instanceSuffix);
}

QString SingleInstance::lockName(const QString& serverName)
{
    QString name = serverName;
    name.chop(int(std::strlen(instanceSuffix)));
    return name + QStringLiteral("lock");
}

SingleInstance::Claim SingleInstance::claim()
{
    m_problem.clear();
    const QString name = serverName(&m_problem);
    if (name.isEmpty())
        return Claim::Unguarded;
    const QString lock = lockName(name);
    // Close-on-exec: the page's processes, started by the station, must not
    // keep the lock when the station has died.
    m_lock = ::open(QFile::encodeName(lock).constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW,
                    0600);
    if (m_lock < 0) {
        m_problem = QStringLiteral("cannot open %1: %2")
                        .arg(lock, QString::fromLocal8Bit(std::strerror(errno)));
        return Claim::Unguarded;
    }
    int locked;
    do
        locked = ::flock(m_lock, LOCK_EX | LOCK_NB);
    while (locked != 0 && errno == EINTR);
    if (locked != 0) {
        const int error = errno;
        ::close(m_lock);
        m_lock = -1;
        if (error != EWOULDBLOCK) {
            m_problem = QStringLiteral("cannot lock %1: %2")
                            .arg(lock, QString::fromLocal8Bit(std::strerror(error)));
            return Claim::Unguarded;
        }
        return askHolder(name) ? Claim::Deferred : Claim::Unanswered;
    }
    // The lock is this start's: a socket file found now is a dead instance's.
    QLocalServer::removeServer(name);
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server.listen(name))
        m_problem = m_server.errorString();
    return Claim::First;
}

bool SingleInstance::askHolder(const QString& name)
{
    // The holder listens a moment after it took the lock: until then there
    // is no socket, or a dead instance's that nobody answers.
    const QDeadlineTimer deadline(answerDeadlineMs);
    while (true) {
        QLocalSocket other;
        other.connectToServer(name);
        if (other.waitForConnected(answerWaitMs)) {
            // In a folder only this user can enter only this user listens;
            // the check still keeps a socket of anyone else from ending this
            // start.
            if (!sameUser(other.socketDescriptor())) {
                other.abort();
                m_problem =
                    QStringLiteral("the instance socket %1 belongs to another user").arg(name);
                return false;
            }
            other.write(activateRequest);
            other.waitForBytesWritten(answerWaitMs);
            other.disconnectFromServer();
            return true;
        }
        if (deadline.hasExpired()) {
            m_problem = QStringLiteral("the instance holding %1 did not answer on %2 within %3 s")
                            .arg(lockName(name), name)
                            .arg(answerDeadlineMs / 1000);
            return false;
        }
        QThread::msleep(retryPauseMs);
    }
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
