// bench_editor_join: joins about 200 MB of RealMedia and of MPEG through the editor's run (the code the
// join windows call: checks, wait window, the work on a worker thread, the result put in place) and compares
// time and peak memory with cat of the same files. Each run goes in a child, bench_editor_join_run, which
// also shows a window repainting every 10 ms and reports the longest pause of its window thread during the
// work. This program itself stays small, so that the children's peak memory is their own.
//
// Usage: bench_editor_join [CACHE_DIR] [REPEATS]
// The inputs are generated with ffmpeg into CACHE_DIR (default /tmp/vello-bench-editor) once and reused.

#include "ChildRun.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using bench::Child;
using bench::spawn;

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

// "key=value" words of a child's output.
std::map<std::string, double> figures(const std::string& text)
{
    std::map<std::string, double> out;
    std::istringstream words(text);
    std::string word;
    while (words >> word) {
        const size_t eq = word.find('=');
        if (eq != std::string::npos)
            out[word.substr(0, eq)] = std::atof(word.c_str() + eq + 1);
    }
    return out;
}

struct Best
{
    double seconds = 1e9;
    long maxRssKb = 0;
    std::map<std::string, double> child;
};

} // namespace

int main(int argc, char** argv)
{
    const std::string cache = argc > 1 ? argv[1] : "/tmp/vello-bench-editor";
    const int repeats = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    fs::create_directories(cache);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ::setenv("VELLO_BIN_DIR", VELLO_BIN_DIR, 0);
    const std::string runner = VELLO_BIN_DIR "/bench_editor_join_run";

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
        if (!makeInput(first, kind.realMedia, kind.realMedia ? 80 : 80)) {
            std::fprintf(stderr, "ffmpeg could not generate %s\n", first.c_str());
            return 1;
        }
        std::vector<std::string> inputs = {first};
        uintmax_t total = fs::file_size(first);
        for (int i = 1; i < 4; ++i) {
            const std::string copy = cache + "/input" + std::to_string(i) + kind.extension;
            if (!fs::exists(copy) || fs::file_size(copy) != fs::file_size(first))
                fs::copy_file(first, copy, fs::copy_options::overwrite_existing);
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
        double longestPause = 0;
        for (int r = 0; r < repeats; ++r) {
            fs::remove(out);
            spawn({"sync"});
            const Child c = spawn(cat, out);
            if (c.seconds < catBest.seconds)
                catBest = {c.seconds, c.maxRssKb, {}};
            const Child s = spawn({"sync", out});
            if (c.seconds + s.seconds < catSyncBest.seconds)
                catSyncBest = {c.seconds + s.seconds, c.maxRssKb, {}};

            fs::remove(out);
            spawn({"sync"});
            std::vector<std::string> run = {runner, kind.run, out};
            run.insert(run.end(), inputs.begin(), inputs.end());
            const Child e = spawn(run);
            const std::map<std::string, double> f = figures(e.output);
            if (e.exitCode != 0 || !fs::exists(out) || fs::file_size(out) < total / 2 ||
                !f.count("run_seconds")) {
                std::fprintf(stderr, "the editor's run failed (exit %d): %s\n", e.exitCode, e.output.c_str());
                return 1;
            }
            longestPause = std::max(longestPause, f.at("pause_ms"));
            if (f.at("run_seconds") < editorBest.seconds)
                editorBest = {f.at("run_seconds"), e.maxRssKb, f};
        }
        const uintmax_t outBytes = fs::file_size(out);
        fs::remove(out);

        std::printf("%-40s %9s %10s %9s %12s\n", "method", "seconds", "MiB/s", "vs cat", "peak RSS");
        const auto row = [&](const char* name, const Best& b) {
            std::printf("%-40s %9.3f %10.1f %8.2fx %9.1f MiB\n", name, b.seconds, mib / b.seconds,
                        catBest.seconds / b.seconds, b.maxRssKb / 1024.0);
        };
        row("cat", catBest);
        row("cat, then sync of the output", catSyncBest);
        row("editor run (output synced, put in place)", editorBest);
        std::printf("editor run against cat+sync: %.2fx; output %.1f MiB (best of %d)\n",
                    catSyncBest.seconds / editorBest.seconds, double(outBytes) / (1024.0 * 1024.0), repeats);
        std::printf("editor process peak memory: %.1f MiB before the run (Qt, a window), %.1f MiB at its end "
                    "(+%.1f MiB for the run)\n",
                    editorBest.child["before_kb"] / 1024.0, editorBest.child["peak_kb"] / 1024.0,
                    (editorBest.child["peak_kb"] - editorBest.child["before_kb"]) / 1024.0);
        std::printf(
            "window thread during the runs: longest pause %.1f ms (repainting every 10 ms; %d repaints "
            "in the best run)\n",
            longestPause, int(editorBest.child["repaints"]));
    }
    return 0;
}
