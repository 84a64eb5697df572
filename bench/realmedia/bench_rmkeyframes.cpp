// bench_rmkeyframes: lists the keyframes of a large RealMedia file with `rmtool keyframes`, once with its
// index and once from a copy without one, against `cat` of the same file and ffprobe's keyframe listing
// (-skip_frame nokey -show_frames), and prints time and peak resident memory of each child process. Each
// run starts from the page cache (warm) and, where the kernel lets the file's pages go, from the disk
// (cold). The lists are checked to agree.
//
// Usage: bench_rmkeyframes [SIZE_MIB] [CACHE_DIR]
// The large file (about SIZE_MIB, default 1024) is the engine's join of one generated clip with itself,
// kept in CACHE_DIR (default /tmp/vello-bench-rm) and reused.

#include "ChildRun.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using bench::spawn;
using Run = bench::Child;

constexpr int Repeats = 5;

// Lets the file's pages go from the page cache; false when they stay (then no cold figures).
bool evict(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    ::fdatasync(fd);
    const bool ok = ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED) == 0;
    ::close(fd);
    return ok;
}

struct Result
{
    std::string name;
    Run best;
};

Result measure(const std::string& name, const std::vector<std::string>& args, const std::string& file,
               bool cold, int repeats = Repeats)
{
    Result result{name, {}};
    result.best.seconds = 1e9;
    for (int i = 0; i < repeats; ++i) {
        if (cold) {
            evict(file);
        } else {
            spawn({"cat", file}, "/dev/null");
        }
        const Run r = spawn(args, args.front() == "cat" ? "/dev/null" : "");
        if (r.exitCode != 0) {
            std::fprintf(stderr, "%s failed (exit %d)\n", name.c_str(), r.exitCode);
            result.best = r;
            return result;
        }
        if (r.seconds < result.best.seconds) {
            result.best = r;
        }
    }
    return result;
}

// One number a line; with keyMarked, lines "key_frame,time" of which only key frames count.
std::vector<long> numbers(const std::string& text, double scale, bool keyMarked = false)
{
    std::vector<long> out;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (keyMarked && line.rfind("1,", 0) != 0) {
            continue;
        }
        if (!line.empty()) {
            out.push_back(std::lround(std::atof(line.c_str() + (keyMarked ? 2 : 0)) * scale));
        }
    }
    return out;
}

// A copy of an indexed file without its index: the bytes before the first INDX chunk, and PROP's index
// offset cleared.
bool copyWithoutIndex(const std::string& from, const std::string& to)
{
    std::vector<unsigned char> head(64);
    FILE* in = std::fopen(from.c_str(), "rb");
    if (!in || std::fread(head.data(), 1, head.size(), in) != head.size()) {
        if (in) {
            std::fclose(in);
        }
        return false;
    }
    std::fclose(in);
    const size_t prop = 18; // after .RMF
    if (std::string(head.begin() + prop, head.begin() + prop + 4) != "PROP") {
        return false;
    }
    const unsigned char* p = head.data() + prop + 38;
    const uint64_t index = uint64_t(p[0]) << 24 | uint64_t(p[1]) << 16 | uint64_t(p[2]) << 8 | p[3];
    if (index == 0) {
        return false;
    }
    std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing);
    std::filesystem::resize_file(to, index);
    const int fd = ::open(to.c_str(), O_WRONLY | O_CLOEXEC);
    const unsigned char zero[4] = {0, 0, 0, 0};
    const bool ok = fd >= 0 && ::pwrite(fd, zero, 4, prop + 38) == 4;
    if (fd >= 0) {
        ::close(fd);
    }
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    const long sizeMib = argc > 1 ? std::atol(argv[1]) : 1024;
    const std::string cache = argc > 2 ? argv[2] : "/tmp/vello-bench-rm";
    std::filesystem::create_directories(cache);

    const std::string source = cache + "/keyframes_source_60.rm";
    if (!std::filesystem::exists(source)) {
        std::printf("generating %s ...\n", source.c_str());
        std::fflush(stdout);
        const std::string tmp = source + ".part.rm";
        const Run r = spawn({"ffmpeg", "-v",    "error", "-y",
                             "-f",     "lavfi", "-i",    "testsrc2=size=640x480:rate=25",
                             "-f",     "lavfi", "-i",    "anoisesrc=r=44100",
                             "-t",     "60",    "-c:v",  "rv20",
                             "-q:v",   "1",     "-g",    "50",
                             "-c:a",   "ac3",   "-b:a",  "192k",
                             tmp});
        if (r.exitCode != 0) {
            std::fprintf(stderr, "ffmpeg could not generate %s\n", source.c_str());
            return 1;
        }
        std::filesystem::rename(tmp, source);
    }
    const uintmax_t sourceBytes = std::filesystem::file_size(source);
    const long copies = std::max<long>(1, static_cast<long>((uintmax_t(sizeMib) << 20) / sourceBytes));
    const std::string indexed = cache + "/keyframes_" + std::to_string(copies) + "x.rm";
    const std::string bare = cache + "/keyframes_" + std::to_string(copies) + "x_noindex.rm";
    if (!std::filesystem::exists(indexed)) {
        std::printf("joining %ld copies into %s ...\n", copies, indexed.c_str());
        std::fflush(stdout);
        std::vector<std::string> join = {RM_TOOL_PATH, "join", indexed + ".part"};
        for (long i = 0; i < copies; ++i) {
            join.push_back(source);
        }
        join.push_back("--no-sync");
        if (spawn(join).exitCode != 0) {
            std::fprintf(stderr, "rmtool could not join %s\n", indexed.c_str());
            return 1;
        }
        std::filesystem::rename(indexed + ".part", indexed);
    }
    if (!std::filesystem::exists(bare) && !copyWithoutIndex(indexed, bare)) {
        std::fprintf(stderr, "could not copy %s without its index\n", indexed.c_str());
        return 1;
    }
    const double mib = static_cast<double>(std::filesystem::file_size(indexed)) / (1024.0 * 1024.0);
    std::printf("file: %s, %.1f MiB (%ld x a 60 s clip), and the same without its index\n", indexed.c_str(),
                mib, copies);

    // The three lists agree: with the index, without it, and ffprobe's (whose RealVideo decoders do not
    // skip frames when asked, so its key frames are told by their mark).
    const std::vector<std::string> probe = {
        "ffprobe", "-v",           "error",         "-select_streams",          "v:0", "-skip_frame",
        "nokey",   "-show_frames", "-show_entries", "frame=key_frame,pts_time", "-of", "csv=p=0"};
    auto probeOf = [&](const std::string& file) {
        std::vector<std::string> args = probe;
        args.push_back(file);
        return args;
    };
    const std::vector<long> fromIndex = numbers(spawn({RM_TOOL_PATH, "keyframes", indexed}).output, 1);
    const std::vector<long> fromData = numbers(spawn({RM_TOOL_PATH, "keyframes", bare}).output, 1);
    const std::vector<long> probed = numbers(spawn(probeOf(bare)).output, 1000, true);
    std::printf("keyframes: %zu with the index, %zu without, %zu by ffprobe: %s\n", fromIndex.size(),
                fromData.size(), probed.size(),
                fromIndex == fromData && fromData == probed ? "the same" : "DIFFERENT");

    const bool canEvict = evict(indexed) && evict(bare);
    std::vector<std::pair<bool, std::vector<Result>>> tables;
    for (const bool cold : {false, true}) {
        if (cold && !canEvict) {
            continue;
        }
        std::vector<Result> results;
        results.push_back(measure("cat (no index)", {"cat", bare}, bare, cold));
        results.push_back(
            measure("rmtool keyframes, index", {RM_TOOL_PATH, "keyframes", indexed}, indexed, cold));
        results.push_back(
            measure("rmtool keyframes, no index", {RM_TOOL_PATH, "keyframes", bare}, bare, cold));
        // ffprobe takes tens of seconds: once is enough.
        results.push_back(measure("ffprobe, index", probeOf(indexed), indexed, cold, 1));
        results.push_back(measure("ffprobe, no index", probeOf(bare), bare, cold, 1));
        tables.emplace_back(cold, std::move(results));
    }

    for (const auto& [cold, results] : tables) {
        std::printf("\n%s page cache (best of %d):\n", cold ? "file not in the" : "file in the", Repeats);
        std::printf("%-28s %10s %10s %9s %12s\n", "method", "ms", "MiB/s", "vs cat", "peak RSS");
        const double catSeconds = results.front().best.seconds;
        for (const Result& r : results) {
            if (r.best.exitCode != 0) {
                std::printf("%-28s failed (exit %d)\n", r.name.c_str(), r.best.exitCode);
                continue;
            }
            std::printf("%-28s %10.1f %10.1f %8.2fx %9.1f MiB\n", r.name.c_str(), r.best.seconds * 1000,
                        mib / r.best.seconds, catSeconds / r.best.seconds, r.best.maxRssKb / 1024.0);
        }
    }
    std::printf(
        "\n(vs cat: cat time / method time, cat reading the file without index to /dev/null; ffprobe\n"
        "runs once. Peak RSS cannot go below this benchmark's own, which a child shares until it\n"
        "starts its program.)\n");
    return 0;
}
