// Lays out and writes one RealMedia file from a sequence of opened inputs, optionally cut to a time range.
#pragma once

#include "OutputSink.h"
#include "PacketReader.h"
#include "ProgressMeter.h"
#include "RmError.h"
#include "RmPart.h"

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
// inputs were opened or, for a cut, from a pass over the packet headers in the range; then one pass copies
// the packets byte for byte with new timestamps and collects the index written after them.
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
    // Called once per packet in file order; keep tells whether the packet is part of the output and
    // timestamp is its output time then.
    using Visitor = std::function<RmError(Packet&, size_t stream, bool keep, uint32_t timestamp)>;

    RmError visitPackets(const Visitor& visitor, const std::function<void()>& beforeRefill);
    uint64_t inputBytes() const;
    RmError resolveRange();
    RmError plan();
    void totalsFromScans();
    RmError totalsFromRange();
    void addIndexRecord(StreamTotals& totals, uint32_t timestamp, uint64_t offset);
    RmError copy(OutputSink& sink);
    std::vector<uint8_t> buildHeader() const;
    std::vector<uint8_t> buildIndex() const;
    size_t headerSize() const;

    const WriteRequest& m_request;
    PacketBuffer& m_buffer;
    const RmHeaders& m_first;
    std::vector<uint64_t> m_partOffsets;
    uint64_t m_timelineLength = 0;
    bool m_cutting = false;
    uint64_t m_keyTime = 0; // joined time where the output starts
    uint64_t m_endTime = 0; // joined time where the output ends (exclusive)
    std::vector<bool> m_started;
    std::vector<bool> m_needsKeyframe;

    std::vector<StreamTotals> m_totals;
    uint64_t m_packetCount = 0;
    uint64_t m_dataBytes = 0;
    uint32_t m_duration = 0;
    uint64_t m_dataOffset = 0;
    uint64_t m_indexOffset = 0;

    ProgressMeter m_progress;
    uint64_t m_passes = 0; // passes over the inputs made so far
};

} // namespace rm
