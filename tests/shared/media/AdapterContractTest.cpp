// One contract suite over both player adapters, with real libmpv (vo=null, ao=null) on tiny clips.
#include "MediaTestSupport.h"
#include "RA.h"
#include "WP.h"

#include <gtest/gtest.h>

#include <QLoggingCategory>

#include <memory>

namespace {

using namespace MediaTest;

enum class State
{
    Stopped,
    Paused,
    Playing,
    Other
};

// How the contract suite talks to each adapter: its own calls and units.
struct RaTraits
{
    using Adapter = RA;
    static constexpr double unitsPerSecond = 1000.0; // milliseconds
    static constexpr Clips::Name clip = Clips::RmVideo;
    static constexpr Clips::Name longClip = Clips::RmVideoLong;

    static void open(RA& a, const QString& path) { a.setSource(path); }
    static QString path(const RA& a) { return a.source(); }
    static void resume(RA& a) { a.resume(); }
    static double position(const RA& a) { return a.position(); }
    static void seek(RA& a, double units) { a.setPosition(qint32(units)); }
    static double length(const RA& a) { return a.length(); }
    static State state(const RA& a)
    {
        switch (a.playState()) {
        case RA::PlayState::Stopped:
            return State::Stopped;
        case RA::PlayState::Paused:
            return State::Paused;
        case RA::PlayState::Playing:
            return State::Playing;
        default:
            return State::Other;
        }
    }
    static void record(RA& a, QList<Recorded>& log)
    {
        QObject::connect(&a, &RA::clipOpened, &a, [&a, &log](const QString& title, const QString&) {
            log.append({Recorded::Opened,
                        {},
                        a.currentClip(),
                        a.length() / 1000.0,
                        a.clipWidth(),
                        a.clipHeight(),
                        title});
        });
        QObject::connect(&a, &RA::clipClosed, &a, [&log](const EndReport& r) {
            log.append({Recorded::Ended, r, 0, 0, 0, 0, {}});
        });
    }
    static void onReport(RA& a, std::function<void(const EndReport&)> slot)
    {
        QObject::connect(&a, &RA::clipClosed, &a, slot);
    }
    static int volumeForTest() { return 37; }
    static void setVolume(RA& a, int v) { a.setVolume(qint16(v)); }
    static int volume(const RA& a) { return a.volume(); }
};

struct WpTraits
{
    using Adapter = WP;
    static constexpr double unitsPerSecond = 1.0; // seconds
    static constexpr Clips::Name clip = Clips::AsfVideo;
    static constexpr Clips::Name longClip = Clips::MpgVideoLong;

    static void open(WP& a, const QString& path) { a.setFileName(path); }
    static QString path(const WP& a) { return a.fileName(); }
    static void resume(WP& a) { a.play(); }
    static double position(const WP& a) { return a.currentPosition(); }
    static void seek(WP& a, double units) { a.setCurrentPosition(units); }
    static double length(const WP& a) { return a.duration(); }
    static State state(const WP& a)
    {
        switch (a.playState()) {
        case WP::PlayState::Stopped:
            return State::Stopped;
        case WP::PlayState::Paused:
            return State::Paused;
        case WP::PlayState::Playing:
            return State::Playing;
        default:
            return State::Other;
        }
    }
    static void record(WP& a, QList<Recorded>& log)
    {
        QObject::connect(&a, &WP::streamOpened, &a, [&a, &log] {
            log.append({Recorded::Opened,
                        {},
                        a.currentClip(),
                        a.duration(),
                        a.imageSourceWidth(),
                        a.imageSourceHeight(),
                        a.mediaInfoString(WP::TitleInfo)});
        });
        QObject::connect(&a, &WP::endOfStream, &a, [&log](const EndReport& r) {
            log.append({Recorded::Ended, r, 0, 0, 0, 0, {}});
        });
    }
    static void onReport(WP& a, std::function<void(const EndReport&)> slot)
    {
        QObject::connect(&a, &WP::endOfStream, &a, slot);
    }
    static int volumeForTest() { return -2000; }
    static void setVolume(WP& a, int v) { a.setVolume(v); }
    static int volume(const WP& a) { return a.volume(); }
};

template <typename T> class AdapterContract : public ::testing::Test
{
protected:
    using Adapter = typename T::Adapter;

    void SetUp() override
    {
        ensureApplication();
        if (!TestClips::toolsAvailable())
            GTEST_SKIP() << "ffmpeg/ffprobe not available";
        adapter = std::make_unique<Adapter>(typename Adapter::Options{"null", "null", 0});
        T::record(*adapter, log);
    }

    QString clip(Clips::Name name)
    {
        const QString p = Clips::path(name);
        EXPECT_FALSE(p.isEmpty());
        return p;
    }
    bool waitOpened(int n = 1)
    {
        return waitFor([&] { return countOf(log, Recorded::Opened) >= n; });
    }
    bool waitReports(int n)
    {
        return waitFor([&] { return countOf(log, Recorded::Ended) >= n; });
    }
    double seconds() const { return T::position(*adapter) / T::unitsPerSecond; }

    std::unique_ptr<Adapter> adapter;
    QList<Recorded> log;
};

using Adapters = ::testing::Types<RaTraits, WpTraits>;
class AdapterNames
{
public:
    template <typename T> static std::string GetName(int)
    {
        return std::is_same_v<T, RaTraits> ? "RA" : "WP";
    }
};
TYPED_TEST_SUITE(AdapterContract, Adapters, AdapterNames);

TYPED_TEST(AdapterContract, OpensWithLengthPictureSizeAndTitleInItsUnits)
{
    using T = TypeParam;
    const QString path = this->clip(T::clip);
    T::open(*this->adapter, path);
    EXPECT_TRUE(this->adapter->isOpen());
    const quint64 serial = this->adapter->currentClip();
    EXPECT_NE(serial, 0u);
    EXPECT_EQ(T::path(*this->adapter), path);
    ASSERT_TRUE(this->waitOpened());

    const Recorded& opened = this->log.first();
    EXPECT_EQ(opened.clip, serial);
    const double probed = TestClips::ffprobeDuration(path);
    ASSERT_GT(probed, 0);
    EXPECT_NEAR(opened.lengthSeconds, probed, 0.2);
    EXPECT_NEAR(T::length(*this->adapter), probed * T::unitsPerSecond, 0.2 * T::unitsPerSecond);
    EXPECT_EQ(opened.width, 160);
    EXPECT_EQ(opened.height, 120);
    EXPECT_EQ(opened.title, "Clip Title");
    EXPECT_EQ(T::state(*this->adapter), State::Playing);
}

TYPED_TEST(AdapterContract, ClipPlayedToItsEndIsReportedExactlyOnce)
{
    using T = TypeParam;
    T::open(*this->adapter, this->clip(T::clip));
    const quint64 serial = this->adapter->currentClip();
    ASSERT_TRUE(this->waitReports(1));
    EXPECT_EQ(reportsOf(this->log), (QList<EndReport>{{EndReport::EndedByItself, serial}}));
    EXPECT_EQ(countOf(this->log, Recorded::Opened), 1);
    EXPECT_EQ(this->log.first().kind, Recorded::Opened);
    EXPECT_FALSE(this->adapter->isOpen());
    EXPECT_EQ(T::state(*this->adapter), State::Stopped);
    EXPECT_EQ(T::position(*this->adapter), 0);

    // Nothing is open any more: stopping or emptying reports nothing.
    this->adapter->stop();
    T::open(*this->adapter, {});
    settle(500);
    EXPECT_EQ(reportsOf(this->log).size(), 1);
}

TYPED_TEST(AdapterContract, ReplacingReportsClosedByProgramBeforeTheNewLoadAndNoLateEnd)
{
    using T = TypeParam;
    T::open(*this->adapter, this->clip(T::longClip));
    const quint64 first = this->adapter->currentClip();
    ASSERT_TRUE(this->waitOpened());
    ASSERT_TRUE(waitFor([&] { return this->seconds() > 0.3; }));

    bool sawNothingOpen = false;
    T::onReport(*this->adapter, [&](const EndReport&) {
        sawNothingOpen = !this->adapter->isOpen() && this->adapter->currentClip() == 0;
    });
    T::open(*this->adapter, this->clip(T::clip)); // shorter than the rest of the first
    EXPECT_EQ(reportsOf(this->log), (QList<EndReport>{{EndReport::ClosedByProgram, first}}));
    EXPECT_TRUE(sawNothingOpen);
    const quint64 second = this->adapter->currentClip();
    EXPECT_GT(second, first);

    ASSERT_TRUE(this->waitReports(2));
    settle(700);
    EXPECT_EQ(reportsOf(this->log),
              (QList<EndReport>{{EndReport::ClosedByProgram, first}, {EndReport::EndedByItself, second}}));
    EXPECT_EQ(countOf(this->log, Recorded::Opened), 2);
}

TYPED_TEST(AdapterContract, StopReportsClosedByProgramAtOnceAndKeepsThePath)
{
    using T = TypeParam;
    const QString path = this->clip(T::longClip);
    T::open(*this->adapter, path);
    const quint64 serial = this->adapter->currentClip();
    ASSERT_TRUE(this->waitOpened());
    this->adapter->stop();
    EXPECT_EQ(reportsOf(this->log), (QList<EndReport>{{EndReport::ClosedByProgram, serial}}));
    EXPECT_FALSE(this->adapter->isOpen());
    EXPECT_EQ(T::state(*this->adapter), State::Stopped);
    EXPECT_EQ(T::position(*this->adapter), 0);
    EXPECT_EQ(T::path(*this->adapter), path);
    settle(2500); // past the clip's own end
    EXPECT_EQ(reportsOf(this->log).size(), 1);
}

TYPED_TEST(AdapterContract, UnplayableFilesFailToOpenExactlyOnce)
{
    using T = TypeParam;
    int expected = 0;
    for (const Clips::Name bad : {Clips::NotMedia, Clips::Truncated, Clips::TruncatedRm, Clips::Missing}) {
        SCOPED_TRACE(bad);
        T::open(*this->adapter, this->clip(bad));
        const quint64 serial = this->adapter->currentClip();
        ++expected;
        ASSERT_TRUE(this->waitReports(expected));
        EXPECT_EQ(reportsOf(this->log).last(), (EndReport{EndReport::FailedToOpen, serial}));
        EXPECT_FALSE(this->adapter->isOpen());
    }
    settle(500);
    EXPECT_EQ(reportsOf(this->log).size(), expected);
    EXPECT_EQ(countOf(this->log, Recorded::Opened), 0);
}

TYPED_TEST(AdapterContract, PauseHoldsThePositionAndResumeGoesOnFromIt)
{
    using T = TypeParam;
    T::open(*this->adapter, this->clip(T::longClip));
    ASSERT_TRUE(this->waitOpened());
    ASSERT_TRUE(waitFor([&] { return this->seconds() > 0.3; }));
    this->adapter->pause();
    EXPECT_EQ(T::state(*this->adapter), State::Paused);
    settle(300);
    const double held = this->seconds();
    settle(500);
    EXPECT_NEAR(this->seconds(), held, 0.05);
    EXPECT_EQ(T::state(*this->adapter), State::Paused);

    T::resume(*this->adapter);
    EXPECT_EQ(T::state(*this->adapter), State::Playing);
    ASSERT_TRUE(waitFor([&] { return this->seconds() > held + 0.2; }));
    EXPECT_GT(this->seconds(), held); // went on, not back to the start
    ASSERT_TRUE(this->waitReports(1));
    EXPECT_EQ(reportsOf(this->log).first().reason, EndReport::EndedByItself);
}

TYPED_TEST(AdapterContract, SeekWhilePausedThenPlayGoesOnFromTheTarget)
{
    using T = TypeParam;
    T::open(*this->adapter, this->clip(T::longClip));
    ASSERT_TRUE(this->waitOpened());
    this->adapter->pause();
    T::seek(*this->adapter, 1.2 * T::unitsPerSecond);
    EXPECT_NEAR(this->seconds(), 1.2, 0.001);
    settle(600);
    EXPECT_NEAR(this->seconds(), 1.2, 0.1);

    // The host's play after a seek: continue from there, no restart.
    this->adapter->play();
    settle(200);
    EXPECT_GE(this->seconds(), 1.1);
    ASSERT_TRUE(this->waitReports(1));
    EXPECT_EQ(reportsOf(this->log).size(), 1);
    EXPECT_EQ(reportsOf(this->log).first().reason, EndReport::EndedByItself);
}

TYPED_TEST(AdapterContract, PlayWhilePlayingRestartsWithoutAnEndReport)
{
    using T = TypeParam;
    T::open(*this->adapter, this->clip(T::longClip));
    const quint64 serial = this->adapter->currentClip();
    ASSERT_TRUE(this->waitOpened());
    ASSERT_TRUE(waitFor([&] { return this->seconds() > 0.9; }));
    this->adapter->play();
    EXPECT_LT(this->seconds(), 0.1);
    settle(300);
    EXPECT_LT(this->seconds(), 0.8);
    EXPECT_TRUE(this->adapter->isOpen());
    EXPECT_TRUE(reportsOf(this->log).isEmpty());
    ASSERT_TRUE(this->waitReports(1));
    settle(300);
    EXPECT_EQ(reportsOf(this->log), (QList<EndReport>{{EndReport::EndedByItself, serial}}));
}

TYPED_TEST(AdapterContract, PlayAfterTheEndLoadsTheClipAgain)
{
    using T = TypeParam;
    T::open(*this->adapter, this->clip(T::clip));
    const quint64 first = this->adapter->currentClip();
    ASSERT_TRUE(this->waitReports(1));
    this->adapter->play();
    const quint64 again = this->adapter->currentClip();
    EXPECT_GT(again, first);
    ASSERT_TRUE(this->waitReports(2));
    EXPECT_EQ(countOf(this->log, Recorded::Opened), 2);
    EXPECT_EQ(reportsOf(this->log),
              (QList<EndReport>{{EndReport::EndedByItself, first}, {EndReport::EndedByItself, again}}));
}

TYPED_TEST(AdapterContract, EmptyingFromInsideTheReportKeepsTheOuterLoad)
{
    using T = TypeParam;
    auto* adapter = this->adapter.get();
    int depth = 0;
    int maxDepth = 0;
    T::onReport(*adapter, [&](const EndReport& r) {
        ++depth;
        maxDepth = qMax(maxDepth, depth);
        if (r.reason == EndReport::ClosedByProgram) {
            T::open(*adapter, {}); // what the host does when it changed the clip itself
            adapter->stop();
        }
        --depth;
    });
    T::open(*adapter, this->clip(T::longClip));
    const quint64 first = adapter->currentClip();
    ASSERT_TRUE(this->waitOpened());
    const QString next = this->clip(T::clip);
    T::open(*adapter, next);
    const quint64 second = adapter->currentClip();
    EXPECT_NE(second, 0u);
    EXPECT_EQ(T::path(*adapter), next);
    ASSERT_TRUE(this->waitReports(2));
    settle(300);
    EXPECT_EQ(maxDepth, 1);
    EXPECT_EQ(countOf(this->log, Recorded::Opened), 2);
    EXPECT_EQ(reportsOf(this->log),
              (QList<EndReport>{{EndReport::ClosedByProgram, first}, {EndReport::EndedByItself, second}}));
}

TYPED_TEST(AdapterContract, LoadingFromInsideTheReportWinsOverTheOuterLoad)
{
    using T = TypeParam;
    auto* adapter = this->adapter.get();
    const QString inner = this->clip(T::clip);
    bool once = false;
    T::onReport(*adapter, [&](const EndReport& r) {
        if (r.reason == EndReport::ClosedByProgram && !once) {
            once = true;
            T::open(*adapter, inner);
        }
    });
    T::open(*adapter, this->clip(T::longClip));
    const quint64 first = adapter->currentClip();
    ASSERT_TRUE(this->waitOpened());
    T::open(*adapter, this->clip(Clips::Missing));
    EXPECT_EQ(T::path(*adapter), inner);
    const quint64 second = adapter->currentClip();
    ASSERT_TRUE(this->waitReports(2));
    settle(300);
    EXPECT_EQ(reportsOf(this->log),
              (QList<EndReport>{{EndReport::ClosedByProgram, first}, {EndReport::EndedByItself, second}}));
}

TYPED_TEST(AdapterContract, VolumeReadsBackThroughTheEngine)
{
    using T = TypeParam;
    T::open(*this->adapter, this->clip(T::longClip));
    ASSERT_TRUE(this->waitOpened());
    T::setVolume(*this->adapter, T::volumeForTest());
    EXPECT_EQ(T::volume(*this->adapter), T::volumeForTest());
    settle(400); // the engine's own value comes back as a property change
    EXPECT_EQ(T::volume(*this->adapter), T::volumeForTest());
}

TYPED_TEST(AdapterContract, SpeedReachesTheEngineForEveryClipAndAPictureHasTheClipsSize)
{
    using T = TypeParam;
    using Adapter = typename T::Adapter;
    Adapter& a = *this->adapter;
    QList<RawPicture> pictures;
    QObject::connect(&a, &Adapter::pictureTaken, &a, [&](const RawPicture& p) { pictures.append(p); });
    a.takePicture(7); // nothing open: answered at once
    ASSERT_EQ(pictures.size(), 1);
    EXPECT_EQ(pictures[0].request, 7u);
    EXPECT_FALSE(pictures[0].ok);

    a.setSpeed(1.5); // before the engine has started
    T::open(a, this->clip(T::longClip));
    ASSERT_TRUE(this->waitOpened());
    EXPECT_TRUE(waitFor([&] { return a.speed() == 1.5; }));
    ASSERT_TRUE(waitFor([&] { return this->seconds() > 0.2; })); // a frame is on screen
    a.takePicture(8);
    ASSERT_TRUE(waitFor([&] { return pictures.size() == 2; }));
    const RawPicture& picture = pictures[1];
    EXPECT_EQ(picture.request, 8u);
    ASSERT_TRUE(picture.ok);
    EXPECT_EQ(picture.width, 160);
    EXPECT_EQ(picture.height, 120);
    EXPECT_GE(picture.pixels.size(), qsizetype(picture.stride) * picture.height);

    a.setSpeed(0.75);
    T::open(a, this->clip(T::clip));
    ASSERT_TRUE(this->waitOpened(2));
    ASSERT_TRUE(waitFor([&] { return this->seconds() > 0.2; }));
    EXPECT_EQ(a.speed(), 0.75);
}

TYPED_TEST(AdapterContract, DestroyingWhilePlayingDeliversNothingMore)
{
    using T = TypeParam;
    T::open(*this->adapter, this->clip(T::longClip));
    ASSERT_TRUE(this->waitOpened());
    this->adapter.reset();
    const qsizetype before = this->log.size();
    settle(2500);
    EXPECT_EQ(this->log.size(), before);
}

// Adapter-specific parts of the tables.

TEST(RaAdapter, SoundOnlyClipHasNoPictureAndFullScreenIsAskedOfTheHost)
{
    ensureApplication();
    if (!TestClips::toolsAvailable())
        GTEST_SKIP();
    RA ra({"null", "null", 0});
    QList<Recorded> log;
    RaTraits::record(ra, log);
    int fullScreen = 0;
    QObject::connect(&ra, &RA::fullScreenRequested, [&] { ++fullScreen; });
    ra.setSource(Clips::path(Clips::RmAudio));
    ASSERT_TRUE(waitFor([&] { return countOf(log, Recorded::Opened) == 1; }));
    EXPECT_EQ(ra.clipWidth(), 0);
    EXPECT_EQ(ra.clipHeight(), 0);
    EXPECT_EQ(ra.title(), "Sound Only");
    EXPECT_GT(ra.length(), 800);
    ra.setFullScreen();
    EXPECT_EQ(fullScreen, 1);
    ra.setVolume(150);
    EXPECT_EQ(ra.volume(), 100);
    ra.setVolume(-5);
    EXPECT_EQ(ra.volume(), 0);
}

TEST(WpAdapter, VolumeMapsHundredthsOfADecibelToAmplitude)
{
    EXPECT_DOUBLE_EQ(WP::volumeToPercent(0), 100.0);
    EXPECT_DOUBLE_EQ(WP::volumeToPercent(-10000), 0.0);
    EXPECT_NEAR(WP::volumeToPercent(-2000), 10.0, 1e-9);
    EXPECT_NEAR(WP::volumeToPercent(-4000), 1.0, 1e-9);
    EXPECT_DOUBLE_EQ(WP::volumeToPercent(500), 100.0);
    EXPECT_DOUBLE_EQ(WP::volumeToPercent(-20000), 0.0);
    EXPECT_EQ(WP::percentToVolume(100), 0);
    EXPECT_EQ(WP::percentToVolume(0), -10000);
    EXPECT_EQ(WP::percentToVolume(10), -2000);
    EXPECT_EQ(WP::percentToVolume(1e-9), -10000);
    // The host's slider steps (v * 30 - 3000) survive the round trip.
    for (int v = 1; v <= 100; ++v)
        EXPECT_EQ(WP::percentToVolume(WP::volumeToPercent(v * 30 - 3000)), v * 30 - 3000) << v;
}

TEST(WpAdapter, DisplaySizeThreeAsksForFullScreenAndTheStartFlagIsKept)
{
    ensureApplication();
    WP wp({"null", "null", 0});
    int fullScreen = 0;
    QObject::connect(&wp, &WP::fullScreenRequested, [&] { ++fullScreen; });
    wp.setDisplaySize(1);
    EXPECT_EQ(fullScreen, 0);
    wp.setDisplaySize(3);
    EXPECT_EQ(fullScreen, 1);
    EXPECT_EQ(wp.displaySize(), 3);
    wp.setStartFlag(false);
    EXPECT_FALSE(wp.startFlag());
    EXPECT_EQ(wp.mediaInfoString(1), QString());
    wp.setVolume(-10000);
    EXPECT_EQ(wp.volume(), -10000);
    EXPECT_EQ(wp.playState(), WP::PlayState::Stopped);
    EXPECT_EQ(wp.currentPosition(), 0.0);
}

// The engine's own errors and warnings reach the program's "vello.media" log category.
QStringList g_mediaLog;

TEST(EngineLog, TheEnginesMessagesReachTheMediaCategory)
{
    ensureApplication();
    if (!TestClips::toolsAvailable())
        GTEST_SKIP();
    QLoggingCategory::setFilterRules(QStringLiteral("vello.media=true"));
    const QtMessageHandler previous =
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext& context, const QString& text) {
            if (context.category && qstrcmp(context.category, "vello.media") == 0)
                g_mediaLog << text;
        });
    {
        WP wp({"null", "null", 0});
        QList<Recorded> log;
        WpTraits::record(wp, log);
        wp.setFileName(Clips::path(Clips::NotMedia));
        EXPECT_TRUE(waitFor([&] { return !reportsOf(log).isEmpty() && !g_mediaLog.isEmpty(); }));
    }
    qInstallMessageHandler(previous);
    QLoggingCategory::setFilterRules(QString());
    ASSERT_FALSE(g_mediaLog.isEmpty());
    EXPECT_TRUE(g_mediaLog.first().startsWith(QStringLiteral("libmpv"))) << qPrintable(g_mediaLog.first());
}

TEST(WpAdapter, MpegOneClipOpensWithoutTitle)
{
    ensureApplication();
    if (!TestClips::toolsAvailable())
        GTEST_SKIP();
    WP wp({"null", "null", 0});
    QList<Recorded> log;
    WpTraits::record(wp, log);
    wp.setFileName(Clips::path(Clips::MpgVideo));
    ASSERT_TRUE(waitFor([&] { return countOf(log, Recorded::Opened) == 1; }));
    EXPECT_EQ(wp.imageSourceWidth(), 160);
    EXPECT_EQ(wp.mediaInfoString(WP::TitleInfo), QString());
    EXPECT_NEAR(wp.duration(), 1.0, 0.2);
}

} // namespace
