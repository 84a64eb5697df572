#include "RunningCopy.h"

#include "Logging.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <QTimer>
#include <QVariant>

#include <cerrno>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace vello {

namespace {

constexpr char kMagic[] = "VELLOPLAYER-OPEN\n";
constexpr qsizetype kMagicSize = sizeof(kMagic) - 1;
constexpr qsizetype kHeaderSize = kMagicSize + 4;
constexpr char kAnswer[] = "OK\n";
/// Connections served at once; more are refused until one ends.
constexpr int kMaxConnections = 8;

/// A folder only this user can enter: it exists (is created) as a real folder, owned by the user, with no
/// rights for group and others.
bool isPrivateFolder(const QByteArray& folder, bool create)
{
    struct stat st
    {
    };
    if (::lstat(folder.constData(), &st) != 0) {
        if (!create || errno != ENOENT || ::mkdir(folder.constData(), 0700) != 0)
            return false;
        if (::lstat(folder.constData(), &st) != 0)
            return false;
    }
    return S_ISDIR(st.st_mode) && st.st_uid == ::getuid() && (st.st_mode & 077) == 0;
}

/// Longest socket path the system takes (sun_path, with its closing NUL).
constexpr qsizetype kMaxSocketPath = qsizetype(sizeof(sockaddr_un::sun_path)) - 1;

} // namespace

RunningCopy::RunningCopy(QObject* parent, const QByteArray& program) : QObject(parent), m_program(program) {}

RunningCopy::~RunningCopy()
{
    if (m_server)
        m_server->close(); // removes the socket file
}

QString RunningCopy::socketPath(const QByteArray& program)
{
    const QByteArray name = program + '-' + QByteArray::number(::getuid()) + ".socket";
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (runtime.startsWith('/') && isPrivateFolder(runtime, false) &&
        runtime.size() + 1 + name.size() <= kMaxSocketPath)
        return QFile::decodeName(runtime + '/' + name);
    // No usable runtime folder: a folder of the user's own under /tmp, where others cannot put anything.
    const QByteArray own = "/tmp/velloplayer-" + QByteArray::number(::getuid());
    if (isPrivateFolder(own, true))
        return QFile::decodeName(own + '/' + name);
    return {};
}

bool RunningCopy::listen()
{
    if (isListening())
        return true;
    const QString path = socketPath(m_program);
    if (path.isEmpty()) {
        qCInfo(lcError) << "running copy: no private folder for the socket; a second copy cannot hand over";
        return false;
    }
    if (!m_server) {
        m_server = new QLocalServer(this);
        m_server->setSocketOptions(QLocalServer::UserAccessOption);
        m_server->setMaxPendingConnections(kMaxConnections);
        connect(m_server, &QLocalServer::newConnection, this, &RunningCopy::onNewConnection);
    }
    // This copy holds the single-copy lock, so a socket file there is a stale one of a crashed copy.
    QLocalServer::removeServer(path);
    if (!m_server->listen(path)) {
        qCInfo(lcError) << "running copy: cannot listen on" << path << m_server->errorString();
        return false;
    }
    return true;
}

bool RunningCopy::isListening() const
{
    return m_server && m_server->isListening();
}

void RunningCopy::onNewConnection()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        const int open = int(m_server->findChildren<QLocalSocket*>().size());
        struct ucred peer
        {
        };
        socklen_t length = sizeof(peer);
        const bool sameUser =
            ::getsockopt(int(socket->socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &peer, &length) == 0 &&
            peer.uid == ::getuid();
        if (!sameUser || open > kMaxConnections) {
            qCInfo(lcError) << "running copy: connection refused"
                            << (sameUser ? "(too many)" : "(other user)");
            socket->abort();
            socket->deleteLater();
            continue;
        }
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
        QTimer::singleShot(m_messageTimeoutMs, socket, [socket] {
            if (socket->property("done").toBool())
                return;
            qCInfo(lcError) << "running copy: incomplete message dropped";
            socket->abort();
        });
    }
}

void RunningCopy::onReadyRead(QLocalSocket* socket)
{
    QByteArray received = socket->property("received").toByteArray();
    received += socket->read(kHeaderSize + maxTextBytes + 1 - received.size());
    bool malformed = false;
    const std::optional<QByteArray> text = decode(received, &malformed);
    if (malformed || socket->bytesAvailable() > 0) {
        qCInfo(lcError) << "running copy: malformed message dropped";
        socket->abort();
        return;
    }
    if (!text) {
        socket->setProperty("received", received);
        return;
    }
    socket->setProperty("received", QByteArray());
    socket->setProperty("done", true);
    disconnect(socket, &QLocalSocket::readyRead, this, nullptr);
    socket->write(kAnswer);
    socket->flush();
    socket->disconnectFromServer();
    emit commandLineReceived(*text);
}

QByteArray RunningCopy::encode(const QByteArray& text)
{
    QByteArray message(kMagic, kMagicSize);
    const quint32 size = quint32(text.size());
    message.append(char(size >> 24)).append(char(size >> 16)).append(char(size >> 8)).append(char(size));
    return message + text;
}

std::optional<QByteArray> RunningCopy::decode(const QByteArray& received, bool* malformed)
{
    *malformed = false;
    const qsizetype magicPart = std::min(received.size(), kMagicSize);
    if (received.left(magicPart) != QByteArray(kMagic, magicPart)) {
        *malformed = true;
        return std::nullopt;
    }
    if (received.size() < kHeaderSize)
        return std::nullopt;
    const auto byte = [&](qsizetype i) { return quint32(quint8(received.at(kMagicSize + i))); };
    const quint32 size = byte(0) << 24 | byte(1) << 16 | byte(2) << 8 | byte(3);
    if (size > quint32(maxTextBytes) || received.size() > kHeaderSize + qsizetype(size)) {
        *malformed = true;
        return std::nullopt;
    }
    if (received.size() < kHeaderSize + qsizetype(size))
        return std::nullopt;
    return received.mid(kHeaderSize);
}

QByteArray RunningCopy::absoluteCommandLine(const QByteArray& text)
{
    if (text.isEmpty() || text.startsWith('/') || text.left(5).toLower() == "file:")
        return text;
    QByteArray folder(4096, '\0');
    while (!::getcwd(folder.data(), size_t(folder.size()))) {
        if (errno != ERANGE || folder.size() > (1 << 20))
            return text;
        folder.resize(folder.size() * 2);
    }
    folder.truncate(qsizetype(qstrlen(folder.constData())));
    return folder + (folder.endsWith('/') ? "" : "/") + text;
}

bool RunningCopy::forward(const QByteArray& text, int timeoutMs, const QByteArray& program)
{
    const QString path = socketPath(program);
    if (path.isEmpty())
        return false;
    const QByteArray message = encode(absoluteCommandLine(text));
    if (message.size() > kHeaderSize + maxTextBytes)
        return false;
    const QDeadlineTimer deadline(timeoutMs);
    QLocalSocket socket;
    // The running copy may still be starting: it listens only after taking the lock.
    for (;;) {
        socket.connectToServer(path);
        if (socket.waitForConnected(int(std::max<qint64>(1, deadline.remainingTime()))))
            break;
        if (deadline.hasExpired())
            return false;
        QThread::msleep(50);
    }
    socket.write(message);
    if (!socket.waitForBytesWritten(int(std::max<qint64>(1, deadline.remainingTime()))) &&
        socket.bytesToWrite() > 0)
        return false;
    QByteArray answer;
    while (answer.size() < qsizetype(sizeof(kAnswer) - 1)) {
        if (!socket.bytesAvailable() &&
            !socket.waitForReadyRead(int(std::max<qint64>(1, deadline.remainingTime()))))
            break;
        answer += socket.readAll();
    }
    return answer.startsWith(kAnswer);
}

} // namespace vello
