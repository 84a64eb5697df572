#include "RmTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace rmtest {

namespace {

std::string slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

uint16_t u16(const std::vector<uint8_t>& d, uint64_t p)
{
    return static_cast<uint16_t>(d[p] << 8 | d[p + 1]);
}

uint32_t u32(const std::vector<uint8_t>& d, uint64_t p)
{
    return static_cast<uint32_t>(d[p]) << 24 | static_cast<uint32_t>(d[p + 1]) << 16 |
           static_cast<uint32_t>(d[p + 2]) << 8 | d[p + 3];
}

} // namespace

ProcessResult run(const std::vector<std::string>& args)
{
    static TempDir outputs;
    static int counter = 0;
    const std::string outPath = outputs.file("out" + std::to_string(counter));
    const std::string errPath = outputs.file("err" + std::to_string(counter++));
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<char*> argv;
    for (const std::string& a : args) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    ProcessResult result;
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        waitpid(pid, &status, 0);
        result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    posix_spawn_file_actions_destroy(&actions);
    result.out = slurp(outPath);
    result.err = slurp(errPath);
    return result;
}

TempDir::TempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "rmtest-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    m_path = pattern;
}

TempDir::~TempDir()
{
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

std::vector<std::string> TempDir::entries() const
{
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(m_path)) {
        names.push_back(e.path().filename().string());
    }
    return names;
}

std::vector<uint8_t> readBytes(const std::string& path)
{
    const std::string s = slurp(path);
    return std::vector<uint8_t>(s.begin(), s.end());
}

void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::string clip(ClipKind kind, int durationMs, const std::string& title, int keyframeInterval)
{
    static TempDir clips;
    static std::map<std::string, std::string> made;
    const std::string key = std::to_string(static_cast<int>(kind)) + "_" + std::to_string(durationMs) + "_" +
                            std::to_string(keyframeInterval) + "_" + title;
    if (auto it = made.find(key); it != made.end()) {
        return it->second;
    }
    const std::string path = clips.file("clip" + std::to_string(made.size()) + ".rm");
    const std::string seconds = std::to_string(durationMs / 1000.0);
    std::vector<std::string> args = {"ffmpeg", "-v", "error", "-y"};
    const bool video = kind == ClipKind::Rv20Ac3 || kind == ClipKind::Rv10Real144 ||
                       kind == ClipKind::Rv20Ac3Large || kind == ClipKind::Rv20Video;
    if (video) {
        const char* size = kind == ClipKind::Rv10Real144    ? "176x144"
                           : kind == ClipKind::Rv20Ac3Large ? "320x240"
                                                            : "160x120";
        args.insert(args.end(), {"-f", "lavfi", "-i", std::string("testsrc=size=") + size + ":rate=25"});
    }
    if (kind != ClipKind::Rv20Video) {
        args.insert(args.end(), {"-f", "lavfi", "-i", "sine=frequency=440:sample_rate=44100"});
    }
    args.insert(args.end(), {"-t", seconds});
    if (video) {
        args.insert(args.end(), {"-c:v", kind == ClipKind::Rv10Real144 ? "rv10" : "rv20", "-g",
                                 std::to_string(keyframeInterval)});
    }
    if (kind == ClipKind::Rv10Real144 || kind == ClipKind::Real144Only) {
        args.insert(args.end(), {"-c:a", "real_144", "-ar", "8000", "-ac", "1"});
    } else if (kind != ClipKind::Rv20Video) {
        args.insert(args.end(), {"-c:a", "ac3", "-b:a", "64k"});
    }
    if (!title.empty()) {
        args.insert(args.end(), {"-metadata", "title=" + title});
    }
    args.push_back(path);
    const ProcessResult r = run(args);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    made[key] = path;
    return path;
}

double probeDuration(const std::string& path)
{
    const ProcessResult r =
        run({"ffprobe", "-v", "error", "-show_entries", "format=duration", "-of", "default=nw=1:nk=1", path});
    return std::atof(r.out.c_str());
}

std::string probeTitle(const std::string& path)
{
    const ProcessResult r = run(
        {"ffprobe", "-v", "error", "-show_entries", "format_tags=title", "-of", "default=nw=1:nk=1", path});
    std::string t = r.out;
    while (!t.empty() && (t.back() == '\n' || t.back() == '\r')) {
        t.pop_back();
    }
    return t;
}

std::vector<ProbedPacket> probePackets(const std::string& path)
{
    const ProcessResult r = run({"ffprobe", "-v", "error", "-show_entries",
                                 "packet=codec_type,stream_index,pts_time,flags", "-of", "csv=p=0", path});
    std::vector<ProbedPacket> packets;
    std::istringstream lines(r.out);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string type, index, pts, flags;
        std::getline(fields, type, ',');
        std::getline(fields, index, ',');
        std::getline(fields, pts, ',');
        std::getline(fields, flags, ',');
        packets.push_back(
            {type, std::atoi(index.c_str()), std::atof(pts.c_str()), flags.find('K') != std::string::npos});
    }
    return packets;
}

std::string decodeErrors(const std::string& path)
{
    const ProcessResult r = run({"ffmpeg", "-v", "error", "-i", path, "-f", "null", "-"});
    return r.err + (r.exitCode == 0 ? "" : "exit code " + std::to_string(r.exitCode));
}

Layout readLayout(const std::string& path, bool strict)
{
    Layout l;
    const std::vector<uint8_t> d = readBytes(path);
    auto fail = [&](const std::string& why) {
        l.problem = why;
        return l;
    };
    if (d.size() < 18 || std::string(d.begin(), d.begin() + 4) != ".RMF") {
        return fail("no .RMF");
    }
    l.headerCount = u32(d, 14);
    uint64_t p = u32(d, 4);
    while (p + 10 <= d.size() && (strict || u32(d, p + 4) >= 10)) {
        const std::string id(d.begin() + static_cast<long>(p), d.begin() + static_cast<long>(p) + 4);
        uint32_t size = u32(d, p + 4);
        if (!strict && p + size > d.size()) {
            size = static_cast<uint32_t>(d.size() - p);
        }
        if (size < 10 || p + size > d.size()) {
            return fail("chunk " + id + " size out of file");
        }
        ++l.chunkCount;
        if (id == "PROP") {
            l.propPackets = u32(d, p + 26);
            l.propDuration = u32(d, p + 30);
            l.propIndexOffset = u32(d, p + 38);
            l.propDataOffset = u32(d, p + 42);
            l.propStreams = u16(d, p + 46);
        } else if (id == "CONT") {
            l.title.assign(d.begin() + static_cast<long>(p) + 12,
                           d.begin() + static_cast<long>(p) + 12 + u16(d, p + 10));
        } else if (id == "MDPR") {
            uint64_t q = p + 40;
            q += 1 + d[q];
            const uint8_t mimeLength = d[q];
            l.mimeTypes.emplace_back(d.begin() + static_cast<long>(q) + 1,
                                     d.begin() + static_cast<long>(q) + 1 + mimeLength);
            q += 1 + mimeLength;
            const uint32_t tsd = u32(d, q);
            l.typeSpecific.emplace_back(d.begin() + static_cast<long>(q) + 4,
                                        d.begin() + static_cast<long>(q + 4 + tsd));
        } else if (id == "DATA") {
            l.dataOffset = p;
            l.dataPackets = u32(d, p + 10);
            uint64_t q = p + 18;
            for (uint32_t i = 0; i < l.dataPackets; ++i) {
                if (q + 12 > p + size) {
                    return fail("packet outside DATA");
                }
                const uint16_t version = u16(d, q);
                const uint16_t length = u16(d, q + 2);
                const uint8_t flags = d[q + (version == 0 ? 11 : 12)];
                l.packets.push_back({q, version, length, u16(d, q + 4), u32(d, q + 6), (flags & 2) != 0});
                if (length < 12) {
                    return fail("short packet");
                }
                q += length;
            }
            if (!strict) {
                size = static_cast<uint32_t>(q - p);
            }
            if (q != p + size) {
                return fail("DATA size does not match its packets");
            }
        } else if (id == "INDX") {
            if (l.firstIndexOffset == 0) {
                l.firstIndexOffset = p;
            }
            const uint32_t count = u32(d, p + 10);
            const uint16_t stream = u16(d, p + 14);
            if (size != 20 + 14ull * count) {
                return fail("INDX size does not match its records");
            }
            const uint32_t next = u32(d, p + 16);
            if (next != 0 && next != p + size) {
                return fail("INDX next offset wrong");
            }
            for (uint32_t i = 0; i < count; ++i) {
                const uint64_t r = p + 20 + 14ull * i;
                l.index.push_back({stream, u32(d, r + 2), u32(d, r + 6), u32(d, r + 10)});
            }
        }
        p += size;
    }
    if (strict && p != d.size()) {
        return fail("bytes after the last chunk");
    }
    l.ok = true;
    return l;
}

} // namespace rmtest
