// rmtool: inspect, join, cut and retitle RealMedia files from the command line.

#include "KeyframeIndex.h"
#include "RmFile.h"
#include "VelloVersion.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr const char* kUsage =
    "usage:\n"
    "  rmtool info FILE\n"
    "  rmtool keyframes FILE\n"
    "  rmtool join OUT IN1 [IN2 ...] [--title TEXT]\n"
    "  rmtool cut IN OUT START_MS END_MS [--title TEXT]\n"
    "  rmtool title FILE [NEW_TITLE]\n"
    "options (any command that writes): --no-sync  do not flush the output to disk\n";

constexpr const char* kHowFilesAreWritten =
    "\n"
    "Writing: the output is written to a temporary file beside the target and renamed over it at the\n"
    "end, so a failed or cancelled write leaves the target as it was. A symbolic link is followed: the\n"
    "file it names is replaced and keeps its permissions. A target you may not write is refused.\n"
    "Replacing a file makes a new file under that name: if the target has other hard links, they keep\n"
    "the old content (the hard link is split from its other names).\n"
    "\n"
    "title: changes the title and what moves with it (sizes and stored offsets); packets, their\n"
    "timestamps, the data chunks, the index and header chunks rmtool does not know are kept byte for\n"
    "byte. join and cut write a new file: one data chunk, a new index, unknown header chunks left out.\n"
    "\n"
    "keyframes prints the times (ms from the file's start, as cut takes them) at which a cut can\n"
    "start, one a line: the video keyframes, for a multi-rate file the times at which every encoding\n"
    "has one. They come from the file's index when it is complete, else from reading the whole file\n"
    "(progress on standard error when it is a terminal). A file damaged inside its data gives the\n"
    "keyframes before the damage and exit status 1; a file without video prints nothing.\n"
    "\n"
    "info says \"truncated: yes\" for a file cut off inside its data (a download that stopped); join\n"
    "and cut use such a file up to its last whole frame.\n";

int usage()
{
    std::fputs(kUsage, stderr);
    return 2;
}

int help()
{
    std::fputs("Joins, cuts and retitles RealMedia files without re-encoding.\n", stdout);
    std::fputs(kUsage, stdout);
    std::fputs("  -h, --help     show this help and exit\n"
               "      --version  show the version and exit\n"
               "exit status: 0 done, 1 the file could not be read or written (the reason is printed), "
               "2 bad usage\n",
               stdout);
    std::fputs(kHowFilesAreWritten, stdout);
    return 0;
}

int fail(const std::string& path, int error)
{
    std::fprintf(stderr, "rmtool: %s: %s\n", path.c_str(), rm::RmFile::errorText(error).c_str());
    return 1;
}

bool parseMs(const char* text, int32_t& out)
{
    errno = 0;
    char* end = nullptr;
    const long long v = std::strtoll(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || v < INT32_MIN || v > INT32_MAX) {
        return false;
    }
    out = static_cast<int32_t>(v);
    return true;
}

int info(const std::string& path)
{
    int error = 0;
    auto file = rm::OpenRmFile(path, &error);
    if (!file) {
        return fail(path, error);
    }
    std::printf("title: %s\n", file->title().c_str());
    std::printf("duration_ms: %u\n", file->durationMs());
    std::printf("packets: %llu\n", static_cast<unsigned long long>(file->packetCount()));
    if (file->truncated()) {
        std::printf("truncated: yes (the file is cut off; its intact part can be played, joined and cut)\n");
    }
    const auto streams = file->streams();
    std::printf("streams: %zu\n", streams.size());
    for (const auto& s : streams) {
        std::printf("stream %u: %s \"%s\" packets=%llu\n", s.number, s.mimeType.c_str(), s.name.c_str(),
                    static_cast<unsigned long long>(s.packetCount));
    }
    return 0;
}

int keyframes(const std::string& path)
{
    const bool showProgress = ::isatty(STDERR_FILENO) != 0;
    int shown = -1;
    const rm::ProgressCallback progress = [&](uint64_t done, uint64_t total) {
        const int percent = static_cast<int>(done * 100 / std::max<uint64_t>(total, 1));
        if (showProgress && percent != shown) {
            shown = percent;
            std::fprintf(stderr, "\r%3d%%", percent);
        }
        return true;
    };
    rm::KeyframeList list;
    const rm::RmError e = rm::readKeyframes(path, list, progress);
    if (shown >= 0) {
        std::fputs("\r    \r", stderr);
    }
    if (e != rm::RmError::Ok) {
        return fail(path, rm::toInt(e));
    }
    for (const uint32_t ms : list.times()) {
        std::printf("%u\n", ms);
    }
    if (list.damage != rm::RmError::Ok) {
        std::fprintf(stderr, "rmtool: %s: keyframes up to the damage only: %s\n", path.c_str(),
                     rm::RmFile::errorText(rm::toInt(list.damage)).c_str());
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        return help();
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("rmtool %s\n", VELLO_VERSION_STRING);
        return 0;
    }
    std::vector<std::string> args;
    std::string title;
    bool haveTitle = false;
    bool sync = true;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--title") == 0) {
            if (i + 1 >= argc) {
                return usage();
            }
            title = argv[++i];
            haveTitle = true;
        } else if (std::strcmp(argv[i], "--no-sync") == 0) {
            sync = false;
        } else {
            args.emplace_back(argv[i]);
        }
    }
    if (args.empty()) {
        return usage();
    }
    const std::string command = args[0];
    if (command == "info" && args.size() == 2) {
        return info(args[1]);
    }
    if (command == "keyframes" && args.size() == 2) {
        return keyframes(args[1]);
    }
    if (command == "join" && args.size() >= 3) {
        int error = 0;
        auto file = rm::OpenRmFile(args[2], &error);
        if (!file) {
            return fail(args[2], error);
        }
        for (size_t i = 3; i < args.size(); ++i) {
            if ((error = file->append(args[i])) != 0) {
                return fail(args[i], error);
            }
        }
        if (haveTitle) {
            file->setTitle(title);
        }
        file->setSyncOnWrite(sync);
        if ((error = file->write(args[1])) != 0) {
            return fail(args[1], error);
        }
        return 0;
    }
    if (command == "cut" && args.size() == 5) {
        int32_t start = 0;
        int32_t end = 0;
        if (!parseMs(args[3].c_str(), start) || !parseMs(args[4].c_str(), end)) {
            return usage();
        }
        int error = 0;
        auto file = rm::OpenRmFile(args[1], &error);
        if (!file) {
            return fail(args[1], error);
        }
        file->setStartPosition(start);
        file->setEndPosition(end);
        if (haveTitle) {
            file->setTitle(title);
        }
        file->setSyncOnWrite(sync);
        if ((error = file->write(args[2])) != 0) {
            return fail(args[2], error);
        }
        return 0;
    }
    if (command == "title" && (args.size() == 2 || args.size() == 3)) {
        int error = 0;
        auto file = rm::OpenRmFile(args[1], &error);
        if (!file) {
            return fail(args[1], error);
        }
        if (args.size() == 2) {
            std::printf("%s\n", file->title().c_str());
            return 0;
        }
        file->setTitle(args[2]);
        file->setSyncOnWrite(sync);
        if ((error = file->write(args[1])) != 0) {
            return fail(args[1], error);
        }
        return 0;
    }
    return usage();
}
