// bench_rmjoin: joins a few large RealMedia files with rmtool, cat and ffmpeg, then cuts the middle half
// out of the joined file (over 200 MB) with rmtool and with ffmpeg's stream copy, and prints time,
// throughput and the peak resident memory of each child process.
//
// Usage: bench_rmjoin [CACHE_DIR] [FILES] [SECONDS_PER_FILE]
// The inputs are generated with ffmpeg into CACHE_DIR (default /tmp/vello-bench-rm) once and reused.

#include "ChildRun.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using Run = bench::Child;
using bench::spawn;

struct Result
{
    std::string name;
    Run best;
};

// Runs the steps repeats times; a run counts only when the output reaches minimumOutput bytes.
Result measure(const std::string& name, const std::vector<std::vector<std::string>>& steps,
               const std::string& out, uintmax_t minimumOutput, const std::string& stdoutPath = "",
               int repeats = 5)
{
    Result result{name, {}};
    result.best.seconds = 1e9;
    for (int i = 0; i < repeats; ++i) {
        std::filesystem::remove(out);
        spawn({"sync"}); // start every run with no dirty pages left by the previous one
        Run total;
        total.exitCode = 0;
        for (size_t s = 0; s < steps.size(); ++s) {
            const Run r = spawn(steps[s], s == 0 ? stdoutPath : "");
            total.seconds += r.seconds;
            total.maxRssKb = std::max(total.maxRssKb, r.maxRssKb);
            total.exitCode = std::max(total.exitCode, r.exitCode);
        }
        std::error_code ec;
        const uintmax_t written = std::filesystem::file_size(out, ec);
        if (total.exitCode == 0 && (ec || written < minimumOutput)) {
            total.exitCode = 99; // finished without writing the whole result
        }
        if (total.exitCode != 0) {
            std::fprintf(stderr, "%s failed (exit %d)\n", name.c_str(), total.exitCode);
            result.best = total;
            return result;
        }
        if (total.seconds < result.best.seconds) {
            result.best = total;
        }
    }
    return result;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string cache = argc > 1 ? argv[1] : "/tmp/vello-bench-rm";
    const int files = argc > 2 ? std::atoi(argv[2]) : 4;
    const int seconds = argc > 3 ? std::atoi(argv[3]) : 90;
    std::filesystem::create_directories(cache);

    std::vector<std::string> inputs;
    uintmax_t totalBytes = 0;
    for (int i = 0; i < files; ++i) {
        const std::string path = cache + "/in" + std::to_string(i) + "_" + std::to_string(seconds) + ".rm";
        if (!std::filesystem::exists(path)) {
            std::printf("generating %s ...\n", path.c_str());
            std::fflush(stdout);
            const std::string tmp = path + ".part.rm";
            const Run r = spawn({"ffmpeg", "-v",
                                 "error",  "-y",
                                 "-f",     "lavfi",
                                 "-i",     "testsrc2=size=640x480:rate=25,hue=H=" + std::to_string(i),
                                 "-f",     "lavfi",
                                 "-i",     "anoisesrc=r=44100",
                                 "-t",     std::to_string(seconds),
                                 "-c:v",   "rv20",
                                 "-q:v",   "1",
                                 "-g",     "50",
                                 "-c:a",   "ac3",
                                 "-b:a",   "192k",
                                 tmp});
            if (r.exitCode != 0) {
                std::fprintf(stderr, "ffmpeg could not generate %s\n", path.c_str());
                return 1;
            }
            std::filesystem::rename(tmp, path);
        }
        totalBytes += std::filesystem::file_size(path);
        inputs.push_back(path);
    }
    const double mib = static_cast<double>(totalBytes) / (1024.0 * 1024.0);
    std::printf("inputs: %d files, %.1f MiB in %s\n", files, mib, cache.c_str());

    // Warm the page cache so every method reads from memory.
    std::vector<std::string> catArgs = {"cat"};
    catArgs.insert(catArgs.end(), inputs.begin(), inputs.end());
    spawn(catArgs, "/dev/null");

    const std::string out = cache + "/out.rm";
    const std::string list = cache + "/list.txt";
    if (FILE* f = std::fopen(list.c_str(), "w")) {
        for (const std::string& in : inputs) {
            std::fprintf(f, "file '%s'\n", in.c_str());
        }
        std::fclose(f);
    }
    std::vector<std::string> join = {RM_TOOL_PATH, "join", out};
    join.insert(join.end(), inputs.begin(), inputs.end());
    std::vector<std::string> joinNoSync = join;
    joinNoSync.push_back("--no-sync");

    std::vector<Result> results;
    const uintmax_t minimum = totalBytes * 9 / 10;
    results.push_back(measure("cat", {catArgs}, out, minimum, out));
    results.push_back(measure("rmtool join --no-sync", {joinNoSync}, out, minimum));
    results.push_back(measure("cat + fsync", {catArgs, {"sync", out}}, out, minimum, out));
    results.push_back(measure("rmtool join (fsync)", {join}, out, minimum));
    results.push_back(measure(
        "ffmpeg concat -c copy",
        {{"ffmpeg", "-v", "error", "-y", "-f", "concat", "-safe", "0", "-i", list, "-c", "copy", out}}, out,
        minimum));
    std::vector<std::string> joinOne = {RM_TOOL_PATH,   "join",         out,
                                        inputs.front(), inputs.front(), "--no-sync"};
    const Result one = measure("rmtool join, 1 input", {joinOne}, out, 0, "", 1);
    std::filesystem::remove(out);

    // The cut: the middle half of all inputs joined into one file.
    const std::string whole =
        cache + "/whole_" + std::to_string(files) + "_" + std::to_string(seconds) + ".rm";
    if (!std::filesystem::exists(whole)) {
        std::vector<std::string> joinAll = joinNoSync;
        joinAll[2] = whole;
        spawn(joinAll);
    }
    const uintmax_t wholeBytes = std::filesystem::file_size(whole);
    const double wholeMib = static_cast<double>(wholeBytes) / (1024.0 * 1024.0);
    spawn({"cat", whole}, "/dev/null");
    const long long totalMs = static_cast<long long>(files) * seconds * 1000;
    const std::string startMs = std::to_string(totalMs / 4);
    const std::string endMs = std::to_string(totalMs * 3 / 4);
    auto secondsText = [](const std::string& ms) { return std::to_string(std::stoll(ms) / 1000.0); };
    const uintmax_t cutMinimum = wholeBytes * 4 / 10;
    std::vector<Result> cuts;
    cuts.push_back(measure("rmtool cut --no-sync",
                           {{RM_TOOL_PATH, "cut", whole, out, startMs, endMs, "--no-sync"}}, out,
                           cutMinimum));
    cuts.push_back(
        measure("rmtool cut (fsync)", {{RM_TOOL_PATH, "cut", whole, out, startMs, endMs}}, out, cutMinimum));
    cuts.push_back(measure("ffmpeg -ss -to -c copy",
                           {{"ffmpeg", "-v", "error", "-y", "-ss", secondsText(startMs), "-to",
                             secondsText(endMs), "-i", whole, "-c", "copy", out}},
                           out, cutMinimum));
    cuts.push_back(measure("ffmpeg -ss -to -c copy + fsync",
                           {{"ffmpeg", "-v", "error", "-y", "-ss", secondsText(startMs), "-to",
                             secondsText(endMs), "-i", whole, "-c", "copy", out},
                            {"sync", out}},
                           out, cutMinimum));
    std::filesystem::remove(out);

    std::printf("\n%-24s %9s %10s %9s %12s\n", "method", "seconds", "MiB/s", "vs cat", "peak RSS");
    const double catSeconds = results[0].best.seconds;
    const double catSyncSeconds = results[2].best.seconds;
    for (const Result& r : results) {
        const bool synced =
            r.name.find("sync") != std::string::npos && r.name.find("no-sync") == std::string::npos;
        const double reference = synced ? catSyncSeconds : catSeconds;
        if (r.best.exitCode != 0) {
            std::printf("%-24s failed (exit %d)\n", r.name.c_str(), r.best.exitCode);
            continue;
        }
        std::printf("%-24s %9.3f %10.1f %8.2fx %9.1f MiB\n", r.name.c_str(), r.best.seconds,
                    mib / r.best.seconds, reference / r.best.seconds, r.best.maxRssKb / 1024.0);
    }
    std::printf("%-24s %9.3f %10s %9s %9.1f MiB\n", one.name.c_str(), one.best.seconds, "", "",
                one.best.maxRssKb / 1024.0);
    std::printf("\n(vs cat: cat time / method time; fsync rows compare with cat + fsync; best of 5 runs)\n");

    std::printf("\ncut of %s (%.1f MiB), %s ms to %s ms:\n", whole.c_str(), wholeMib, startMs.c_str(),
                endMs.c_str());
    std::printf("%-32s %9s %12s %12s\n", "method", "seconds", "vs ffmpeg", "peak RSS");
    const double ffmpegSeconds = cuts[2].best.seconds;
    const double ffmpegSyncSeconds = cuts[3].best.seconds;
    for (const Result& r : cuts) {
        if (r.best.exitCode != 0) {
            std::printf("%-32s failed (exit %d)\n", r.name.c_str(), r.best.exitCode);
            continue;
        }
        const bool synced = r.name.find("fsync") != std::string::npos;
        std::printf("%-32s %9.3f %11.2fx %9.1f MiB\n", r.name.c_str(), r.best.seconds,
                    (synced ? ffmpegSyncSeconds : ffmpegSeconds) / r.best.seconds, r.best.maxRssKb / 1024.0);
    }
    std::printf(
        "\n(vs ffmpeg: ffmpeg time / method time, fsync rows against ffmpeg + fsync; best of 5 runs)\n");
    return 0;
}
