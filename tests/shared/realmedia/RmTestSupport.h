// Helpers for the RealMedia engine tests: child processes, clip generation with ffmpeg, file bytes.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace rmtest {

struct ProcessResult
{
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs a program found on PATH with the given arguments (no shell), waits, and returns its output.
ProcessResult run(const std::vector<std::string>& args);

// A fresh directory under the system temp folder, removed with its contents on destruction.
class TempDir
{
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return m_path; }
    std::string file(const std::string& name) const { return m_path + "/" + name; }
    std::vector<std::string> entries() const;

private:
    std::string m_path;
};

std::vector<uint8_t> readBytes(const std::string& path);
void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes);

// Kinds of generated clips.
enum class ClipKind
{
    Rv20Ac3,      // 160x120 RealVideo 2 + AC-3
    Rv10Real144,  // 176x144 RealVideo 1 + RealAudio 1.0 (14.4)
    Rv20Ac3Large, // 320x240: same codecs, other frame size
    Real144Only,  // audio only
    Ac3Only,      // audio only
    Rv20Video,    // 160x120 RealVideo 2, no sound
};

// Path of a clip of the given kind and length (milliseconds) with the given title, generated once per
// test process into a shared temporary folder. keyframeInterval is the video GOP length in frames.
std::string clip(ClipKind kind, int durationMs, const std::string& title = "", int keyframeInterval = 12);

// ffprobe views of a file.
struct ProbedPacket
{
    std::string codecType;
    int streamIndex = 0;
    double pts = 0;
    bool keyframe = false;
};
double probeDuration(const std::string& path);
std::string probeTitle(const std::string& path);
std::vector<ProbedPacket> probePackets(const std::string& path);
// Text ffmpeg prints at error level when decoding the whole file; empty when it decodes cleanly.
std::string decodeErrors(const std::string& path);

// Independent reader of a written file's layout, used to check recomputed header values.
struct Layout
{
    struct Packet
    {
        uint64_t offset;
        uint16_t version;
        uint16_t length;
        uint16_t stream;
        uint32_t timestamp;
        bool keyframe;
    };
    struct IndexRecord
    {
        uint16_t stream;
        uint32_t timestamp;
        uint32_t offset;
        uint32_t packetNumber;
    };
    bool ok = false;
    std::string problem;
    uint32_t headerCount = 0;
    uint32_t propPackets = 0;
    uint32_t propDuration = 0;
    uint32_t propIndexOffset = 0;
    uint32_t propDataOffset = 0;
    uint16_t propStreams = 0;
    uint64_t dataOffset = 0;
    uint32_t dataPackets = 0;
    uint64_t firstIndexOffset = 0;
    size_t chunkCount = 0;
    std::vector<std::string> mimeTypes;
    std::vector<std::vector<uint8_t>> typeSpecific;
    std::string title;
    std::vector<Packet> packets;
    std::vector<IndexRecord> index;
};
// strict: sizes must add up exactly (files this engine wrote); otherwise tolerate ffmpeg's overstated
// DATA size and its zero trailer.
Layout readLayout(const std::string& path, bool strict = true);

} // namespace rmtest
