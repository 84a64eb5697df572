// The link to the running copy: message format, the socket's place and rights, stale sockets, garbage.
#include "EventLoopWait.h"
#include "RunningCopy.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <future>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using vello::RunningCopy;

namespace {

/// A runtime folder of the test's own for the duration of one test.
class RuntimeFolder
{
public:
    RuntimeFolder() : m_old(qgetenv("XDG_RUNTIME_DIR"))
    {
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_dir.path()));
    }
    ~RuntimeFolder() { qputenv("XDG_RUNTIME_DIR", m_old); }
    QString path() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
    QByteArray m_old;
};

/// Sends raw bytes to the socket from another thread (the test's thread serves the socket) and returns
/// what came back once the other side closed or after a second.
std::future<QByteArray> sendRaw(const QByteArray& bytes)
{
    const QString path = RunningCopy::socketPath();
    return std::async(std::launch::async, [path, bytes] {
        QLocalSocket socket;
        socket.connectToServer(path);
        if (!socket.waitForConnected(2000))
            return QByteArray("not connected");
        socket.write(bytes);
        socket.waitForBytesWritten(2000);
        QByteArray answer;
        while (socket.waitForReadyRead(1000))
            answer += socket.readAll();
        return answer;
    });
}

std::future<bool> forwardAsync(const QByteArray& text)
{
    return std::async(std::launch::async, [text] { return RunningCopy::forward(text, 5000); });
}

template <typename T> T getWhileServing(std::future<T>& future)
{
    EXPECT_TRUE(TestWait::waitFor(
        [&] { return future.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }, 10000));
    return future.get();
}

TEST(RunningCopyMessage, DecodesWholeMessagesOnlyAndRefusesEverythingElse)
{
    const QByteArray path = "/media/a b/ライブ.rm";
    const QByteArray whole = RunningCopy::encode(path);
    struct Case
    {
        const char* what;
        QByteArray bytes;
        bool complete;
        bool malformed;
    };
    QByteArray oversized = RunningCopy::encode(QByteArray(16, 'x'));
    oversized[17] = char(0x7f); // a length far beyond the limit
    const QByteArray invalidUtf8 = QByteArray("/tmp/\xff\xfe.rm");
    const Case cases[] = {
        {"whole", whole, true, false},
        {"empty text (raise only)", RunningCopy::encode({}), true, false},
        {"nothing yet", {}, false, false},
        {"part of the magic", whole.left(5), false, false},
        {"header only", whole.left(21), false, false},
        {"half the text", whole.left(whole.size() - 3), false, false},
        {"bytes after the text", whole + "x", false, true},
        {"wrong magic", "GET / HTTP/1.1\r\n\r\n", false, true},
        {"oversized length", oversized, false, true},
        {"largest allowed", RunningCopy::encode(QByteArray(RunningCopy::maxTextBytes, 'a')), true, false},
        {"invalid UTF-8 kept as bytes", RunningCopy::encode(invalidUtf8), true, false},
    };
    for (const Case& c : cases) {
        bool malformed = false;
        const std::optional<QByteArray> text = RunningCopy::decode(c.bytes, &malformed);
        EXPECT_EQ(text.has_value(), c.complete) << c.what;
        EXPECT_EQ(malformed, c.malformed) << c.what;
    }
    bool malformed = false;
    EXPECT_EQ(RunningCopy::decode(whole, &malformed).value_or("-"), path);
    EXPECT_EQ(RunningCopy::decode(RunningCopy::encode(invalidUtf8), &malformed).value_or("-"), invalidUtf8);
}

TEST(RunningCopyMessage, RelativePathsAreMadeAbsoluteAgainstTheSecondCopysFolder)
{
    const QByteArray cwd = QFile::encodeName(QDir::currentPath());
    EXPECT_EQ(RunningCopy::absoluteCommandLine("a.rm"), cwd + "/a.rm");
    EXPECT_EQ(RunningCopy::absoluteCommandLine("sub dir/\xff.rm"), cwd + "/sub dir/\xff.rm");
    EXPECT_EQ(RunningCopy::absoluteCommandLine("/abs/a.rm"), "/abs/a.rm");
    EXPECT_EQ(RunningCopy::absoluteCommandLine("file:///abs/a%20b.rm"), "file:///abs/a%20b.rm");
    EXPECT_EQ(RunningCopy::absoluteCommandLine("FILE:///abs/a.rm"), "FILE:///abs/a.rm");
    EXPECT_EQ(RunningCopy::absoluteCommandLine(""), "");
}

TEST(RunningCopySocket, LiesInThePrivateRuntimeFolderAndOnlyTheUserMayUseIt)
{
    RuntimeFolder runtime;
    EXPECT_EQ(RunningCopy::socketPath(),
              runtime.path() + QStringLiteral("/velloplayer-%1.socket").arg(::getuid()));
    RunningCopy server;
    ASSERT_TRUE(server.listen());
    struct stat st
    {
    };
    ASSERT_EQ(::lstat(QFile::encodeName(RunningCopy::socketPath()).constData(), &st), 0);
    EXPECT_TRUE(S_ISSOCK(st.st_mode));
    EXPECT_EQ(st.st_mode & 077, 0u) << std::oct << st.st_mode;
}

TEST(RunningCopySocket, AnOpenRuntimeFolderIsNotUsed)
{
    RuntimeFolder runtime;
    ::chmod(QFile::encodeName(runtime.path()).constData(), 0755);
    const QString path = RunningCopy::socketPath();
    EXPECT_FALSE(path.startsWith(runtime.path())) << qPrintable(path);
    // The fallback folder under /tmp is the user's own and closed to others.
    struct stat st
    {
    };
    ASSERT_EQ(::lstat(QFile::encodeName(QFileInfo(path).path()).constData(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(st.st_uid, ::getuid());
    EXPECT_EQ(st.st_mode & 077, 0u);
}

TEST(RunningCopySocket, ASecondCopyHandsItsFileOverAndGetsTheAnswer)
{
    RuntimeFolder runtime;
    RunningCopy server;
    ASSERT_TRUE(server.listen());
    QSignalSpy received(&server, &RunningCopy::commandLineReceived);

    auto delivered = forwardAsync("/clips/a b;$'\"\xff.rm");
    EXPECT_TRUE(getWhileServing(delivered));
    ASSERT_EQ(received.size(), 1);
    EXPECT_EQ(received.at(0).at(0).toByteArray(), QByteArray("/clips/a b;$'\"\xff.rm"));

    auto raiseOnly = forwardAsync({});
    EXPECT_TRUE(getWhileServing(raiseOnly));
    ASSERT_EQ(received.size(), 2);
    EXPECT_TRUE(received.at(1).at(0).toByteArray().isEmpty());
}

TEST(RunningCopySocket, AStaleSocketOfACrashedCopyDoesNotBlockTheNextStart)
{
    RuntimeFolder runtime;
    // A socket file nobody listens on, as a killed copy leaves it.
    const QByteArray path = QFile::encodeName(RunningCopy::socketPath());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    ::close(fd);
    ASSERT_TRUE(QFileInfo::exists(QFile::decodeName(path)));

    // Without a running copy the second copy gives up (and so does not wait forever).
    EXPECT_FALSE(RunningCopy::forward("/a.rm", 300));

    RunningCopy server;
    ASSERT_TRUE(server.listen());
    QSignalSpy received(&server, &RunningCopy::commandLineReceived);
    auto delivered = forwardAsync("/a.rm");
    EXPECT_TRUE(getWhileServing(delivered));
    EXPECT_EQ(received.size(), 1);
}

TEST(RunningCopySocket, GarbageAndOversizedOrUnfinishedMessagesAreDroppedAndServiceGoesOn)
{
    RuntimeFolder runtime;
    RunningCopy server;
    server.setMessageTimeout(300);
    ASSERT_TRUE(server.listen());
    QSignalSpy received(&server, &RunningCopy::commandLineReceived);

    QByteArray oversized = RunningCopy::encode("x");
    oversized[17] = char(0xff);
    QByteArray tooLong = RunningCopy::encode(QByteArray(RunningCopy::maxTextBytes + 1, 'a'));
    for (const QByteArray& garbage :
         {QByteArray("hello\n"), QByteArray(100000, '\0'), oversized, tooLong,
          RunningCopy::encode("/a.rm") + "!", RunningCopy::encode("/a.rm").left(20) /* never finished */}) {
        auto answer = sendRaw(garbage);
        EXPECT_TRUE(getWhileServing(answer).isEmpty()) << garbage.left(20).toHex().constData();
    }
    EXPECT_EQ(received.size(), 0);

    auto delivered = forwardAsync("/after/garbage.rm");
    EXPECT_TRUE(getWhileServing(delivered));
    ASSERT_EQ(received.size(), 1);
    EXPECT_EQ(received.at(0).at(0).toByteArray(), QByteArray("/after/garbage.rm"));
}

} // namespace
