// bench_editor_join_run: one join through the editor's run (EditRun, the code the join windows call),
// with a window that repaints every 10 ms; started by bench_editor_join. Prints the run's time, the longest
// pause of the window thread while the work went on, the repaints during the run, and the peak memory.
//
// Usage: bench_editor_join_run rajoin|mpgjoin OUT IN...
#include "EditRun.h"
#include "MessageService.h"
#include "NativePath.h"
#include "ProgramPaths.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPainter>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

class Ticker final : public QWidget
{
public:
    Ticker()
    {
        resize(200, 60);
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, this, [this] {
            const qint64 now = m_clock.nsecsElapsed();
            if (m_measuring)
                m_longestPauseNs = std::max(m_longestPauseNs, now - m_lastTickNs);
            m_lastTickNs = now;
            update();
        });
        m_clock.start();
        m_timer.start();
    }
    void measure(bool on) { m_measuring = on; }
    double longestPauseMs() const { return m_longestPauseNs / 1e6; }
    int paints() const { return m_paints; }

protected:
    void paintEvent(QPaintEvent*) override
    {
        ++m_paints;
        QPainter p(this);
        p.fillRect(rect(), m_paints % 2 ? Qt::white : Qt::lightGray);
    }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_lastTickNs = 0;
    qint64 m_longestPauseNs = 0;
    int m_paints = 0;
    bool m_measuring = false;
};

/// Peak resident memory of this process, KiB (VmHWM).
long peakKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return 0;
}

int runChild(int argc, char** argv)
{
    using namespace vello;
    using namespace vello::editor;
    QApplication app(argc, argv);
    if (const QByteArray bin = qgetenv("VELLO_BIN_DIR"); !bin.isEmpty())
        ProgramPaths::overrideProgramFolder(QString::fromLocal8Bit(bin));
    RecordingMessageService messages; // "No" to deleting the inputs
    ScopedMessageService installed(&messages);
    RunRequest request;
    request.kind = std::strcmp(argv[1], "mpgjoin") == 0 ? ToolKind::MpgJoin : ToolKind::RaJoin;
    request.output = fromNativePath(argv[2]);
    for (int i = 3; i < argc; ++i)
        request.inputs << fromNativePath(argv[i]);

    Ticker ticker;
    ticker.show();
    RunGate gate;
    EditRun run(gate);
    QElapsedTimer clock;
    EditRun::Outcome outcome = EditRun::Outcome::Refused;
    int paintsBefore = 0;
    QObject::connect(&run, &EditRun::finished, [&](EditRun::Outcome o) {
        outcome = o;
        ticker.measure(false);
        std::printf("run_seconds=%.4f pause_ms=%.1f repaints=%d peak_kb=%ld\n", clock.nsecsElapsed() / 1e9,
                    ticker.longestPauseMs(), ticker.paints() - paintsBefore, peakKb());
        QApplication::quit();
    });
    long before = 0;
    QTimer::singleShot(100, [&] {
        before = peakKb();
        std::printf("before_kb=%ld\n", before);
        paintsBefore = ticker.paints();
        ticker.measure(true);
        clock.start();
        run.start(request);
    });
    QApplication::exec();
    return outcome == EditRun::Outcome::Succeeded ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_editor_join_run rajoin|mpgjoin OUT IN...\n");
        return 2;
    }
    return runChild(argc, argv);
}
