#include "RmWriter.h"

#include "BigEndian.h"

#include <algorithm>

namespace rm {

namespace {

constexpr uint32_t DataHeaderSize = 18;
constexpr uint32_t IndexHeaderSize = 20;
constexpr uint32_t IndexRecordSize = 14;
constexpr uint32_t NonVideoIndexSpacing = 1000;

bool isVideo(const MediaProperties& m)
{
    return m.mimeType.rfind("video/", 0) == 0;
}

bool isAudio(const MediaProperties& m)
{
    return m.mimeType.rfind("audio/", 0) == 0;
}

uint32_t clampU32(uint64_t v)
{
    return static_cast<uint32_t>(std::min<uint64_t>(v, UINT32_MAX));
}

} // namespace

RmWriter::RmWriter(const WriteRequest& request, PacketBuffer& buffer)
    : m_request(request), m_buffer(buffer), m_first(request.parts.front()->headers()),
      m_progress(request.progress)
{}

uint64_t RmWriter::inputBytes() const
{
    uint64_t total = 0;
    for (const RmPart* part : m_request.parts) {
        total += part->file().size() - std::min(part->file().size(), part->headers().dataOffset);
    }
    return total;
}

RmError RmWriter::visitPackets(const Visitor& visitor, const std::function<void()>& beforeRefill)
{
    const size_t streamCount = m_first.streams.size();
    std::fill(m_started.begin(), m_started.end(), false);
    std::vector<uint64_t> local(streamCount);
    uint64_t progressBase = m_passes++ * inputBytes();
    for (size_t p = 0; p < m_request.parts.size(); ++p) {
        const RmPart& part = *m_request.parts[p];
        const RmHeaders& headers = part.headers();
        const auto& scans = part.streamScans();
        std::fill(local.begin(), local.end(), 0);
        // Passes without a refill hook only plan, and look at packet headers alone.
        PacketReader reader(part.file(), headers.dataOffset, m_buffer, !beforeRefill);
        if (beforeRefill) {
            reader.setBeforeRefill(beforeRefill);
        }
        Packet packet;
        bool done = false;
        while (true) {
            if (RmError e = reader.next(packet, done); e != RmError::Ok) {
                return e;
            }
            if (done) {
                break;
            }
            const int found = headers.streamIndex(packet.streamNumber);
            if (found < 0) {
                return RmError::InputChanged;
            }
            const auto s = static_cast<size_t>(found);
            const StreamScan& scan = scans[s];
            if (local[s] >= scan.packetCount) {
                return RmError::InputChanged;
            }
            uint64_t relative;
            if (scan.timestampsAdvance) {
                relative = packet.timestamp >= part.startTime() ? packet.timestamp - part.startTime() : 0;
            } else {
                relative = local[s] * part.duration() / scan.packetCount;
            }
            ++local[s];
            const uint64_t joined = m_partOffsets[p] + relative;
            bool keep = true;
            uint64_t out = joined;
            if (m_cutting) {
                keep = joined >= m_keyTime && joined < m_endTime;
                if (keep && !m_started[s]) {
                    keep = packet.keyframe || !m_needsKeyframe[s];
                    m_started[s] = keep;
                }
                out = joined - std::min(joined, m_keyTime);
            }
            if (out > UINT32_MAX) {
                return RmError::TimestampOverflow;
            }
            if (RmError e = visitor(packet, s, keep, static_cast<uint32_t>(out)); e != RmError::Ok) {
                return e;
            }
            if (!m_progress.advanceTo(progressBase + reader.position() - headers.dataOffset)) {
                return RmError::Cancelled;
            }
        }
        if (beforeRefill) {
            beforeRefill();
        }
        progressBase += part.file().size() - std::min(part.file().size(), headers.dataOffset);
    }
    return RmError::Ok;
}

RmError RmWriter::resolveRange()
{
    const int64_t start = m_request.start.value_or(0);
    const int64_t end = m_request.end.value_or(static_cast<int64_t>(m_timelineLength));
    if (start < 0 || static_cast<uint64_t>(start) >= m_timelineLength) {
        return RmError::RangeOutsideClip;
    }
    if (end < start) {
        return RmError::EndBeforeStart;
    }
    if (end == start) {
        return RmError::EmptyRange;
    }
    m_endTime = std::min<uint64_t>(static_cast<uint64_t>(end), m_timelineLength);

    // The output starts at the last keyframe of the reference stream (the first video stream, else the
    // first audio stream, else the first stream with packets) at or before the start position.
    const size_t streamCount = m_first.streams.size();
    std::vector<uint64_t> counts(streamCount, 0), keyframes(streamCount, 0);
    for (const RmPart* part : m_request.parts) {
        for (size_t s = 0; s < streamCount; ++s) {
            counts[s] += part->streamScans()[s].packetCount;
            keyframes[s] += part->streamScans()[s].keyframeCount;
        }
    }
    int reference = -1;
    for (auto wanted : {isVideo, isAudio}) {
        for (size_t s = 0; s < streamCount && reference < 0; ++s) {
            if (counts[s] > 0 && wanted(m_first.streams[s])) {
                reference = static_cast<int>(s);
            }
        }
    }
    for (size_t s = 0; s < streamCount && reference < 0; ++s) {
        if (counts[s] > 0) {
            reference = static_cast<int>(s);
        }
    }
    const auto ref = static_cast<size_t>(reference);
    if (keyframes[ref] == 0) {
        return RmError::NoKeyframe;
    }
    m_needsKeyframe.assign(streamCount, false);
    for (size_t s = 0; s < streamCount; ++s) {
        m_needsKeyframe[s] = keyframes[s] > 0;
    }

    std::optional<uint64_t> atOrBefore;
    std::optional<uint64_t> after;
    const auto target = static_cast<uint64_t>(start);
    RmError e = visitPackets(
        [&](Packet& packet, size_t s, bool, uint32_t timestamp) {
            if (s == ref && packet.keyframe) {
                if (timestamp <= target) {
                    atOrBefore = std::max<uint64_t>(atOrBefore.value_or(0), timestamp);
                } else {
                    after = std::min<uint64_t>(after.value_or(UINT64_MAX), timestamp);
                }
            }
            return RmError::Ok;
        },
        {});
    if (e != RmError::Ok) {
        return e;
    }
    if (atOrBefore) {
        m_keyTime = *atOrBefore;
    } else if (after && *after < m_endTime) {
        m_keyTime = *after; // the clip does not open on a keyframe: start at its first one
    } else {
        return RmError::NoKeyframe;
    }
    m_cutting = true;
    return RmError::Ok;
}

size_t RmWriter::headerSize() const
{
    size_t size = 18 + RmHeaders::PropChunkSize;
    const ContentDescription& c = m_first.content;
    const std::string& title = m_request.title ? *m_request.title : c.title;
    size += 10 + 8 + title.size() + c.author.size() + c.copyright.size() + c.comment.size();
    for (const MediaProperties& m : m_first.streams) {
        size += m.raw.size();
    }
    return size;
}

void RmWriter::totalsFromScans()
{
    for (const RmPart* part : m_request.parts) {
        for (size_t s = 0; s < m_totals.size(); ++s) {
            const StreamScan& scan = part->streamScans()[s];
            StreamTotals& t = m_totals[s];
            t.packets += scan.packetCount;
            t.bytes += scan.bytes;
            t.maxPacket = std::max(t.maxPacket, scan.maxPacket);
            t.peakBytes = std::max(t.peakBytes, scan.peakBytesPerSecond);
            m_packetCount += scan.packetCount;
            m_dataBytes += scan.bytes;
        }
    }
}

void RmWriter::addIndexRecord(StreamTotals& t, uint32_t timestamp, uint64_t offset)
{
    if (!t.index.empty() && timestamp < uint64_t(t.index.back().timestamp) + t.indexSpacing) {
        return;
    }
    t.index.push_back({timestamp, static_cast<uint32_t>(offset), clampU32(t.written)});
    if (t.index.size() >= MaxIndexRecords) {
        // Keep every other record and space later ones twice as far apart.
        size_t kept = 0;
        for (size_t i = 0; i < t.index.size(); i += 2) {
            t.index[kept++] = t.index[i];
        }
        t.index.resize(kept);
        t.indexSpacing = std::max<uint32_t>(t.indexSpacing * 2, 2);
    }
}

RmError RmWriter::totalsFromRange()
{
    return visitPackets(
        [&](Packet& packet, size_t s, bool keep, uint32_t timestamp) {
            if (!keep) {
                return RmError::Ok;
            }
            StreamTotals& t = m_totals[s];
            ++t.packets;
            t.bytes += packet.length;
            t.maxPacket = std::max<uint32_t>(t.maxPacket, packet.length);
            const uint64_t bucket = timestamp / 1000;
            if (bucket != t.bucket) {
                t.bucket = bucket;
                t.bucketBytes = 0;
            }
            t.bucketBytes += packet.length;
            t.peakBytes = std::max(t.peakBytes, t.bucketBytes);
            ++m_packetCount;
            m_dataBytes += packet.length;
            return RmError::Ok;
        },
        {});
}

RmError RmWriter::plan()
{
    const size_t streamCount = m_first.streams.size();
    m_totals.assign(streamCount, StreamTotals{});
    for (size_t s = 0; s < streamCount; ++s) {
        m_totals[s].indexSpacing = isVideo(m_first.streams[s]) ? 1 : NonVideoIndexSpacing;
    }
    m_packetCount = 0;
    m_dataBytes = 0;
    m_dataOffset = headerSize();
    if (m_cutting) {
        if (RmError e = totalsFromRange(); e != RmError::Ok) {
            return e;
        }
    } else {
        totalsFromScans();
    }
    if (m_packetCount == 0) {
        return RmError::NoPackets;
    }
    if (m_packetCount > UINT32_MAX) {
        return RmError::OutputTooLarge;
    }
    m_indexOffset = m_dataOffset + DataHeaderSize + m_dataBytes;
    if (m_indexOffset > UINT32_MAX) {
        return RmError::OutputTooLarge;
    }
    const uint64_t duration = m_cutting ? m_endTime - m_keyTime : m_timelineLength;
    m_duration = static_cast<uint32_t>(std::max<uint64_t>(duration, 1));
    return RmError::Ok;
}

std::vector<uint8_t> RmWriter::buildHeader() const
{
    std::vector<uint8_t> out;
    out.reserve(m_dataOffset + DataHeaderSize);
    size_t indexChunks = 0;
    uint64_t averageSum = 0;
    uint64_t maxSum = 0;
    uint32_t largest = 0;
    for (const StreamTotals& t : m_totals) {
        if (t.packets > 0) {
            ++indexChunks;
        }
        const uint64_t average = t.bytes * 8 * 1000 / m_duration;
        averageSum += average;
        maxSum += std::max(t.peakBytes * 8, average);
        largest = std::max(largest, t.maxPacket);
    }

    out.insert(out.end(), {'.', 'R', 'M', 'F'});
    appendU32(out, 18);
    appendU16(out, 0);
    appendU32(out, 0);
    appendU32(out, static_cast<uint32_t>(3 + m_first.streams.size() + indexChunks));

    out.insert(out.end(), {'P', 'R', 'O', 'P'});
    appendU32(out, RmHeaders::PropChunkSize);
    appendU16(out, 0);
    appendU32(out, clampU32(maxSum));
    appendU32(out, clampU32(averageSum));
    appendU32(out, largest);
    appendU32(out, static_cast<uint32_t>(m_dataBytes / m_packetCount));
    appendU32(out, static_cast<uint32_t>(m_packetCount));
    appendU32(out, m_duration);
    appendU32(out, m_first.propPreroll);
    appendU32(out, indexChunks > 0 ? static_cast<uint32_t>(m_indexOffset) : 0);
    appendU32(out, static_cast<uint32_t>(m_dataOffset));
    appendU16(out, static_cast<uint16_t>(m_first.streams.size()));
    appendU16(out, m_first.propFlags);

    const ContentDescription& c = m_first.content;
    const std::string& title = m_request.title ? *m_request.title : c.title;
    out.insert(out.end(), {'C', 'O', 'N', 'T'});
    appendU32(out, static_cast<uint32_t>(18 + title.size() + c.author.size() + c.copyright.size() +
                                         c.comment.size()));
    appendU16(out, 0);
    for (const std::string* text : {&title, &c.author, &c.copyright, &c.comment}) {
        appendU16(out, static_cast<uint16_t>(text->size()));
        out.insert(out.end(), text->begin(), text->end());
    }

    for (size_t s = 0; s < m_first.streams.size(); ++s) {
        const MediaProperties& m = m_first.streams[s];
        const size_t at = out.size();
        out.insert(out.end(), m.raw.begin(), m.raw.end());
        const StreamTotals& t = m_totals[s];
        bool hasPackets = false;
        for (const RmPart* part : m_request.parts) {
            hasPackets = hasPackets || part->streamScans()[s].packetCount > 0;
        }
        if (!hasPackets) {
            continue; // a stream without packets (such as logical-fileinfo) is kept as it was
        }
        const uint64_t average = t.bytes * 8 * 1000 / m_duration;
        uint8_t* p = out.data() + at;
        writeU32(p + 12, clampU32(std::max(t.peakBytes * 8, average)));
        writeU32(p + 16, clampU32(average));
        writeU32(p + 20, t.maxPacket);
        writeU32(p + 24, t.packets > 0 ? static_cast<uint32_t>(t.bytes / t.packets) : 0);
        writeU32(p + 28, 0);
        writeU32(p + 36, t.packets > 0 ? m_duration : 0);
    }

    out.insert(out.end(), {'D', 'A', 'T', 'A'});
    appendU32(out, static_cast<uint32_t>(DataHeaderSize + m_dataBytes));
    appendU16(out, 0);
    appendU32(out, static_cast<uint32_t>(m_packetCount));
    appendU32(out, 0);
    return out;
}

std::vector<uint8_t> RmWriter::buildIndex() const
{
    std::vector<uint8_t> out;
    uint64_t offset = m_indexOffset;
    std::vector<size_t> withPackets;
    for (size_t s = 0; s < m_totals.size(); ++s) {
        if (m_totals[s].packets > 0) {
            withPackets.push_back(s);
        }
    }
    for (size_t i = 0; i < withPackets.size(); ++i) {
        const StreamTotals& t = m_totals[withPackets[i]];
        const uint64_t size = IndexHeaderSize + IndexRecordSize * t.index.size();
        const bool last = i + 1 == withPackets.size();
        out.insert(out.end(), {'I', 'N', 'D', 'X'});
        appendU32(out, static_cast<uint32_t>(size));
        appendU16(out, 0);
        appendU32(out, static_cast<uint32_t>(t.index.size()));
        appendU16(out, m_first.streams[withPackets[i]].streamNumber);
        appendU32(out, last ? 0 : static_cast<uint32_t>(offset + size));
        for (const IndexRecord& r : t.index) {
            appendU16(out, 0);
            appendU32(out, r.timestamp);
            appendU32(out, r.offset);
            appendU32(out, r.packetNumber);
        }
        offset += size;
    }
    return out;
}

RmError RmWriter::copy(OutputSink& sink)
{
    const std::vector<uint8_t> header = buildHeader();
    if (header.size() != m_dataOffset + DataHeaderSize) {
        return RmError::WriteFailed;
    }
    if (!sink.write(header.data(), header.size())) {
        return sink.error();
    }
    uint8_t* runStart = nullptr;
    size_t runLength = 0;
    bool failed = false;
    auto flush = [&] {
        if (runLength > 0 && !failed) {
            failed = !sink.write(runStart, runLength);
        }
        runLength = 0;
    };
    uint64_t packets = 0;
    uint64_t bytes = 0;
    RmError e = visitPackets(
        [&](Packet& packet, size_t s, bool keep, uint32_t timestamp) {
            if (failed) {
                return sink.error();
            }
            if (!keep) {
                flush();
                return RmError::Ok;
            }
            writeU32(packet.bytes + Packet::TimestampOffset, timestamp);
            writeU16(packet.bytes + Packet::StreamNumberOffset, m_first.streams[s].streamNumber);
            if (runLength > 0 && runStart + runLength == packet.bytes) {
                runLength += packet.length;
            } else {
                flush();
                runStart = packet.bytes;
                runLength = packet.length;
            }
            if (packet.keyframe) {
                addIndexRecord(m_totals[s], timestamp, m_dataOffset + DataHeaderSize + bytes);
            }
            ++m_totals[s].written;
            ++packets;
            bytes += packet.length;
            return RmError::Ok;
        },
        flush);
    if (e == RmError::Ok) {
        flush();
    }
    if (failed) {
        return sink.error() == RmError::Ok ? RmError::WriteFailed : sink.error();
    }
    if (e != RmError::Ok) {
        return e;
    }
    if (packets != m_packetCount || bytes != m_dataBytes) {
        return RmError::InputChanged;
    }
    const std::vector<uint8_t> index = buildIndex();
    if (m_indexOffset + index.size() > UINT32_MAX) {
        return RmError::OutputTooLarge;
    }
    if (!index.empty() && !sink.write(index.data(), index.size())) {
        return sink.error();
    }
    return RmError::Ok;
}

RmError RmWriter::write(OutputSink& sink)
{
    if (m_request.title && m_request.title->size() > UINT16_MAX) {
        return RmError::TitleTooLong;
    }
    m_started.assign(m_first.streams.size(), false);
    m_needsKeyframe.assign(m_first.streams.size(), false);
    m_partOffsets.clear();
    uint64_t offset = 0;
    for (const RmPart* part : m_request.parts) {
        m_partOffsets.push_back(offset);
        offset += part->duration();
    }
    m_timelineLength = offset;
    if (m_timelineLength > UINT32_MAX) {
        return RmError::TimestampOverflow;
    }
    m_cutting = m_request.start || m_request.end;
    m_passes = 0;
    // A cut looks at the inputs three times (keyframe search, sizes, copy); a join copies at once.
    m_progress.setTotal((m_cutting ? 3 : 1) * inputBytes());
    if (!m_progress.advanceTo(0)) {
        return RmError::Cancelled;
    }
    m_cutting = false;
    if (m_request.start || m_request.end) {
        if (RmError e = resolveRange(); e != RmError::Ok) {
            return e;
        }
    }
    if (RmError e = plan(); e != RmError::Ok) {
        return e;
    }
    if (RmError e = copy(sink); e != RmError::Ok) {
        return e;
    }
    return m_progress.finish() ? RmError::Ok : RmError::Cancelled;
}

} // namespace rm
