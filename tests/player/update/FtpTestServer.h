// A real FTP server on 127.0.0.1 for the update tests (ftp_server.py over pyftpdlib), and a listening
// socket that never answers.
#pragma once

#include <gtest/gtest.h>

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <memory>
#include <ostream>

/// Readable QString values in test failures.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace TestFtp {

/// The password of every named account.
inline QString password()
{
    return QStringLiteral("secret");
}

class Server
{
public:
    /// tls: make a test CA and require TLS on every connection.
    explicit Server(bool tls = false);
    ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    /// Starts the server and waits until it listens; false (with the reason in error()) when it fails.
    bool start();
    QString error() const { return m_error; }
    int port() const { return m_port; }
    /// The home folder of an account (created on first use); "anonymous" is the anonymous account.
    QString home(const QString& user) const;
    /// Makes the account's downloads of fileName send half the file, then fail ("abort") or go silent
    /// ("stall").
    void sabotage(const QString& user, const QString& kind, const QString& fileName) const;
    /// The test CA's certificate (TLS servers).
    QString caFile() const;

private:
    QTemporaryDir m_base;
    bool m_tls;
    std::unique_ptr<QProcess> m_process;
    int m_port = 0;
    QString m_error;
};

/// A socket on 127.0.0.1 that listens and never accepts: connections complete and nothing answers.
class SilentListener
{
public:
    SilentListener();
    ~SilentListener();
    SilentListener(const SilentListener&) = delete;
    SilentListener& operator=(const SilentListener&) = delete;
    int port() const { return m_port; }

private:
    int m_fd = -1;
    int m_port = 0;
};

/// A port on 127.0.0.1 where nothing listens (connections are refused).
int closedPort();

/// Writes bytes to a file, creating its folders.
void writeFile(const QString& path, const QByteArray& bytes);
QByteArray readFile(const QString& path);

/// A test suite sharing one server: started before the suite's first test, stopped after its last.
/// tls: the server requires TLS.
template <bool tls = false> class ServerSuite : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_server = new Server(tls);
        s_started = s_server->start();
    }
    static void TearDownTestSuite()
    {
        delete s_server;
        s_server = nullptr;
    }
    static inline Server* s_server = nullptr;
    static inline bool s_started = false;
};

} // namespace TestFtp
