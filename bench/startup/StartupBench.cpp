// Start-up time of Velloplayer: from process start to its window first shown (its "window shown" log line
// on "vello.shell"), against a bare Qt main window with a tree view (bench_bare_window), the two started
// alternately in the same run. Run it on a display: xvfb-run -a build/bin/bench_startup [ROUNDS]
//
// Velloplayer runs as a copy in a temporary folder with a temporary home (Config.ini as after a first
// start, nothing played), so no stored state of the machine takes part.
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

/// Milliseconds from starting the program to its "window shown" line; -1 when it never came.
double timeToWindow(const QString& program, const QProcessEnvironment& env)
{
    QProcess process;
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::SeparateChannels);
    QElapsedTimer clock;
    clock.start();
    process.start(program, {});
    process.setReadChannel(QProcess::StandardError);
    QByteArray err;
    double elapsed = -1;
    while (clock.elapsed() < 20000) {
        if (!process.waitForReadyRead(20000 - int(clock.elapsed())))
            break;
        err += process.readAllStandardError();
        if (err.contains("window shown")) {
            elapsed = double(clock.nsecsElapsed()) / 1e6;
            break;
        }
    }
    process.kill();
    process.waitForFinished(5000);
    if (elapsed < 0)
        std::fprintf(stderr, "%s showed no window:\n%s\n", qPrintable(program), err.constData());
    return elapsed;
}

/// The system's load averages (1, 5, 15 minutes), "" where the system does not tell them.
QByteArray loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QList<QByteArray> fields = file.readLine().split(' ');
    return fields.size() >= 3 ? fields[0] + ' ' + fields[1] + ' ' + fields[2] : QByteArray();
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        std::fputs("bench_startup: no display (run it under xvfb-run -a)\n", stderr);
        return 2;
    }

    QTemporaryDir work;
    const QString prog = work.filePath(QStringLiteral("prog"));
    const QString home = work.filePath(QStringLiteral("home"));
    QDir().mkpath(prog);
    QDir().mkpath(home + QStringLiteral("/.config"));
    QDir().mkpath(home + QStringLiteral("/samples"));
    const QString player = prog + QStringLiteral("/velloplayer");
    if (!QFile::copy(QStringLiteral(PLAYER_PATH), player)) {
        std::fputs("bench_startup: cannot copy velloplayer\n", stderr);
        return 1;
    }
    // A copy outside the build tree keeps its settings in the per-user data folder.
    QDir().mkpath(home + QStringLiteral("/.local/share/Velloplayer"));
    QFile config(home + QStringLiteral("/.local/share/Velloplayer/Config.ini"));
    if (config.open(QIODevice::WriteOnly)) {
        config.write("[Play Mode]\nTOPMOST=0\nFIXED RATIO=0\nMODE=0\n[File List]\nFILE EXT=rm;mpg;asf\n"
                     "SEND RECYCLE=0\nFILE TITLE=0\nFILE SIZE=1\nFILE DATETIME=1\n[Config]\nDEFAULT DIR=2\n"
                     "DEFAULT DIR PATH=" +
                     QFile::encodeName(home) + "/samples/\nPICKUP=1\n[Slide Timer]\nTimer=2\n");
        config.close();
    }

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/.local/share"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), work.path());
    env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("vello.shell.info=true"));

    // One start of each first, so both find the libraries in the page cache.
    timeToWindow(QStringLiteral(BARE_WINDOW_PATH), env);
    timeToWindow(player, env);
    std::vector<double> bare;
    std::vector<double> vello;
    for (int r = 0; r < rounds; ++r) {
        bare.push_back(timeToWindow(QStringLiteral(BARE_WINDOW_PATH), env));
        vello.push_back(timeToWindow(player, env));
        std::printf("round %d: bare window %.1f ms, Velloplayer %.1f ms\n", r + 1, bare.back(), vello.back());
    }
    const double b = median(bare);
    const double v = median(vello);
    std::printf("start to first window shown, median of %d: bare Qt window with a tree view %.1f ms, "
                "Velloplayer %.1f ms = %.2fx (target <= 1.5x)\n",
                rounds, b, v, b > 0 ? v / b : 0.0);
    // On a machine busy with other work the fastest starts show the programs' own cost best.
    const double bMin = *std::min_element(bare.begin(), bare.end());
    const double vMin = *std::min_element(vello.begin(), vello.end());
    std::printf("fastest of %d: bare %.1f ms, Velloplayer %.1f ms = %.2fx; load average at the end %s\n",
                rounds, bMin, vMin, bMin > 0 ? vMin / bMin : 0.0, loadAverage().constData());
    return 0;
}
