#include "FtpTestServer.h"

#include "EventLoopWait.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace TestFtp {

namespace {

int boundSocket(bool listening, int* port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        (listening && ::listen(fd, 16) != 0) ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        if (fd >= 0)
            ::close(fd);
        return -1;
    }
    *port = ntohs(address.sin_port);
    return fd;
}

} // namespace

Server::Server(bool tls) : m_tls(tls) {}

Server::~Server()
{
    if (m_process && m_process->state() != QProcess::NotRunning) {
        m_process->kill();
        m_process->waitForFinished(5000);
    }
}

bool Server::start()
{
    if (!m_base.isValid()) {
        m_error = QStringLiteral("no temporary folder");
        return false;
    }
    QDir(m_base.path()).mkpath(QStringLiteral("homes/anonymous"));
    QDir(m_base.path()).mkpath(QStringLiteral("behaviour"));
    QStringList arguments{QStringLiteral(VELLO_FTP_SERVER_SCRIPT), QStringLiteral("--base"), m_base.path(),
                          QStringLiteral("--password"), password()};
    if (m_tls) {
        QDir(m_base.path()).mkpath(QStringLiteral("tls"));
        arguments << QStringLiteral("--tls") << m_base.filePath(QStringLiteral("tls"));
    }
    m_process = std::make_unique<QProcess>();
    m_process->setProcessChannelMode(QProcess::SeparateChannels);
    m_process->start(QStringLiteral(VELLO_PYTHON3), arguments);
    QByteArray out;
    TestWait::waitFor([&] {
        out += m_process->readAllStandardOutput();
        return out.contains('\n') || m_process->state() == QProcess::NotRunning;
    });
    const QByteArray line = out.left(out.indexOf('\n')).trimmed();
    if (!line.startsWith("PORT ")) {
        m_error = QStringLiteral("the FTP server did not start: ") +
                  QString::fromUtf8(m_process->readAllStandardError());
        return false;
    }
    m_port = line.mid(5).toInt();
    return m_port > 0;
}

QString Server::home(const QString& user) const
{
    const QString path = m_base.filePath(QStringLiteral("homes/") + user);
    QDir().mkpath(path);
    return path;
}

void Server::sabotage(const QString& user, const QString& kind, const QString& fileName) const
{
    writeFile(m_base.filePath(QStringLiteral("behaviour/%1.%2").arg(user, kind)), fileName.toUtf8());
}

QString Server::caFile() const
{
    return m_base.filePath(QStringLiteral("tls/ca.pem"));
}

SilentListener::SilentListener()
{
    m_fd = boundSocket(true, &m_port);
}

SilentListener::~SilentListener()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

int closedPort()
{
    int port = 0;
    const int fd = boundSocket(false, &port);
    if (fd >= 0)
        ::close(fd);
    return port;
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace TestFtp
