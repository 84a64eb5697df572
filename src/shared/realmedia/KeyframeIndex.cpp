#include "KeyframeIndex.h"

#include "BigEndian.h"
#include "InputFile.h"
#include "PacketBuffer.h"
#include "PacketReader.h"
#include "RmHeaders.h"
#include "StreamSetup.h"
#include "TimestampUnwrapper.h"
#include "VideoPayload.h"

#include <algorithm>
#include <iterator>

namespace rm {

namespace {

constexpr uint64_t None = UINT64_MAX;
constexpr int BidirectionalPicture = 3;
constexpr uint32_t IndexHeaderSize = 20;
constexpr uint32_t IndexRecordSize = 14;
// Packets read from the start of the data to find the file's start time when the index is used.
constexpr int StartPackets = 64;
// A packet header and the first payload bytes, enough for the sub-packet header of most video packets.
constexpr size_t LookSize = 13 + 48;
// Records of a single-rate stream's index checked against their packets (the first, the last and this many
// spread between); each check is a read somewhere in the file.
constexpr uint32_t CheckedRecords = 16;

// One keyframe as found: file time (unwrapped), encoding slot, packet number within its stream.
struct Found
{
    uint64_t time = 0;
    size_t encoding = 0;
    uint64_t number = 0;
};

struct VideoStream
{
    size_t index = 0; // into the headers' streams
    std::vector<Found> keys;
    uint64_t usable = None; // packets from this number on are left out of every cut (a frame cut short)
};

// Whether a packet can open a cut of its video stream: a keyframe's first slice, not a B-frame.
bool opensCut(bool keyframeFlag, const VideoPacketFacts& facts)
{
    return keyframeFlag && (!facts.valid || facts.startsFrame) && facts.pictureType != BidirectionalPicture;
}

uint32_t position(uint64_t time, uint64_t start)
{
    return static_cast<uint32_t>(std::min<uint64_t>(time >= start ? time - start : 0, UINT32_MAX));
}

StreamKeyframes collect(uint16_t number, size_t slots, const VideoStream& stream, uint64_t start)
{
    std::vector<std::vector<uint32_t>> perEncoding(slots);
    for (const Found& k : stream.keys) {
        if (k.number < stream.usable) {
            perEncoding[std::min(k.encoding, slots - 1)].push_back(position(k.time, start));
        }
    }
    StreamKeyframes result;
    result.streamNumber = number;
    for (auto& times : perEncoding) {
        if (times.empty()) {
            continue;
        }
        std::sort(times.begin(), times.end());
        times.erase(std::unique(times.begin(), times.end()), times.end());
        result.encodings.push_back(std::move(times));
    }
    if (!result.encodings.empty()) {
        result.common = result.encodings.front();
        for (size_t e = 1; e < result.encodings.size(); ++e) {
            std::vector<uint32_t> both;
            std::set_intersection(result.common.begin(), result.common.end(), result.encodings[e].begin(),
                                  result.encodings[e].end(), std::back_inserter(both));
            result.common = std::move(both);
        }
    }
    return result;
}

class KeyframeReader
{
public:
    KeyframeReader(KeyframeList& out, const ProgressCallback& progress)
        : m_out(out), m_progress(progress ? &progress : nullptr)
    {}

    RmError read(const std::string& path)
    {
        m_out = KeyframeList{};
        if (RmError e = m_file.open(path); e != RmError::Ok) {
            return e;
        }
        if (RmError e = m_headers.parse(m_file); e != RmError::Ok) {
            return e;
        }
        for (size_t i = 0; i < m_headers.streams.size(); ++i) {
            m_setups.push_back(describeStream(m_headers.streams[i]));
            if (m_setups.back().kind == StreamKind::Video) {
                m_video.push_back(VideoStream{i, {}, None});
            }
        }
        if (m_video.empty()) {
            // Sound only: nothing to look for; whether there are packets shows when the file is cut.
            m_out.audioOnly = true;
            return RmError::Ok;
        }
        if (readIndex()) {
            m_out.fromIndex = true;
            return finish();
        }
        for (VideoStream& v : m_video) {
            v.keys.clear();
        }
        if (RmError e = scan(); e != RmError::Ok) {
            return e;
        }
        return finish();
    }

private:
    RmError finish()
    {
        for (const VideoStream& v : m_video) {
            const MediaProperties& m = m_headers.streams[v.index];
            if (m_out.fromIndex || m_counts[v.index] > 0) {
                m_out.streams.push_back(
                    collect(m.streamNumber, m_setups[v.index].encodingSlots(), v, m_out.startTime));
            }
        }
        return RmError::Ok;
    }

    // The index chunks, when they hold every video stream's keyframes; false to read the packets instead.
    bool readIndex()
    {
        uint64_t offset = m_headers.propIndexOffset;
        if (offset == 0 || !readStartTime()) {
            return false;
        }
        std::vector<bool> seen(m_video.size(), false);
        size_t chunks = 0;
        while (offset != 0) {
            if (++chunks > m_headers.streams.size() + 16 || offset < m_headers.dataOffset) {
                return false;
            }
            uint8_t head[IndexHeaderSize];
            if (m_file.readAt(offset, head, sizeof head) != RmError::Ok || readU32(head) != fourcc("INDX") ||
                readU16(head + 8) != 0) {
                return false;
            }
            const uint32_t size = readU32(head + 4);
            const uint32_t count = readU32(head + 10);
            const uint16_t number = readU16(head + 14);
            const uint32_t next = readU32(head + 16);
            if (size != IndexHeaderSize + uint64_t(IndexRecordSize) * count ||
                (next != 0 && next <= offset)) {
                return false;
            }
            const int stream = m_headers.streamIndex(number);
            for (size_t v = 0; v < m_video.size(); ++v) {
                if (stream >= 0 && m_video[v].index == static_cast<size_t>(stream)) {
                    if (seen[v] || count == 0 || !readRecords(m_video[v], offset + IndexHeaderSize, count)) {
                        return false;
                    }
                    seen[v] = true;
                }
            }
            offset = next;
        }
        return std::find(seen.begin(), seen.end(), false) == seen.end();
    }

    // Takes the records as keyframes after checking them against the packets they point at: every record
    // of a multi-rate stream (the packet tells its encoding), a spread of them otherwise.
    bool readRecords(VideoStream& stream, uint64_t at, uint32_t count)
    {
        std::vector<uint8_t> records(size_t(count) * IndexRecordSize);
        if (m_file.readAt(at, records.data(), records.size()) != RmError::Ok) {
            return false;
        }
        const StreamSetup& setup = m_setups[stream.index];
        const uint32_t stride =
            setup.ruleEncodings.empty() ? std::max<uint32_t>(count / CheckedRecords, 1) : 1;
        const uint64_t dataStart = m_headers.dataOffset + 18;
        uint64_t previousOffset = 0;
        uint64_t previousTime = 0;
        // The records' times go on the packets' timeline, which starts near the first packet's time.
        TimestampUnwrapper unwrapper;
        unwrapper.unwrap(m_firstTimestamp);
        for (uint32_t r = 0; r < count; ++r) {
            const uint8_t* record = records.data() + size_t(r) * IndexRecordSize;
            const uint32_t timestamp = readU32(record + 2);
            const uint32_t offset = readU32(record + 6);
            const uint64_t time = unwrapper.unwrap(timestamp);
            if (readU16(record) != 0 || offset < dataStart || offset >= m_file.size() ||
                (r > 0 && (offset <= previousOffset || time < previousTime))) {
                return false;
            }
            previousOffset = offset;
            previousTime = time;
            size_t encoding = 0;
            if ((r % stride == 0 || r + 1 == count) && !checkRecord(stream, offset, timestamp, encoding)) {
                return false;
            }
            stream.keys.push_back(Found{time, encoding, r});
        }
        return true;
    }

    // Whether the packet at offset is a keyframe of the stream at this time that a cut can open on; sets
    // its encoding.
    bool checkRecord(const VideoStream& stream, uint64_t offset, uint32_t timestamp, size_t& encoding)
    {
        const StreamSetup& setup = m_setups[stream.index];
        m_packet.resize(LookSize);
        const long long got = m_file.readSome(offset, m_packet.data(), m_packet.size());
        if (got < 13) {
            return false;
        }
        const uint16_t version = readU16(m_packet.data());
        const uint16_t length = readU16(m_packet.data() + 2);
        const size_t headerSize = version == 0 ? 12 : 13;
        if (version > 1 || length < headerSize ||
            readU16(m_packet.data() + 4) != m_headers.streams[stream.index].streamNumber ||
            readU32(m_packet.data() + 6) != timestamp || offset + uint64_t(length) > m_file.size()) {
            return false;
        }
        const bool keyframe = (m_packet[headerSize - 1] & 0x02) != 0;
        const uint16_t rule = version == 0 ? m_packet[10] : readU16(m_packet.data() + 10);
        const size_t available = std::min<size_t>(static_cast<size_t>(got), length) - headerSize;
        VideoPacketFacts facts =
            readVideoPayload(m_packet.data() + headerSize, length - headerSize, available, setup.realVideo);
        if (facts.needsMore) {
            m_packet.resize(length);
            if (m_file.readAt(offset, m_packet.data(), length) != RmError::Ok) {
                return false;
            }
            facts = readVideoPayload(m_packet.data() + headerSize, length - headerSize, length - headerSize,
                                     setup.realVideo);
        }
        encoding = setup.encodingOf(version, rule);
        return opensCut(keyframe, facts);
    }

    // The earliest time among the first packets, which the index's times are counted from.
    bool readStartTime()
    {
        PacketReader reader(m_file, m_headers.dataOffset, m_buffer, true);
        reader.setStopAtTruncation(true);
        TimestampUnwrapper unwrapper;
        Packet packet;
        bool done = false;
        std::optional<uint64_t> start;
        for (int i = 0; i < StartPackets; ++i) {
            if (reader.next(packet, done) != RmError::Ok) {
                return false;
            }
            if (done) {
                break;
            }
            if (!start) {
                m_firstTimestamp = packet.timestamp;
            }
            start = std::min(start.value_or(UINT64_MAX), unwrapper.unwrap(packet.timestamp));
        }
        m_out.startTime = start.value_or(0);
        return start.has_value();
    }

    // One pass over the packets: every video packet's header and first payload bytes.
    RmError scan()
    {
        const size_t streamCount = m_headers.streams.size();
        m_counts.assign(streamCount, 0);
        std::vector<uint64_t> minTime(streamCount, 0);
        std::vector<uint64_t> maxTime(streamCount, 0);
        std::vector<int> videoOf(streamCount, -1);
        std::vector<std::vector<uint64_t>> openFrameFrom(streamCount);
        for (size_t v = 0; v < m_video.size(); ++v) {
            videoOf[m_video[v].index] = static_cast<int>(v);
            openFrameFrom[m_video[v].index].assign(m_setups[m_video[v].index].encodingSlots(), None);
        }
        ProgressMeter meter(m_progress);
        const uint64_t dataOffset = m_headers.dataOffset;
        meter.setTotal(m_file.size() - std::min(m_file.size(), dataOffset));
        PacketReader reader(m_file, dataOffset, m_buffer, true);
        reader.setStopAtTruncation(true);
        TimestampUnwrapper unwrapper;
        Packet packet;
        bool done = false;
        uint64_t packets = 0;
        while (true) {
            if (RmError e = reader.next(packet, done); e != RmError::Ok) {
                m_out.damage = e;
                break;
            }
            if (done) {
                break;
            }
            const int found = m_headers.streamIndex(packet.streamNumber);
            if (found < 0) {
                m_out.damage = RmError::UnknownStream;
                break;
            }
            const auto s = static_cast<size_t>(found);
            const uint64_t time = unwrapper.unwrap(packet.timestamp);
            const uint64_t number = m_counts[s]++;
            minTime[s] = number == 0 ? time : std::min(minTime[s], time);
            maxTime[s] = number == 0 ? time : std::max(maxTime[s], time);
            ++packets;
            if (videoOf[s] >= 0) {
                const StreamSetup& setup = m_setups[s];
                VideoPacketFacts facts =
                    readVideoPayload(packet.payload(), packet.payloadSize(),
                                     packet.available - packet.headerSize(), setup.realVideo);
                if (facts.needsMore) {
                    if (RmError e = reader.loadWhole(packet); e != RmError::Ok) {
                        m_out.damage = e;
                        break;
                    }
                    facts = readVideoPayload(packet.payload(), packet.payloadSize(), packet.payloadSize(),
                                             setup.realVideo);
                }
                const size_t encoding = setup.encodingOf(packet.version, packet.rule);
                uint64_t& open = openFrameFrom[s][encoding];
                if (!facts.valid || !facts.endsOpen) {
                    open = None;
                } else if (facts.openedHere || open == None) {
                    open = number;
                }
                if (opensCut(packet.keyframe, facts)) {
                    m_video[static_cast<size_t>(videoOf[s])].keys.push_back(Found{time, encoding, number});
                }
            }
            if (!meter.advanceTo(reader.position() - dataOffset)) {
                return RmError::Cancelled;
            }
        }
        m_out.truncated = reader.truncated();
        if (packets == 0 && m_out.damage == RmError::Ok) {
            return m_out.truncated ? RmError::Truncated : RmError::NoPackets;
        }
        if (m_out.truncated) {
            // A frame the end cut short is left out of every cut, and so is its keyframe.
            for (VideoStream& v : m_video) {
                for (uint64_t open : openFrameFrom[v.index]) {
                    v.usable = std::min(v.usable, open);
                }
            }
        }
        // Position 0 is the earliest packet of the streams whose times advance, as for a cut.
        std::optional<uint64_t> start;
        for (size_t s = 0; s < streamCount; ++s) {
            if (m_counts[s] > 0 && maxTime[s] > minTime[s]) {
                start = std::min(start.value_or(UINT64_MAX), minTime[s]);
            }
        }
        m_out.startTime = start.value_or(0);
        m_out.audioOnly = std::all_of(m_video.begin(), m_video.end(),
                                      [&](const VideoStream& v) { return m_counts[v.index] == 0; });
        if (!meter.finish()) {
            return RmError::Cancelled;
        }
        return RmError::Ok;
    }

    KeyframeList& m_out;
    const ProgressCallback* m_progress;
    InputFile m_file;
    RmHeaders m_headers;
    PacketBuffer m_buffer;
    std::vector<StreamSetup> m_setups;
    std::vector<VideoStream> m_video;
    std::vector<uint64_t> m_counts;
    uint32_t m_firstTimestamp = 0;
    std::vector<uint8_t> m_packet;
};

} // namespace

const std::vector<uint32_t>& KeyframeList::times() const
{
    static const std::vector<uint32_t> none;
    return streams.empty() ? none : streams.front().common;
}

std::optional<uint32_t> KeyframeList::cutStart(uint32_t position) const
{
    if (streams.empty() || streams.front().encodings.empty()) {
        return std::nullopt;
    }
    if (position == 0) {
        return 0u;
    }
    std::optional<uint32_t> atOrBefore;
    std::optional<uint32_t> after;
    for (const std::vector<uint32_t>& times : streams.front().encodings) {
        const auto next = std::upper_bound(times.begin(), times.end(), position);
        if (next != times.begin()) {
            atOrBefore = std::min(atOrBefore.value_or(UINT32_MAX), *std::prev(next));
        } else {
            after = std::min(after.value_or(UINT32_MAX), *next);
        }
    }
    return atOrBefore ? atOrBefore : after;
}

RmError readKeyframes(const std::string& path, KeyframeList& out, const ProgressCallback& progress)
{
    KeyframeReader reader(out, progress);
    return reader.read(path);
}

} // namespace rm
