// bench_editor_join: joins about 200 MB of RealMedia and of MPEG through the editor's run (the code the
// join windows call: checks, wait window, work on a worker thread, the result put in place) and compares
// time and peak memory with cat of the same files. The run goes in a child process (this program with
// --run) that also shows a window repainting every 10 ms and reports the longest pause of its window
// thread while the work goes on.
//
// Usage: bench_editor_join [CACHE_DIR] [REPEATS]
// The inputs are generated with ffmpeg into CACHE_DIR (default /tmp/vello-bench-editor) once and reused.

#include "EditRun.h"
#include "MessageService.h"
#include "NativePath.h"
#include "ProgramPaths.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPainter>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

struct Child
{
    int exitCode = -1;
    double seconds = 0;
    long maxRssKb = 0;
    std::string output;
};

// Runs argv without a shell; stdout to a file when given, else captured; measures wall time and peak RSS.
Child spawn(const std::vector<std::string>& args, const std::string& stdoutPath = "")
{
    const std::string capture = fs::temp_directory_path() / ("bench-editor-" + std::to_string(::getpid()));
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, stdoutPath.empty() ? capture.c_str() : stdoutPath.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    Child child;
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        rusage usage{};
        wait4(pid, &status, 0, &usage);
        child.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128;
        child.maxRssKb = usage.ru_maxrss;
    }
    child.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    posix_spawn_file_actions_destroy(&actions);
    if (stdoutPath.empty()) {
        if (FILE* f = std::fopen(capture.c_str(), "r")) {
            char buffer[4096];
            size_t n = 0;
            while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
                child.output.append(buffer, n);
            std::fclose(f);
        }
        fs::remove(capture);
    }
    return child;
}

bool makeInput(const std::string& path, bool realMedia, int seconds)
{
    if (fs::exists(path))
        return true;
    const std::string tmp = path + ".part";
    std::vector<std::string> args = {"ffmpeg", "-v",
                                     "error",  "-y",
                                     "-f",     "lavfi",
                                     "-i",     "testsrc2=size=640x480:rate=25",
                                     "-f",     "lavfi",
                                     "-i",     "anoisesrc=r=44100",
                                     "-t",     std::to_string(seconds)};
    if (realMedia)
        args.insert(args.end(),
                    {"-c:v", "rv20", "-q:v", "1", "-g", "50", "-c:a", "ac3", "-b:a", "192k", "-f", "rm"});
    else
        args.insert(args.end(),
                    {"-c:v", "mpeg1video", "-q:v", "1", "-c:a", "mp2", "-b:a", "192k", "-f", "mpeg"});
    args.push_back(tmp);
    if (spawn(args).exitCode != 0)
        return false;
    fs::rename(tmp, path);
    return true;
}

// ---------------------------------------------------------------------------------------------------
// Child: one run through EditRun with a window that repaints every 10 ms.

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

int runChild(int argc, char** argv)
{
    // bench_editor_join --run rajoin|mpgjoin OUT IN...
    using namespace vello;
    using namespace vello::editor;
    QApplication app(argc, argv);
    if (const QByteArray bin = qgetenv("VELLO_BIN_DIR"); !bin.isEmpty())
        ProgramPaths::overrideProgramFolder(QString::fromLocal8Bit(bin));
    RecordingMessageService messages; // "No" to deleting the inputs
    ScopedMessageService installed(&messages);
    RunRequest request;
    request.kind = std::strcmp(argv[2], "mpgjoin") == 0 ? ToolKind::MpgJoin : ToolKind::RaJoin;
    request.output = fromNativePath(argv[3]);
    for (int i = 4; i < argc; ++i)
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
        std::printf("run %.3f s, longest pause of the window thread %.1f ms, %d repaints during the run\n",
                    clock.nsecsElapsed() / 1e9, ticker.longestPauseMs(), ticker.paints() - paintsBefore);
        QApplication::quit();
    });
    QTimer::singleShot(100, [&] {
        paintsBefore = ticker.paints();
        ticker.measure(true);
        clock.start();
        run.start(request);
    });
    QApplication::exec();
    return outcome == EditRun::Outcome::Succeeded ? 0 : 1;
}

struct Best
{
    double seconds = 1e9;
    long maxRssKb = 0;
    std::string note;
};

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 4 && std::strcmp(argv[1], "--run") == 0)
        return runChild(argc, argv);

    const std::string cache = argc > 1 ? argv[1] : "/tmp/vello-bench-editor";
    const int repeats = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    fs::create_directories(cache);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ::setenv("VELLO_BIN_DIR", VELLO_BIN_DIR, 0);
    const std::string self = fs::canonical("/proc/self/exe");

    struct Kind
    {
        const char* name;
        const char* run;
        bool realMedia;
        std::string extension;
    };
    for (const Kind& kind :
         {Kind{"RealMedia", "rajoin", true, ".rm"}, Kind{"MPEG", "mpgjoin", false, ".mpg"}}) {
        // Four inputs of about 50 MB each (one clip, copied: the join does not mind).
        const std::string first = cache + "/input0" + kind.extension;
        if (!makeInput(first, kind.realMedia, kind.realMedia ? 60 : 45)) {
            std::fprintf(stderr, "ffmpeg could not generate %s\n", first.c_str());
            return 1;
        }
        std::vector<std::string> inputs = {first};
        uintmax_t total = fs::file_size(first);
        for (int i = 1; i < 4; ++i) {
            const std::string copy = cache + "/input" + std::to_string(i) + kind.extension;
            if (!fs::exists(copy))
                fs::copy_file(first, copy);
            inputs.push_back(copy);
            total += fs::file_size(copy);
        }
        const std::string out = cache + "/joined" + kind.extension;
        const double mib = double(total) / (1024.0 * 1024.0);
        std::printf("\n%s: %zu inputs, %.1f MiB in %s\n", kind.name, inputs.size(), mib, cache.c_str());

        std::vector<std::string> cat = {"cat"};
        cat.insert(cat.end(), inputs.begin(), inputs.end());
        spawn(cat, "/dev/null"); // warm the page cache

        Best catBest, catSyncBest, editorBest;
        for (int r = 0; r < repeats; ++r) {
            fs::remove(out);
            spawn({"sync"});
            Child c = spawn(cat, out);
            if (c.seconds < catBest.seconds)
                catBest = {c.seconds, c.maxRssKb, {}};
            Child s = spawn({"sync", out});
            if (c.seconds + s.seconds < catSyncBest.seconds)
                catSyncBest = {c.seconds + s.seconds, c.maxRssKb, {}};

            fs::remove(out);
            spawn({"sync"});
            std::vector<std::string> run = {self, "--run", kind.run, out};
            run.insert(run.end(), inputs.begin(), inputs.end());
            Child e = spawn(run);
            if (e.exitCode != 0 || !fs::exists(out)) {
                std::fprintf(stderr, "the editor's run failed (exit %d): %s\n", e.exitCode, e.output.c_str());
                return 1;
            }
            if (e.seconds < editorBest.seconds)
                editorBest = {e.seconds, e.maxRssKb, e.output};
        }
        // The same child without a run: what starting Qt and the window costs by itself.
        Child idle = spawn({self, "--run", kind.run, "", first});
        const uintmax_t outBytes = fs::file_size(out);
        fs::remove(out);

        std::printf("%-34s %9s %10s %9s %12s\n", "method", "seconds", "MiB/s", "speed", "peak RSS");
        const auto row = [&](const char* name, const Best& b, double reference) {
            std::printf("%-34s %9.3f %10.1f %8.2fx %9.1f MiB\n", name, b.seconds, mib / b.seconds,
                        reference / b.seconds, b.maxRssKb / 1024.0);
        };
        row("cat", catBest, catBest.seconds);
        row("cat, then sync of the output", catSyncBest, catBest.seconds);
        row("editor join (synced, in place)", editorBest, catBest.seconds);
        std::printf("editor join against cat+sync: %.2fx; output %.1f MiB\n",
                    catSyncBest.seconds / editorBest.seconds, double(outBytes) / (1024.0 * 1024.0));
        std::printf("editor child without a run (Qt, window, refused at once): peak RSS %.1f MiB\n",
                    idle.maxRssKb / 1024.0);
        std::printf("editor child: %s", editorBest.note.c_str());
    }
    return 0;
}
