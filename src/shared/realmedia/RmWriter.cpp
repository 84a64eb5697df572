#include "RmWriter.h"

#include "BigEndian.h"
#include "LogicalStream.h"
#include "TimestampUnwrapper.h"

#include <algorithm>

namespace rm {

namespace {

constexpr uint32_t DataHeaderSize = 18;
constexpr uint32_t IndexHeaderSize = 20;
constexpr uint32_t IndexRecordSize = 14;
constexpr uint32_t NonVideoIndexSpacing = 1000;
constexpr int BidirectionalPicture = 3;
// Streams are interleaved roughly in time order; a packet this far past the times a pass looks for means
// the rest of the input holds nothing for it.
constexpr uint64_t InterleaveSkew = 15000;

uint32_t clampU32(uint64_t v)
{
    return static_cast<uint32_t>(std::min<uint64_t>(v, UINT32_MAX));
}

} // namespace

RmWriter::RmWriter(const WriteRequest& request, PacketBuffer& buffer)
    : m_request(request), m_buffer(buffer), m_first(request.parts.front()->headers()),
      m_setups(request.parts.front()->setups()), m_progress(request.progress)
{}

bool RmWriter::needsPlanningPass() const
{
    for (const RmPart* part : m_request.parts) {
        if (part->truncated()) {
            return true; // units the end cut short are left out
        }
        for (size_t i = 0; i < part->streamScans().size(); ++i) {
            const StreamScan& scan = part->streamScans()[i];
            // Frame timestamps may need more room; packets of unwritten streams are left out.
            if (scan.frameTimes || (part->streamMap()[i] < 0 && scan.packetCount > 0)) {
                return true;
            }
        }
    }
    return false;
}

uint64_t RmWriter::partBytes(const RmPart& part) const
{
    return part.file().size() - std::min(part.file().size(), part.headers().dataOffset);
}

uint64_t RmWriter::inputBytes() const
{
    uint64_t total = 0;
    for (const RmPart* part : m_request.parts) {
        total += partBytes(*part);
    }
    return total;
}

bool RmWriter::streamHasPackets(size_t stream) const
{
    for (const RmPart* part : m_request.parts) {
        for (size_t i = 0; i < part->streamMap().size(); ++i) {
            if (part->streamMap()[i] == static_cast<int>(stream) &&
                part->streamScans()[i].usablePackets > 0) {
                return true;
            }
        }
    }
    return false;
}

bool RmWriter::skipPart(Pass pass, size_t p) const
{
    const uint64_t begin = m_partOffsets[p];
    const uint64_t end = begin + m_request.parts[p]->duration();
    if (pass == Pass::Search) {
        return begin > m_searchTarget;
    }
    // Parts wholly before the kept range or after it contribute nothing to a cut.
    return m_cutting && (begin >= m_endTime || (!m_fromStart && end <= m_keyTime));
}

bool RmWriter::decide(const StreamSetup& setup, Track& t, const Packet& packet, const PacketFacts& facts,
                      uint64_t joined) const
{
    const bool inRange = m_fromStart || joined >= m_keyTime;
    const bool beforeEnd = joined < m_endTime;
    const bool needsKeyframe = m_needsKeyframe[facts.stream][facts.encoding];
    if (setup.kind == StreamKind::Video) {
        if (facts.frame.valid && !facts.frame.startsFrame) {
            return t.frameOpen && t.frameKept; // a slice goes with the rest of its frame
        }
        const bool bidirectional = facts.frame.pictureType == BidirectionalPicture;
        bool keep = false;
        if (!t.started) {
            keep = beforeEnd && inRange &&
                   (m_fromStart || ((facts.startPoint || !needsKeyframe) && !bidirectional));
            if (keep) {
                t.started = true;
                // B-frames refer to the reference frames around them; right after the opening keyframe
                // they refer to frames before it, which are not kept.
                t.references = m_fromStart ? 2 : 1;
            }
        } else if (bidirectional) {
            keep = beforeEnd && !t.ended && t.references >= 2;
        } else {
            keep = beforeEnd && !t.ended;
            if (keep) {
                ++t.references;
            } else {
                t.ended = true; // later B-frames would refer to this dropped frame
            }
        }
        return keep;
    }
    if (setup.blockHeight > 1) {
        if (!packet.keyframe) {
            return t.blockKept; // a packet goes with the rest of its interleave block
        }
        bool keep = false;
        if (!t.started) {
            keep = beforeEnd && inRange;
            t.started = keep;
        } else {
            keep = beforeEnd && !t.ended;
            t.ended = !keep;
        }
        t.blockKept = keep;
        return keep;
    }
    if (!t.started) {
        t.started = beforeEnd && inRange && (m_fromStart || facts.startPoint || !needsKeyframe);
        return t.started;
    }
    return beforeEnd;
}

RmError RmWriter::visitPackets(Pass pass, const Visitor& visitor, const std::function<void()>& beforeRefill)
{
    const bool cutting = m_cutting && pass != Pass::Search;
    for (auto& tracks : m_tracks) {
        std::fill(tracks.begin(), tracks.end(), Track{});
    }
    std::vector<uint64_t> local;
    uint64_t progressBase = m_passes++ * inputBytes();
    for (size_t p = 0; p < m_request.parts.size(); ++p) {
        const RmPart& part = *m_request.parts[p];
        const RmHeaders& headers = part.headers();
        const auto& scans = part.streamScans();
        if (skipPart(pass, p)) {
            progressBase += partBytes(part);
            continue;
        }
        local.assign(headers.streams.size(), 0);
        for (auto& tracks : m_tracks) {
            for (Track& t : tracks) {
                t.frameOpen = false; // frames and blocks never run on into the next input
                t.blockKept = m_fromStart && p == 0;
            }
        }
        // Only the copy needs whole packets; the other passes look at their headers.
        PacketReader reader(part.file(), headers.dataOffset, m_buffer, pass != Pass::Copy);
        reader.setStopAtTruncation(part.truncated());
        if (beforeRefill) {
            reader.setBeforeRefill(beforeRefill);
        }
        TimestampUnwrapper unwrapper;
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
            const uint64_t number = local[s]++;
            if (number >= scan.packetCount) {
                return RmError::InputChanged;
            }
            const uint64_t time = unwrapper.unwrap(packet.timestamp);
            const int target = part.streamMap()[s];
            if (target < 0 || number >= scan.usablePackets) {
                continue; // not written: a file-info stream's packets, or a unit the file's end cut short
            }
            PacketFacts facts;
            facts.stream = static_cast<size_t>(target);
            const StreamSetup& setup = part.setups()[s];
            facts.encoding = std::min(setup.encodingOf(packet.version, packet.rule),
                                      m_setups[facts.stream].encodingSlots() - 1);
            facts.video = setup.kind == StreamKind::Video;
            if (facts.video) {
                facts.frame = readVideoPayload(packet.payload(), packet.payloadSize(),
                                               packet.available - packet.headerSize(), setup.realVideo);
                // Frame timestamps are rewritten (and their growth measured) on whole payloads.
                if (facts.frame.needsMore ||
                    (facts.frame.frameTimes > 0 && packet.available < packet.length)) {
                    if (RmError e = reader.loadWhole(packet); e != RmError::Ok) {
                        return e;
                    }
                    facts.frame = readVideoPayload(packet.payload(), packet.payloadSize(),
                                                   packet.payloadSize(), setup.realVideo);
                }
            }
            facts.startPoint =
                packet.keyframe && (!facts.video || !facts.frame.valid || facts.frame.startsFrame);

            uint64_t relative;
            if (scan.timestampsAdvance) {
                relative = time >= part.startTime() ? time - part.startTime() : 0;
            } else {
                relative = number * part.duration() / scan.packetCount;
            }
            const uint64_t joined = m_partOffsets[p] + relative;
            const uint64_t lookedFor = pass == Pass::Search ? m_searchTarget
                                       : cutting            ? m_endTime
                                                            : UINT64_MAX;
            if (lookedFor < UINT64_MAX - InterleaveSkew && joined > lookedFor + InterleaveSkew) {
                break;
            }
            facts.keep = true;
            uint64_t out = joined;
            if (cutting) {
                facts.keep = decide(setup, m_tracks[facts.stream][facts.encoding], packet, facts, joined);
                out = joined - std::min(joined, m_keyTime);
            }
            if (facts.video) {
                Track& t = m_tracks[facts.stream][facts.encoding];
                if (facts.frame.valid && facts.frame.startsFrame) {
                    t.frameKept = facts.keep;
                }
                t.frameOpen = facts.frame.valid && facts.frame.endsOpen;
            }
            if (facts.keep && out > UINT32_MAX) {
                return RmError::TimestampOverflow;
            }
            facts.timestamp = static_cast<uint32_t>(out);
            facts.shift = static_cast<int64_t>(out) - static_cast<int64_t>(time);
            if (RmError e = visitor(packet, facts); e != RmError::Ok) {
                return e;
            }
            if (!m_progress.advanceTo(progressBase + reader.position() - headers.dataOffset)) {
                return RmError::Cancelled;
            }
        }
        if (beforeRefill) {
            beforeRefill();
        }
        progressBase += partBytes(part);
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
    m_cutting = true;

    const size_t streamCount = m_first.streams.size();
    std::vector<uint64_t> counts(streamCount, 0), keyframes(streamCount, 0);
    for (size_t s = 0; s < streamCount; ++s) {
        m_needsKeyframe[s].assign(m_setups[s].encodingSlots(), false);
    }
    for (const RmPart* part : m_request.parts) {
        for (size_t i = 0; i < part->streamMap().size(); ++i) {
            const int s = part->streamMap()[i];
            if (s < 0) {
                continue;
            }
            const StreamScan& scan = part->streamScans()[i];
            counts[static_cast<size_t>(s)] += scan.usablePackets;
            keyframes[static_cast<size_t>(s)] += scan.keyframeCount;
            for (size_t e = 0; e < scan.keyframesPerEncoding.size(); ++e) {
                if (scan.keyframesPerEncoding[e] > 0) {
                    auto& needs = m_needsKeyframe[static_cast<size_t>(s)];
                    needs[std::min(e, needs.size() - 1)] = true;
                }
            }
        }
    }
    // A cut from the very start keeps every packet from there, sound before the first video keyframe
    // included.
    if (start == 0) {
        m_fromStart = true;
        m_keyTime = 0;
        return RmError::Ok;
    }

    // Otherwise the output starts at the last keyframe of the reference stream (the first video stream,
    // else the first audio stream, else the first stream with packets) at or before the start position.
    int reference = -1;
    for (StreamKind wanted : {StreamKind::Video, StreamKind::Audio}) {
        for (size_t s = 0; s < streamCount && reference < 0; ++s) {
            if (counts[s] > 0 && m_setups[s].kind == wanted) {
                reference = static_cast<int>(s);
            }
        }
    }
    for (size_t s = 0; s < streamCount && reference < 0; ++s) {
        if (counts[s] > 0) {
            reference = static_cast<int>(s);
        }
    }
    if (reference < 0 || keyframes[static_cast<size_t>(reference)] == 0) {
        return RmError::NoKeyframe;
    }
    const auto ref = static_cast<size_t>(reference);
    // Each encoding of the reference stream has its last keyframe at or before the target; the output
    // starts at the earliest of them, so every encoding (which opens on its first keyframe from there)
    // covers the start.
    std::vector<std::optional<uint64_t>> lastPerEncoding(m_setups[ref].encodingSlots());
    std::optional<uint64_t> after;
    const auto target = static_cast<uint64_t>(start);
    // Parts that begin after the target need not be read.
    m_searchTarget = target;
    RmError e = visitPackets(Pass::Search,
                             [&](Packet&, const PacketFacts& f) {
                                 const bool usable =
                                     f.startPoint && f.frame.pictureType != BidirectionalPicture;
                                 if (f.stream == ref && usable) {
                                     if (f.timestamp <= target) {
                                         auto& last = lastPerEncoding[f.encoding];
                                         last = std::max<uint64_t>(last.value_or(0), f.timestamp);
                                     } else {
                                         after = std::min<uint64_t>(after.value_or(UINT64_MAX), f.timestamp);
                                     }
                                 }
                                 return RmError::Ok;
                             },
                             {});
    if (e != RmError::Ok) {
        return e;
    }
    std::optional<uint64_t> atOrBefore;
    for (const auto& last : lastPerEncoding) {
        if (last) {
            atOrBefore = std::min<uint64_t>(atOrBefore.value_or(UINT64_MAX), *last);
        }
    }
    if (atOrBefore) {
        m_keyTime = *atOrBefore;
    } else if (!after) {
        // No keyframe up to the target in the parts read; look further.
        m_searchTarget = UINT64_MAX;
        e = visitPackets(Pass::Search,
                         [&](Packet&, const PacketFacts& f) {
                             if (f.stream == ref && f.startPoint &&
                                 f.frame.pictureType != BidirectionalPicture && f.timestamp > target) {
                                 after = std::min<uint64_t>(after.value_or(UINT64_MAX), f.timestamp);
                             }
                             return RmError::Ok;
                         },
                         {});
        if (e != RmError::Ok) {
            return e;
        }
    }
    if (!atOrBefore) {
        if (after && *after < m_endTime) {
            m_keyTime = *after; // the clip does not open on a keyframe: start at its first one
        } else {
            return RmError::NoKeyframe;
        }
    }
    return RmError::Ok;
}

void RmWriter::totalsFromScans()
{
    for (const RmPart* part : m_request.parts) {
        for (size_t i = 0; i < part->streamMap().size(); ++i) {
            const int s = part->streamMap()[i];
            if (s < 0) {
                continue;
            }
            const StreamScan& scan = part->streamScans()[i];
            StreamTotals& t = m_totals[static_cast<size_t>(s)];
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

RmError RmWriter::totalsFromPass()
{
    return visitPackets(Pass::Plan,
                        [&](Packet& packet, const PacketFacts& f) {
                            if (!f.keep) {
                                return RmError::Ok;
                            }
                            uint64_t length = packet.length;
                            if (f.video && f.frame.frameTimes > 0) {
                                length += frameTimeGrowth(packet.payload(), packet.payloadSize(), f.shift);
                                if (length > UINT16_MAX) {
                                    return RmError::PacketTooLarge;
                                }
                            }
                            m_lastTime = std::max<uint64_t>(m_lastTime, f.timestamp);
                            StreamTotals& t = m_totals[f.stream];
                            ++t.packets;
                            t.bytes += length;
                            t.maxPacket = std::max<uint32_t>(t.maxPacket, static_cast<uint32_t>(length));
                            const uint64_t bucket = f.timestamp / 1000;
                            if (bucket != t.bucket) {
                                t.bucket = bucket;
                                t.bucketBytes = 0;
                            }
                            t.bucketBytes += length;
                            t.peakBytes = std::max(t.peakBytes, t.bucketBytes);
                            ++m_packetCount;
                            m_dataBytes += length;
                            return RmError::Ok;
                        },
                        {});
}

RmError RmWriter::plan()
{
    const size_t streamCount = m_first.streams.size();
    m_totals.assign(streamCount, StreamTotals{});
    for (size_t s = 0; s < streamCount; ++s) {
        m_totals[s].indexSpacing = m_setups[s].kind == StreamKind::Video ? 1 : NonVideoIndexSpacing;
    }
    m_packetCount = 0;
    m_dataBytes = 0;
    m_lastTime = 0;
    // The header's size does not depend on the figures in it.
    m_dataOffset = 0;
    m_duration = 1;
    m_dataOffset = buildHeader().size() - DataHeaderSize;

    // Statistics from opening suffice unless packets are left out or grow.
    const bool needsPass = m_cutting || needsPlanningPass();
    if (needsPass) {
        if (RmError e = totalsFromPass(); e != RmError::Ok) {
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
    // A cut ends where asked, or later when it keeps a whole frame or interleave block that runs past
    // the end.
    const uint64_t duration = m_cutting ? std::max(m_endTime - m_keyTime, m_lastTime + 1) : m_timelineLength;
    m_duration = static_cast<uint32_t>(std::clamp<uint64_t>(duration, 1, UINT32_MAX));
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
    appendU32(out, m_packetCount > 0 ? static_cast<uint32_t>(m_dataBytes / m_packetCount) : 0);
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
        const StreamKind kind = m_setups[s].kind;
        const size_t at = out.size();
        if (kind == StreamKind::FileInfo || kind == StreamKind::Logical) {
            // Logical streams store where the data lies, and the file-info stream the title: both
            // describe this output now.
            const auto dataOffset = static_cast<uint32_t>(m_dataOffset);
            const std::string* newTitle =
                kind == StreamKind::FileInfo && m_request.title ? &*m_request.title : nullptr;
            const auto data = rewriteLogical(
                m.typeSpecificData, [dataOffset](uint32_t) { return dataOffset; }, newTitle);
            const auto chunk = replaceTypeSpecificData(m.raw, data);
            out.insert(out.end(), chunk.begin(), chunk.end());
        } else {
            out.insert(out.end(), m.raw.begin(), m.raw.end());
        }
        if (!streamHasPackets(s)) {
            continue; // a stream without packets (such as logical-fileinfo) keeps its figures
        }
        const StreamTotals& t = m_totals[s];
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
        Pass::Copy,
        [&](Packet& packet, const PacketFacts& f) {
            if (failed) {
                return sink.error();
            }
            if (!f.keep) {
                flush();
                return RmError::Ok;
            }
            writeU32(packet.bytes + Packet::TimestampOffset, f.timestamp);
            writeU16(packet.bytes + Packet::StreamNumberOffset, m_first.streams[f.stream].streamNumber);
            m_grown.clear();
            if (f.video && f.frame.frameTimes > 0) {
                shiftFrameTimes(packet.payload(), packet.payloadSize(), f.shift, m_grown);
            }
            size_t length = packet.length;
            if (!m_grown.empty()) {
                // The packet grew: write it from its own buffer.
                length = packet.headerSize() + m_grown.size();
                if (length > UINT16_MAX) {
                    return RmError::PacketTooLarge;
                }
                flush();
                writeU16(packet.bytes + 2, static_cast<uint16_t>(length));
                failed = !sink.write(packet.bytes, packet.headerSize()) ||
                         !sink.write(m_grown.data(), m_grown.size());
            } else if (runLength > 0 && runStart + runLength == packet.bytes) {
                runLength += packet.length;
            } else {
                flush();
                runStart = packet.bytes;
                runLength = packet.length;
            }
            if (f.startPoint) {
                addIndexRecord(m_totals[f.stream], f.timestamp, m_dataOffset + DataHeaderSize + bytes);
            }
            ++m_totals[f.stream].written;
            ++packets;
            bytes += length;
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
    const size_t streamCount = m_first.streams.size();
    m_needsKeyframe.assign(streamCount, {});
    m_tracks.assign(streamCount, {});
    for (size_t s = 0; s < streamCount; ++s) {
        m_needsKeyframe[s].assign(m_setups[s].encodingSlots(), false);
        m_tracks[s].assign(m_setups[s].encodingSlots(), Track{});
    }
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
    m_cutting = false;
    m_fromStart = false;
    m_keyTime = 0;
    m_endTime = m_timelineLength;
    m_passes = 0;
    // Passes over the inputs: a keyframe search for a cut that does not start at 0, a planning pass when
    // packets are left out or grow (decided in plan(); counted here whenever it may happen), the copy.
    const bool cut = m_request.start || m_request.end;
    const bool search = cut && m_request.start.value_or(0) != 0;
    const bool planning = cut || needsPlanningPass();
    m_progress.setTotal((1 + (search ? 1 : 0) + (planning ? 1 : 0)) * inputBytes());
    if (!m_progress.advanceTo(0)) {
        return RmError::Cancelled;
    }
    if (cut) {
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
