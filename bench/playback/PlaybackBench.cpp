// Prints playback figures: open latency, inter-clip gap and CPU per played second, against bare libmpv.
#include "FileBrowser.h"
#include "PlaybackController.h"
#include "TestClips.h"

#include <mpv/client.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <functional>
#include <sys/resource.h>
#include <vector>

using vello::media::MpvSession;

namespace {

using Clock = QElapsedTimer;

bool g_verbose = false; ///< --verbose: print every gap

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double maximum(const std::vector<double>& values)
{
    return values.empty() ? 0 : *std::max_element(values.begin(), values.end());
}

/// A bare libmpv handle with the adapters' engine options, driven by blocking waits on this thread.
class BareMpv
{
public:
    BareMpv()
    {
        std::setlocale(LC_NUMERIC, "C");
        m_handle = mpv_create();
        for (const auto& [name, value] :
             std::vector<std::pair<const char*, const char*>>{{"config", "no"},
                                                              {"terminal", "no"},
                                                              {"idle", "yes"},
                                                              {"vo", "null"},
                                                              {"ao", "null"},
                                                              {"osc", "no"},
                                                              {"ytdl", "no"},
                                                              {"load-scripts", "no"},
                                                              {"hwdec", "no"},
                                                              {"audio-display", "no"}})
            mpv_set_option_string(m_handle, name, value);
        mpv_initialize(m_handle);
    }
    ~BareMpv() { mpv_terminate_destroy(m_handle); }

    /// Loads the file and returns once it has opened and its length and picture size have been read.
    void open(const QByteArray& path)
    {
        const char* cmd[] = {"loadfile", path.constData(), "replace", nullptr};
        mpv_command(m_handle, cmd);
        waitEvent(MPV_EVENT_FILE_LOADED);
        double duration = 0;
        int64_t width = 0;
        int64_t height = 0;
        mpv_get_property(m_handle, "duration", MPV_FORMAT_DOUBLE, &duration);
        mpv_get_property(m_handle, "width", MPV_FORMAT_INT64, &width);
        mpv_get_property(m_handle, "height", MPV_FORMAT_INT64, &height);
    }

    /// Stops the clip and returns once the engine is idle.
    void stop()
    {
        const char* cmd[] = {"stop", nullptr};
        mpv_command(m_handle, cmd);
        waitEvent(MPV_EVENT_IDLE);
    }

    /// Plays the files one after another; returns the gaps (ms) from each end to the next file's loaded.
    std::vector<double> playThrough(const std::vector<QByteArray>& paths)
    {
        std::vector<double> gaps;
        Clock clock;
        clock.start();
        qint64 endedAt = -1;
        for (const QByteArray& path : paths) {
            open(path);
            if (endedAt >= 0)
                gaps.push_back(double(clock.nsecsElapsed() - endedAt) / 1e6);
            if (g_verbose && endedAt >= 0)
                std::printf("  bare gap to %s: %.1f ms\n", path.constData() + path.lastIndexOf('/') + 1,
                            gaps.back());
            waitEvent(MPV_EVENT_END_FILE);
            endedAt = clock.nsecsElapsed();
        }
        return gaps;
    }

private:
    void waitEvent(mpv_event_id id)
    {
        for (;;) {
            const mpv_event* event = mpv_wait_event(m_handle, 10);
            if (event->event_id == id || event->event_id == MPV_EVENT_SHUTDOWN)
                return;
        }
    }

    mpv_handle* m_handle = nullptr;
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    g_verbose = QCoreApplication::arguments().contains(QStringLiteral("--verbose"));
    if (!TestClips::toolsAvailable()) {
        std::fprintf(stderr, "bench_playback: ffmpeg/ffprobe not found\n");
        return 1;
    }
    QTemporaryDir dir;
    using TestClips::ClipKind;
    const std::vector<std::pair<QString, ClipKind>> kinds{
        {"01.rm", ClipKind::RealMedia}, {"02.mpg", ClipKind::Mpeg1}, {"03.asf", ClipKind::Asf}};
    constexpr int Rounds = 3; // the playlist: 9 clips of 2 s
    constexpr double ClipSeconds = 2.0;
    QStringList made;
    for (const auto& [name, kind] : kinds)
        made << TestClips::makeClip(dir.path(), name, kind, ClipSeconds, "Bench");
    if (made.contains(QString())) {
        std::fprintf(stderr, "bench_playback: could not make clips\n");
        return 1;
    }
    const QString folder = dir.path() + QStringLiteral("/list/");
    QDir().mkpath(folder);
    std::vector<QByteArray> playlist;
    for (int round = 0; round < Rounds; ++round) {
        for (int k = 0; k < made.size(); ++k) {
            const QString name = QStringLiteral("%1-%2").arg(round).arg(QFileInfo(made[k]).fileName());
            QFile::copy(made[k], folder + name);
            playlist.push_back((folder + name).toUtf8());
        }
    }
    std::sort(playlist.begin(), playlist.end());

    vello::FileBrowser browser;
    vello::BrowserSettings settings;
    settings.fileTitle = false;
    browser.setSettings(settings);
    browser.setFolderSource([folder] { return folder; });
    browser.FillFileList();
    const MpvSession::Options null{QStringLiteral("null"), QStringLiteral("null"), 0};
    vello::PlaybackController controller(browser, null, null);
    controller.setVolumeFile(QString());

    // (a) Open latency: PlaySelected to the clip-opened event, against loadfile to FILE_LOADED plus the
    // length and size reads on a bare handle. Two cases per kind: replacing a clip that plays on the same
    // control, and opening on a control that is idle (stopped; as after the other control played).
    constexpr int Opens = 16;
    const auto settle = [](int ms) {
        QEventLoop loop;
        QTimer::singleShot(ms, &loop, &QEventLoop::quit);
        loop.exec();
    };
    const auto openOurs = [&](int index) {
        browser.list().select(index);
        QEventLoop loop;
        const auto connection =
            QObject::connect(&controller, &vello::PlaybackController::clipStarted, &loop, &QEventLoop::quit);
        QTimer::singleShot(60000, &loop, &QEventLoop::quit);
        Clock clock;
        clock.start();
        controller.PlaySelected();
        loop.exec();
        QObject::disconnect(connection);
        return double(clock.nsecsElapsed()) / 1e6;
    };
    std::printf("(a) open latency, median of %d opens per kind (ms):\n", Opens);
    std::vector<double> allOurs, allBare, allOursIdle, allBareIdle;
    {
        BareMpv mpv;
        for (int kind = 0; kind < 3; ++kind) {
            std::vector<double> ours, bare, oursIdle, bareIdle;
            openOurs(kind + 1); // warm up the control for this kind
            mpv.open(playlist[size_t(kind)]);
            for (int i = 0; i < Opens; ++i) {
                ours.push_back(openOurs(kind + 1));
                Clock clock;
                clock.start();
                mpv.open(playlist[size_t(kind)]);
                bare.push_back(double(clock.nsecsElapsed()) / 1e6);
            }
            for (int i = 0; i < Opens; ++i) {
                controller.StopPlayback();
                settle(150);
                oursIdle.push_back(openOurs(kind + 1));
                mpv.stop();
                Clock clock;
                clock.start();
                mpv.open(playlist[size_t(kind)]);
                bareIdle.push_back(double(clock.nsecsElapsed()) / 1e6);
            }
            std::printf(
                "    %-4s replacing: controller %6.1f  bare %6.1f  ratio %.2f | from idle: controller %6.1f"
                "  bare %6.1f  ratio %.2f\n",
                qPrintable(QFileInfo(made[kind]).suffix()), median(ours), median(bare),
                median(ours) / median(bare), median(oursIdle), median(bareIdle),
                median(oursIdle) / median(bareIdle));
            allOurs.insert(allOurs.end(), ours.begin(), ours.end());
            allBare.insert(allBare.end(), bare.begin(), bare.end());
            allOursIdle.insert(allOursIdle.end(), oursIdle.begin(), oursIdle.end());
            allBareIdle.insert(allBareIdle.end(), bareIdle.begin(), bareIdle.end());
        }
        mpv.stop();
    }
    controller.StopPlayback();
    std::printf("    all  replacing: ratio %.2f; from idle: ratio %.2f (target <= 1.2)\n",
                median(allOurs) / median(allBare), median(allOursIdle) / median(allBareIdle));

    // (b) and (c): unattended playback of the whole list in normal mode.
    std::vector<double> gaps;
    std::vector<qint64> starts;
    qint64 endedAt = -1;
    bool finished = false;
    Clock wall;
    wall.start();
    QObject::connect(&controller, &vello::PlaybackController::clipEnded,
                     [&] { endedAt = wall.nsecsElapsed(); });
    QObject::connect(&controller, &vello::PlaybackController::clipStarted, [&] {
        starts.push_back(wall.nsecsElapsed());
        if (endedAt >= 0)
            gaps.push_back(double(wall.nsecsElapsed() - endedAt) / 1e6);
        if (g_verbose && endedAt >= 0)
            std::printf("  gap to %s: %.1f ms\n", qPrintable(controller.CurrentFile().section(u'/', -1)),
                        gaps.back());
    });
    QObject::connect(&controller, &vello::PlaybackController::playbackFinished, [&] { finished = true; });
    controller.setPlayMode(0);
    browser.list().select(1);
    const double cpuBefore = cpuSeconds();
    wall.restart();
    {
        QEventLoop loop;
        QObject::connect(&controller, &vello::PlaybackController::playbackFinished, &loop, &QEventLoop::quit);
        QTimer::singleShot(120000, &loop, &QEventLoop::quit);
        controller.PlayCommand();
        if (!finished)
            loop.exec();
    }
    const double oursWall = double(wall.nsecsElapsed()) / 1e9;
    const double oursCpu = cpuSeconds() - cpuBefore;
    std::vector<double> startToStart;
    for (size_t k = 1; k < starts.size(); ++k)
        startToStart.push_back(double(starts[k] - starts[k - 1]) / 1e6 - ClipSeconds * 1000);

    const double bareCpuBefore = cpuSeconds();
    Clock bareWall;
    bareWall.start();
    std::vector<double> bareGaps;
    {
        BareMpv mpv;
        bareGaps = mpv.playThrough(playlist);
    }
    const double bareSeconds = double(bareWall.nsecsElapsed()) / 1e9;
    const double bareCpu = cpuSeconds() - bareCpuBefore;

    std::printf(
        "(b) gap from a clip's end to the next clip opened (ms), %zu gaps: controller median %.1f max %.1f"
        " (target < 150); bare libmpv median %.1f max %.1f\n",
        gaps.size(), median(gaps), maximum(gaps), median(bareGaps), maximum(bareGaps));
    std::printf("    opened-to-opened minus clip length (ms): median %.1f max %.1f\n", median(startToStart),
                maximum(startToStart));
    std::printf(
        "(c) CPU per second of playback: controller %.1f ms/s over %.1f s, bare libmpv %.1f ms/s over %.1f s,"
        " ratio %.2f\n",
        1000 * oursCpu / oursWall, oursWall, 1000 * bareCpu / bareSeconds, bareSeconds,
        (oursCpu / oursWall) / (bareCpu / bareSeconds));
    std::printf("    clips played: %zu of %zu\n", starts.size(), playlist.size());
    return 0;
}
