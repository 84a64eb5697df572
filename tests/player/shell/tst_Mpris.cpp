// The media-keys interface and the screen-saver hold on a private session bus (the test runs under
// dbus-run-session): what a desktop's sound menu sees and sends.
#include "EventLoopWait.h"
#include "MprisService.h"
#include "NativePath.h"
#include "ScreenSaverInhibitor.h"

#include <gtest/gtest.h>

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QSignalSpy>

using vello::MprisService;
using vello::ScreenSaverInhibitor;

namespace {

const QString kRoot = QStringLiteral("org.mpris.MediaPlayer2");
const QString kPlayer = QStringLiteral("org.mpris.MediaPlayer2.Player");

/// A second connection to the bus, as another program on the desktop has it.
QDBusConnection desktop()
{
    static QDBusConnection connection =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("vello-test-desktop"));
    return connection;
}

/// Calls a method from the desktop's side and waits for the answer while the player's side runs.
QDBusMessage call(const QString& interface, const QString& method, const QVariantList& arguments = {},
                  const QString& service = MprisService::serviceName(),
                  const QString& path = MprisService::objectPath())
{
    QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
    message.setArguments(arguments);
    QDBusPendingCall pending = desktop().asyncCall(message);
    TestWait::waitFor([&] { return pending.isFinished(); }, 10000);
    return pending.reply();
}

QVariant property(const QString& interface, const QString& name)
{
    const QDBusMessage reply =
        call(QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"), {interface, name});
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return {};
    return reply.arguments().first().value<QDBusVariant>().variant();
}

/// The metadata map as the desktop reads it (a{sv} arrives as a QDBusArgument).
QVariantMap metadata()
{
    const QVariant value = property(kPlayer, QStringLiteral("Metadata"));
    QVariantMap map;
    if (value.canConvert<QDBusArgument>())
        value.value<QDBusArgument>() >> map;
    return map;
}

/// Records the player's PropertiesChanged signals as the desktop receives them.
class ChangeRecorder : public QObject
{
    Q_OBJECT
public:
    ChangeRecorder()
    {
        desktop().connect(MprisService::serviceName(), MprisService::objectPath(),
                          QStringLiteral("org.freedesktop.DBus.Properties"),
                          QStringLiteral("PropertiesChanged"), this,
                          SLOT(changed(QString, QVariantMap, QStringList)));
    }
    QStringList names;

public slots:
    void changed(const QString& interface, const QVariantMap& values, const QStringList&)
    {
        if (interface == kPlayer)
            names += values.keys();
    }
};

class MprisTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!QDBusConnection::sessionBus().isConnected())
            GTEST_FAIL() << "no session bus: run the test under dbus-run-session";
        service = std::make_unique<MprisService>(QStringLiteral("Velloplayer"), QStringLiteral("velloplayer"),
                                                 QStringList{QStringLiteral("application/vnd.rn-realmedia")});
        ASSERT_TRUE(service->registerOnBus(QDBusConnection::sessionBus()));
        position = 0;
        service->setPositionSource([this] { return position; });
    }
    void TearDown() override { service.reset(); }

    std::unique_ptr<MprisService> service;
    qint64 position = 0;
};

TEST_F(MprisTest, TheNameAppearsWithThePlayersIdentityAndGoesWithIt)
{
    EXPECT_TRUE(desktop().interface()->isServiceRegistered(MprisService::serviceName()).value());
    EXPECT_EQ(property(kRoot, QStringLiteral("Identity")).toString(), QStringLiteral("Velloplayer"));
    EXPECT_EQ(property(kRoot, QStringLiteral("DesktopEntry")).toString(), QStringLiteral("velloplayer"));
    EXPECT_EQ(property(kRoot, QStringLiteral("SupportedMimeTypes")).toStringList(),
              QStringList{QStringLiteral("application/vnd.rn-realmedia")});
    EXPECT_EQ(property(kRoot, QStringLiteral("SupportedUriSchemes")).toStringList(),
              QStringList{QStringLiteral("file")});
    EXPECT_TRUE(property(kRoot, QStringLiteral("CanRaise")).toBool());
    EXPECT_EQ(property(kPlayer, QStringLiteral("PlaybackStatus")).toString(), QStringLiteral("Stopped"));
    EXPECT_TRUE(property(kPlayer, QStringLiteral("CanControl")).toBool());
    EXPECT_EQ(metadata().value(QStringLiteral("mpris:trackid")).value<QDBusObjectPath>().path(),
              QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack"));

    service.reset();
    EXPECT_TRUE(TestWait::waitFor(
        [] { return !desktop().interface()->isServiceRegistered(MprisService::serviceName()).value(); },
        5000));
}

TEST_F(MprisTest, EveryCallOfTheDesktopBecomesTheOneRequest)
{
    struct Case
    {
        QString interface;
        QString method;
        void (MprisService::*signal)();
    };
    const Case cases[] = {
        {kPlayer, QStringLiteral("PlayPause"), &MprisService::playPauseRequested},
        {kPlayer, QStringLiteral("Play"), &MprisService::playRequested},
        {kPlayer, QStringLiteral("Pause"), &MprisService::pauseRequested},
        {kPlayer, QStringLiteral("Stop"), &MprisService::stopRequested},
        {kPlayer, QStringLiteral("Next"), &MprisService::nextRequested},
        {kPlayer, QStringLiteral("Previous"), &MprisService::previousRequested},
        {kRoot, QStringLiteral("Raise"), &MprisService::raiseRequested},
        {kRoot, QStringLiteral("Quit"), &MprisService::quitRequested},
    };
    std::vector<std::unique_ptr<QSignalSpy>> spies;
    for (const Case& c : cases)
        spies.push_back(std::make_unique<QSignalSpy>(service.get(), c.signal));
    for (size_t i = 0; i < std::size(cases); ++i) {
        const QDBusMessage reply = call(cases[i].interface, cases[i].method);
        EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage) << qPrintable(cases[i].method);
        for (size_t j = 0; j < std::size(cases); ++j)
            EXPECT_EQ(spies[j]->size(), j <= i ? 1 : 0)
                << qPrintable(cases[i].method + u' ' + cases[j].method);
    }
}

TEST_F(MprisTest, OpenUriHandsOverTheFilesBytesAndSeeksStayInsideTheClip)
{
    QSignalSpy open(service.get(), &MprisService::openRequested);
    call(kPlayer, QStringLiteral("OpenUri"), {QStringLiteral("file:///clips/a%20b/%E3%83%A9%3B%24%FF.rm")});
    call(kPlayer, QStringLiteral("OpenUri"), {QStringLiteral("http://example.invalid/a.rm")});
    ASSERT_EQ(open.size(), 1);
    EXPECT_EQ(vello::toNativePath(open.at(0).at(0).toString()),
              QByteArray("/clips/a b/\xe3\x83\xa9;$\xff.rm"));

    QSignalSpy seek(service.get(), &MprisService::seekRequested);
    QSignalSpy next(service.get(), &MprisService::nextRequested);
    call(kPlayer, QStringLiteral("Seek"), {qlonglong(5'000'000)}); // no clip: nothing
    EXPECT_EQ(seek.size(), 0);
    service->setTrack({QStringLiteral("/clips/a.rm"), QStringLiteral("A"), 10'000});
    position = 4'000;
    call(kPlayer, QStringLiteral("Seek"), {qlonglong(5'000'000)});
    call(kPlayer, QStringLiteral("Seek"), {qlonglong(-9'000'000)});
    call(kPlayer, QStringLiteral("Seek"), {qlonglong(7'000'000)}); // past the end: as the next button
    const QDBusObjectPath track = metadata().value(QStringLiteral("mpris:trackid")).value<QDBusObjectPath>();
    call(kPlayer, QStringLiteral("SetPosition"), {QVariant::fromValue(track), qlonglong(2'500'000)});
    call(kPlayer, QStringLiteral("SetPosition"),
         {QVariant::fromValue(QDBusObjectPath(QStringLiteral("/other"))), qlonglong(1'000'000)});
    call(kPlayer, QStringLiteral("SetPosition"), {QVariant::fromValue(track), qlonglong(11'000'000)});
    ASSERT_EQ(seek.size(), 3);
    EXPECT_EQ(seek.at(0).at(0).toLongLong(), 9'000);
    EXPECT_EQ(seek.at(1).at(0).toLongLong(), 0);
    EXPECT_EQ(seek.at(2).at(0).toLongLong(), 2'500);
    EXPECT_EQ(next.size(), 1);
}

TEST_F(MprisTest, StatusAndMetadataFollowThePlayerAndAreAnnounced)
{
    ChangeRecorder recorder;
    service->setTrack({vello::fromNativePath("/clips/\xe3\x83\xa9\xe3\x82\xa4\xe3\x83\x96 \xff.rm"),
                       QStringLiteral("ライブ 2026"), 125'000});
    service->setStatus(MprisService::Status::Playing);
    EXPECT_TRUE(TestWait::waitFor(
        [&] {
            return recorder.names.contains(QStringLiteral("Metadata")) &&
                   recorder.names.contains(QStringLiteral("PlaybackStatus"));
        },
        5000));
    EXPECT_EQ(property(kPlayer, QStringLiteral("PlaybackStatus")).toString(), QStringLiteral("Playing"));
    QVariantMap map = metadata();
    EXPECT_EQ(map.value(QStringLiteral("xesam:title")).toString(), QStringLiteral("ライブ 2026"));
    EXPECT_EQ(map.value(QStringLiteral("mpris:length")).toLongLong(), 125'000'000);
    EXPECT_EQ(map.value(QStringLiteral("xesam:url")).toString().toStdString(),
              std::string("file:///clips/%E3%83%A9%E3%82%A4%E3%83%96%20%FF.rm"));
    const QString firstTrack = map.value(QStringLiteral("mpris:trackid")).value<QDBusObjectPath>().path();
    position = 61'000;
    EXPECT_EQ(property(kPlayer, QStringLiteral("Position")).toLongLong(), 61'000'000);

    // A clip without a title shows its file name; each clip has its own track id.
    service->setTrack({QStringLiteral("/clips/b.mpg"), QString(), 0});
    map = metadata();
    EXPECT_EQ(map.value(QStringLiteral("xesam:title")).toString(), QStringLiteral("b.mpg"));
    EXPECT_FALSE(map.contains(QStringLiteral("mpris:length")));
    EXPECT_NE(map.value(QStringLiteral("mpris:trackid")).value<QDBusObjectPath>().path(), firstTrack);

    recorder.names.clear();
    service->setStatus(MprisService::Status::Paused);
    EXPECT_TRUE(
        TestWait::waitFor([&] { return recorder.names.contains(QStringLiteral("PlaybackStatus")); }, 5000));
    EXPECT_EQ(property(kPlayer, QStringLiteral("PlaybackStatus")).toString(), QStringLiteral("Paused"));
    service->setStatus(MprisService::Status::Stopped);
    service->setTrack({});
    EXPECT_EQ(property(kPlayer, QStringLiteral("PlaybackStatus")).toString(), QStringLiteral("Stopped"));
}

TEST(MprisWithoutBus, StaysQuiet)
{
    MprisService service(QStringLiteral("Velloplayer"), QStringLiteral("velloplayer"), {});
    EXPECT_FALSE(service.registerOnBus(QDBusConnection(QStringLiteral("no-such-connection"))));
    service.setStatus(MprisService::Status::Playing);
    service.setTrack({QStringLiteral("/a.rm"), QString(), 1000});
    EXPECT_FALSE(service.isRegistered());
}

/// A desktop's screen saver service: hands out cookies and records what it is asked.
class FakeScreenSaver : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")
public:
    QStringList calls;

public slots:
    uint Inhibit(const QString& application, const QString& reason)
    {
        calls << QStringLiteral("Inhibit %1 %2")
                     .arg(application, reason.isEmpty() ? QStringLiteral("-") : QStringLiteral("+"));
        return ++m_cookie;
    }
    void UnInhibit(uint cookie) { calls << QStringLiteral("UnInhibit %1").arg(cookie); }

private:
    uint m_cookie = 40;
};

class ScreenSaverTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!QDBusConnection::sessionBus().isConnected())
            GTEST_FAIL() << "no session bus: run the test under dbus-run-session";
        ASSERT_TRUE(desktop().registerObject(ScreenSaverInhibitor::objectPath(), &saver,
                                             QDBusConnection::ExportAllSlots));
        ASSERT_TRUE(desktop().registerService(ScreenSaverInhibitor::serviceName()));
    }
    void TearDown() override
    {
        desktop().unregisterService(ScreenSaverInhibitor::serviceName());
        desktop().unregisterObject(ScreenSaverInhibitor::objectPath());
    }
    bool callsAre(const QStringList& expected)
    {
        return TestWait::waitFor([&] { return saver.calls == expected; }, 5000);
    }

    FakeScreenSaver saver;
};

TEST_F(ScreenSaverTest, HoldsWhileAskedAndReleasesWithTheCookieItGot)
{
    {
        ScreenSaverInhibitor inhibitor(QDBusConnection::sessionBus(), QStringLiteral("Velloplayer"),
                                       QStringLiteral("動画の再生中"));
        QSignalSpy changes(&inhibitor, &ScreenSaverInhibitor::holdChanged);
        inhibitor.setHeld(true);
        inhibitor.setHeld(true); // once is enough
        EXPECT_TRUE(callsAre({QStringLiteral("Inhibit Velloplayer +")}))
            << qPrintable(saver.calls.join(u','));
        EXPECT_TRUE(TestWait::waitFor([&] { return changes.size() == 1; }, 5000));
        inhibitor.setHeld(false);
        EXPECT_TRUE(callsAre({QStringLiteral("Inhibit Velloplayer +"), QStringLiteral("UnInhibit 41")}))
            << qPrintable(saver.calls.join(u','));

        // Released before the answer came: the hold it then gets is given back at once.
        inhibitor.setHeld(true);
        inhibitor.setHeld(false);
        EXPECT_TRUE(callsAre({QStringLiteral("Inhibit Velloplayer +"), QStringLiteral("UnInhibit 41"),
                              QStringLiteral("Inhibit Velloplayer +"), QStringLiteral("UnInhibit 42")}))
            << qPrintable(saver.calls.join(u','));
        EXPECT_FALSE(inhibitor.held());

        // Held at the end: the end releases it.
        inhibitor.setHeld(true);
        EXPECT_TRUE(TestWait::waitFor([&] { return saver.calls.size() == 5; }, 5000));
        TestWait::waitFor([&] { return changes.size() == 5; }, 5000);
    }
    EXPECT_TRUE(callsAre({QStringLiteral("Inhibit Velloplayer +"), QStringLiteral("UnInhibit 41"),
                          QStringLiteral("Inhibit Velloplayer +"), QStringLiteral("UnInhibit 42"),
                          QStringLiteral("Inhibit Velloplayer +"), QStringLiteral("UnInhibit 43")}))
        << qPrintable(saver.calls.join(u','));
}

TEST(ScreenSaverWithoutService, NothingHappens)
{
    ScreenSaverInhibitor inhibitor(QDBusConnection::sessionBus(), QStringLiteral("Velloplayer"),
                                   QStringLiteral("x"));
    QSignalSpy changes(&inhibitor, &ScreenSaverInhibitor::holdChanged);
    inhibitor.setHeld(true);
    TestWait::settle(300);
    inhibitor.setHeld(false);
    EXPECT_EQ(changes.size(), 0);
    ScreenSaverInhibitor offline(QDBusConnection(QStringLiteral("no-such-connection")),
                                 QStringLiteral("Velloplayer"), QStringLiteral("x"));
    offline.setHeld(true);
    offline.setHeld(false);
}

} // namespace

#include "tst_Mpris.moc"
