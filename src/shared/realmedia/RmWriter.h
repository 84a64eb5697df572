// Lays out and writes one RealMedia file from a sequence of opened inputs, optionally cut to a time range.
#pragma once

#include "OutputSink.h"
#include "PacketReader.h"
#include "ProgressMeter.h"
#include "RmError.h"
#include "RmPart.h"
#include "VideoPayload.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace rm {

// What to write: the parts in order, the title override and the range. All times in milliseconds on the
// joined timeline (part k starts where part k-1 ends).
struct WriteRequest
{
    std::vector<const RmPart*> parts;
    std::optional<std::string> title;
    std::optional<int64_t> start;
    std::optional<int64_t> end;
    const ProgressCallback* progress = nullptr; // may be null
};

// Header values (counts, sizes, bit rates, durations, offsets) come from the statistics gathered when the
// inputs were opened or, when packets are left out or grow, from a planning pass over the packets; then
// one pass copies the packets byte for byte with new timestamps (in the packet header and, for video
// packets holding several frames, each frame's own) and collects the index written after them.
// Memory: the borrowed packet buffer plus the index records, which are thinned beyond a fixed count.
class RmWriter
{
public:
    // request.parts must hold at least one part; request and buffer must outlive the writer.
    RmWriter(const WriteRequest& request, PacketBuffer& buffer);

    RmError write(OutputSink& sink);

    static constexpr size_t MaxIndexRecords = 1u << 20; // per stream

private:
    struct IndexRecord
    {
        uint32_t timestamp;
        uint32_t offset;
        uint32_t packetNumber;
    };
    struct StreamTotals
    {
        uint64_t packets = 0;
        uint64_t bytes = 0;
        uint32_t maxPacket = 0;
        uint64_t bucket = UINT64_MAX; // current second of the peak-rate measurement
        uint64_t bucketBytes = 0;
        uint64_t peakBytes = 0;
        uint32_t indexSpacing = 1;
        uint64_t written = 0; // packets copied so far
        std::vector<IndexRecord> index;
    };
    // Where one stream and encoding stands in a cut: whether it has started, the frame or interleave
    // block under way, and the reference frames kept (RealVideo 3/4 B-frames need two around them).
    struct Track
    {
        bool started = false;
        bool frameOpen = false;
        bool frameKept = false;
        bool blockKept = false;
        bool ended = false;
        int references = 0;
    };
    struct PacketFacts
    {
        size_t stream = 0;   // output stream
        size_t encoding = 0; // encoding slot within the stream
        bool keep = false;
        uint32_t timestamp = 0; // output time
        int64_t shift = 0;      // output time minus input time, for the frame timestamps in payloads
        bool video = false;
        bool startPoint = false; // a cut may open the stream here (video: keyframe's first slice)
        VideoPacketFacts frame;
    };
    enum class Pass
    {
        Search, // finding the keyframe a cut starts on
        Plan,   // sizes of what a cut or rewrite keeps
        Copy,
    };
    using Visitor = std::function<RmError(Packet&, const PacketFacts&)>;

    RmError visitPackets(Pass pass, const Visitor& visitor, const std::function<void()>& beforeRefill);
    bool decide(const StreamSetup& setup, Track& track, const Packet& packet, const PacketFacts& facts,
                uint64_t joined) const;
    uint64_t inputBytes() const;
    uint64_t partBytes(const RmPart& part) const;
    bool skipPart(Pass pass, size_t part) const;
    // Whether sizes must be measured by a pass even without a cut.
    bool needsPlanningPass() const;
    RmError resolveRange();
    RmError plan();
    void totalsFromScans();
    RmError totalsFromPass();
    void addIndexRecord(StreamTotals& totals, uint32_t timestamp, uint64_t offset);
    RmError copy(OutputSink& sink);
    std::vector<uint8_t> buildHeader() const;
    std::vector<uint8_t> buildIndex() const;
    bool streamHasPackets(size_t stream) const;

    const WriteRequest& m_request;
    PacketBuffer& m_buffer;
    const RmHeaders& m_first;
    std::vector<StreamSetup> m_setups; // of the output streams
    std::vector<uint64_t> m_partOffsets;
    uint64_t m_timelineLength = 0;
    bool m_cutting = false;
    bool m_fromStart = false; // the cut keeps everything from the start of the first input
    uint64_t m_searchTarget = 0;
    uint64_t m_keyTime = 0;                         // joined time where the output starts
    uint64_t m_endTime = 0;                         // joined time where the output ends (exclusive)
    std::vector<std::vector<bool>> m_needsKeyframe; // per output stream and encoding
    std::vector<std::vector<Track>> m_tracks;

    std::vector<StreamTotals> m_totals;
    uint64_t m_packetCount = 0;
    uint64_t m_dataBytes = 0;
    uint64_t m_lastTime = 0; // latest output timestamp kept
    uint32_t m_duration = 0;
    uint64_t m_dataOffset = 0;
    uint64_t m_indexOffset = 0;
    std::vector<uint8_t> m_grown; // a packet whose frame timestamps needed more room

    ProgressMeter m_progress;
    uint64_t m_passes = 0; // passes over the inputs made so far
};

} // namespace rm
