// The player on the desktop with real processes: a second copy hands its file to the first, which plays it;
// the media keys of the session bus (the test runs under dbus-run-session) drive the first.
#include "EventLoopWait.h"
#include "MprisService.h"
#include "RunningCopy.h"
#include "TestClips.h"

#include <gtest/gtest.h>

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <QUrl>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using vello::MprisService;
using vello::RunningCopy;

namespace {

const QString kPlayer = QStringLiteral("org.mpris.MediaPlayer2.Player");

QDBusConnection bus()
{
    static QDBusConnection connection =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("vello-test-processes"));
    return connection;
}

QDBusMessage callPlayer(const QString& interface, const QString& method, const QVariantList& arguments = {})
{
    QDBusMessage message = QDBusMessage::createMethodCall(MprisService::serviceName(),
                                                          MprisService::objectPath(), interface, method);
    message.setArguments(arguments);
    QDBusPendingCall pending = bus().asyncCall(message, 10000);
    TestWait::waitFor([&] { return pending.isFinished(); }, 15000);
    return pending.reply();
}

QVariant playerProperty(const QString& name)
{
    const QDBusMessage reply =
        callPlayer(QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"), {kPlayer, name});
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return {};
    return reply.arguments().first().value<QDBusVariant>().variant();
}

/// The file of the clip the player reports, as a path ("" for none).
QString playingFile()
{
    const QVariant value = playerProperty(QStringLiteral("Metadata"));
    QVariantMap map;
    if (value.canConvert<QDBusArgument>())
        value.value<QDBusArgument>() >> map;
    const QString url = map.value(QStringLiteral("xesam:url")).toString();
    return QFile::decodeName(QByteArray::fromPercentEncoding(url.mid(7).toLatin1()));
}

QString playbackStatus()
{
    return playerProperty(QStringLiteral("PlaybackStatus")).toString();
}

/// The position the player reports, in microseconds; -1 when it cannot be read.
qint64 positionUs()
{
    const QVariant value = playerProperty(QStringLiteral("Position"));
    return value.isValid() ? value.toLongLong() : -1;
}

/// The words of the README's dbus-send example (one code span).
QStringList readmeDbusSend()
{
    QFile readme(qEnvironmentVariable("VELLO_SOURCE_DIR") + QStringLiteral("/README.md"));
    const QString text = readme.open(QIODevice::ReadOnly) ? QString::fromUtf8(readme.readAll()) : QString();
    const qsizetype start = text.indexOf(QStringLiteral("`dbus-send ")) + 1;
    return text.mid(start, text.indexOf(u'`', start) - start).split(u' ', Qt::SkipEmptyParts);
}

/// Waits until the player reports `file` as its clip, playing, and its position moves on in that clip.
::testing::AssertionResult playsFile(const QString& file)
{
    if (!TestWait::waitFor([&] { return playingFile() == file && playbackStatus() == u"Playing"; }, 20000))
        return ::testing::AssertionFailure() << "the player reports " << qPrintable(playingFile()) << " ("
                                             << qPrintable(playbackStatus()) << "), not " << qPrintable(file);
    const qint64 start = positionUs();
    if (!TestWait::waitFor([&] { return playingFile() == file && positionUs() > start; }, 20000))
        return ::testing::AssertionFailure() << qPrintable(file) << " does not move on from " << start
                                             << " us (now " << qPrintable(playingFile()) << ")";
    return ::testing::AssertionSuccess();
}

/// A copy of the built player in a folder of its own (with the build tree's mark, so its Config.ini lies
/// there), a private home and runtime folder, clips, and the settings to open the clips' folder at start.
class PlayerCopies : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!QDBusConnection::sessionBus().isConnected())
            GTEST_FAIL() << "no session bus: run the test under dbus-run-session";
        if (!TestClips::toolsAvailable())
            GTEST_SKIP() << "ffmpeg/ffprobe not found";
        const QString bin = qEnvironmentVariable("VELLO_BIN_DIR");
        ASSERT_FALSE(bin.isEmpty());
        QDir root(m_root.path());
        for (const char* folder : {"prog", "home", "run", "clips"})
            ASSERT_TRUE(root.mkpath(QLatin1String(folder)));
        QFile::setPermissions(path("run"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        ASSERT_TRUE(QFile::copy(bin + QStringLiteral("/velloplayer"), program()));
        ASSERT_TRUE(QFile::copy(bin + QStringLiteral("/vello-build-tree"), path("prog/vello-build-tree")));
        ASSERT_FALSE(
            TestClips::makeClip(path("clips"), QStringLiteral("a.rm"), TestClips::ClipKind::RealMedia, 120)
                .isEmpty());
        ASSERT_FALSE(
            TestClips::makeClip(path("clips"), QStringLiteral("b.mpg"), TestClips::ClipKind::Mpeg1, 10)
                .isEmpty());
        ASSERT_FALSE(
            TestClips::makeClip(path("clips"), QStringLiteral("c d.asf"), TestClips::ClipKind::Asf, 10)
                .isEmpty());
        // Repeat all: Next always has a next file. The first clip is long: only Next moves on from it
        // while the checks wait.
        writeConfig(1);
    }

    /// The settings of the copy: open the clips' folder at start, play mode `mode`.
    void writeConfig(int mode)
    {
        QFile config(path("prog/Config.ini"));
        ASSERT_TRUE(config.open(QIODevice::WriteOnly | QIODevice::Truncate));
        config.write(
            "[Play Mode]\nTOPMOST=0\nFIXED RATIO=0\nMODE=" + QByteArray::number(mode) +
            "\n"
            "[File List]\nFILE EXT=rm;mpg;asf\nSEND RECYCLE=0\nFILE TITLE=0\nFILE SIZE=1\nFILE DATETIME=1\n"
            "[Config]\nDEFAULT DIR=2\nDEFAULT DIR PATH=" +
            QFile::encodeName(path("clips")) +
            "\nPICKUP=1\n"
            "[Slide Timer]\nTimer=2\n");
    }

    void TearDown() override
    {
        for (QProcess* p : {&m_first, &m_second}) {
            if (p->state() != QProcess::NotRunning) {
                p->kill();
                p->waitForFinished(5000);
            }
        }
    }

    QString path(const char* relative) const { return m_root.filePath(QLatin1String(relative)); }
    QString program() const { return path("prog/velloplayer"); }
    QString socket() const { return path("run") + QStringLiteral("/velloplayer-%1.socket").arg(::getuid()); }

    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("HOME"), path("home"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), path("home/.config"));
        env.insert(QStringLiteral("XDG_DATA_HOME"), path("home/.local/share"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), path("run"));
        return env;
    }

    void startFirst()
    {
        m_first.setProcessEnvironment(environment());
        m_first.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_first.start(program(), {});
        ASSERT_TRUE(m_first.waitForStarted(10000));
        ASSERT_TRUE(TestWait::waitFor(
            [] { return bus().interface()->isServiceRegistered(MprisService::serviceName()).value(); },
            30000))
            << "the player did not offer its media keys";
    }

    /// Runs a second copy to its end; its exit code.
    int runSecond(const QStringList& arguments, const QString& folder)
    {
        m_second.setProcessEnvironment(environment());
        m_second.setWorkingDirectory(folder);
        m_second.start(program(), arguments);
        if (!m_second.waitForStarted(10000))
            return -1;
        // Served by the first copy's event loop, which the wait keeps running.
        if (!TestWait::waitFor([&] { return m_second.state() == QProcess::NotRunning; }, 20000))
            return -1;
        return m_second.exitStatus() == QProcess::NormalExit ? m_second.exitCode() : -1;
    }

    QTemporaryDir m_root;
    QProcess m_first;
    QProcess m_second;
};

TEST_F(PlayerCopies, ASecondCopyHandsItsFileToTheFirstWhichPlaysIt)
{
    // Repeat one: a handed clip plays on however long the checks take on a busy machine.
    writeConfig(2);
    // A socket file left by a crashed copy.
    const QByteArray stale =
        QFile::encodeName(path("run")) + "/velloplayer-" + QByteArray::number(::getuid()) + ".socket";
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, stale.constData(), size_t(stale.size()));
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    ::close(fd);

    startFirst();
    EXPECT_EQ(playbackStatus(), QStringLiteral("Stopped"));

    // Garbage on the socket changes nothing.
    {
        QLocalSocket garbage;
        garbage.connectToServer(QFile::decodeName(stale));
        ASSERT_TRUE(garbage.waitForConnected(5000));
        garbage.write("GET / HTTP/1.0\r\n\r\n");
        garbage.waitForBytesWritten(1000);
        EXPECT_TRUE(
            TestWait::waitFor([&] { return garbage.state() == QLocalSocket::UnconnectedState; }, 5000));
    }
    EXPECT_EQ(m_first.state(), QProcess::Running);
    EXPECT_EQ(playbackStatus(), QStringLiteral("Stopped"));

    // A second copy started from the clips' folder with a relative name ends at once with 0; the first
    // plays the file.
    EXPECT_EQ(runSecond({QStringLiteral("c d.asf")}, path("clips")), 0);
    EXPECT_TRUE(playsFile(path("clips/c d.asf")));
    // A second copy as a file manager starts it, with an address: the clip playing is replaced.
    EXPECT_EQ(runSecond({QStringLiteral("file://") + QString::fromLatin1(QUrl::toPercentEncoding(
                                                         QFile::encodeName(path("clips/a.rm")), "/"))},
                        path("home")),
              0);
    EXPECT_TRUE(playsFile(path("clips/a.rm")));
    // Without a file it only raises the window. The first copy has handled the message before the second
    // got its answer, and the reads below are served after it.
    EXPECT_EQ(runSecond({}, path("home")), 0);
    EXPECT_EQ(playingFile(), path("clips/a.rm"));
    EXPECT_EQ(playbackStatus(), QStringLiteral("Playing"));
    EXPECT_EQ(m_first.state(), QProcess::Running);
    // Neither second copy wrote the stored files.
    EXPECT_FALSE(QFileInfo::exists(path("home/.config/Velloplayer")));
}

TEST_F(PlayerCopies, MediaKeysActAsThePlayersButtonsAndTheMetadataFollows)
{
    startFirst();
    // Up and offering its media keys, with neither the engine nor the update check's FTP library loaded:
    // they are loaded when first needed.
    {
        QFile maps(QStringLiteral("/proc/%1/maps").arg(m_first.processId()));
        ASSERT_TRUE(maps.open(QIODevice::ReadOnly));
        const QByteArray loaded = maps.readAll();
        EXPECT_FALSE(loaded.contains("libmpv.so"));
        EXPECT_FALSE(loaded.contains("libcurl.so"));
    }
    // Play with nothing playing plays the selected entry, the first of the clips' folder.
    EXPECT_EQ(callPlayer(kPlayer, QStringLiteral("PlayPause")).type(), QDBusMessage::ReplyMessage);
    EXPECT_TRUE(playsFile(path("clips/a.rm")));

    // Next from the command line, exactly as the README tells a user to send it (no reply expected),
    // plays the entry after it.
    const QStringList readme = readmeDbusSend();
    ASSERT_EQ(readme.value(0), QStringLiteral("dbus-send"));
    QProcess send;
    send.start(readme.first(), readme.mid(1));
    ASSERT_TRUE(send.waitForStarted(10000)) << "dbus-send not found (the dbus package has it)";
    ASSERT_TRUE(TestWait::waitFor([&] { return send.state() == QProcess::NotRunning; }, 20000));
    EXPECT_EQ(send.exitCode(), 0) << send.readAllStandardError().constData();
    EXPECT_TRUE(playsFile(path("clips/b.mpg")));

    // Pause holds the clip; play resumes it where it was, the same clip.
    callPlayer(kPlayer, QStringLiteral("PlayPause"));
    EXPECT_TRUE(TestWait::waitFor([] { return playbackStatus() == u"Paused"; }, 20000));
    const qint64 held = positionUs();
    EXPECT_GT(held, 0);
    callPlayer(kPlayer, QStringLiteral("PlayPause"));
    EXPECT_GE(positionUs(), held); // resumed, not reloaded from its start
    EXPECT_TRUE(playsFile(path("clips/b.mpg")));

    // Repeat all: after the last entry comes the first.
    callPlayer(kPlayer, QStringLiteral("Next"));
    EXPECT_TRUE(playsFile(path("clips/c d.asf")));
    callPlayer(kPlayer, QStringLiteral("Next"));
    EXPECT_TRUE(playsFile(path("clips/a.rm")));

    callPlayer(kPlayer, QStringLiteral("Stop"));
    EXPECT_TRUE(TestWait::waitFor([] { return playbackStatus() == u"Stopped"; }, 20000));
    EXPECT_TRUE(playingFile().isEmpty());

    // Quit closes the window and ends the program.
    callPlayer(QStringLiteral("org.mpris.MediaPlayer2"), QStringLiteral("Quit"));
    EXPECT_TRUE(TestWait::waitFor([&] { return m_first.state() == QProcess::NotRunning; }, 20000));
    EXPECT_EQ(m_first.exitCode(), 0);
}

TEST_F(PlayerCopies, WithoutASessionBusThePlayerRunsAsBeforeAndSaysNothing)
{
    QProcessEnvironment env = environment();
    env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    m_first.setProcessEnvironment(env);
    m_first.start(program(), {path("clips/b.mpg")});
    ASSERT_TRUE(m_first.waitForStarted(10000));
    ASSERT_TRUE(TestWait::waitFor([&] { return QFileInfo::exists(socket()); }, 30000));
    // It runs and serves second copies all the same.
    m_second.setProcessEnvironment(env);
    m_second.start(program(), {path("clips/a.rm")});
    ASSERT_TRUE(m_second.waitForStarted(10000));
    EXPECT_TRUE(TestWait::waitFor([&] { return m_second.state() == QProcess::NotRunning; }, 20000));
    EXPECT_EQ(m_second.exitCode(), 0);
    EXPECT_EQ(m_first.state(), QProcess::Running);
    EXPECT_FALSE(bus().interface()->isServiceRegistered(MprisService::serviceName()).value());
    m_first.kill();
    m_first.waitForFinished(5000);
    const QByteArray errors = m_first.readAllStandardError();
    EXPECT_FALSE(errors.contains("DBus")) << errors.constData();
    EXPECT_FALSE(errors.contains("D-Bus")) << errors.constData();
}

} // namespace
