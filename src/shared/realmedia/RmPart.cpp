#include "RmPart.h"

#include "PacketReader.h"
#include "TimestampUnwrapper.h"
#include "VideoPayload.h"

#include <algorithm>

namespace rm {

namespace {
constexpr uint32_t MaxStep = 1000;
// The PROP duration is trusted over the measured one only when it adds at most this much.
constexpr uint32_t MaxPropExcess = 2000;
constexpr uint64_t None = UINT64_MAX;

// Where the last frame or interleave block of one encoding began, to find a unit the file's end cut short.
struct UnitTrack
{
    uint64_t openFrameFrom = None; // packet (number within the stream) starting a frame still open
    uint64_t blockFrom = None;     // packet starting the current interleave block
    uint64_t blockPackets = 0;
};

} // namespace

RmError RmPart::open(const std::string& path, PacketBuffer& buffer)
{
    if (RmError e = m_file.open(path); e != RmError::Ok) {
        return e;
    }
    if (RmError e = m_headers.parse(m_file); e != RmError::Ok) {
        return e;
    }
    m_setups.clear();
    m_streamMap.clear();
    for (size_t i = 0; i < m_headers.streams.size(); ++i) {
        m_setups.push_back(describeStream(m_headers.streams[i]));
        m_streamMap.push_back(static_cast<int>(i));
    }
    return scanPackets(buffer);
}

std::vector<size_t> RmPart::joinedStreams() const
{
    std::vector<size_t> result;
    for (size_t i = 0; i < m_setups.size(); ++i) {
        if (m_setups[i].kind != StreamKind::FileInfo || m_scans[i].packetCount > 0) {
            result.push_back(i);
        }
    }
    return result;
}

RmError RmPart::scanPackets(PacketBuffer& buffer)
{
    const size_t streamCount = m_headers.streams.size();
    m_scans.assign(streamCount, StreamScan{});
    std::vector<std::vector<UnitTrack>> units(streamCount);
    for (size_t i = 0; i < streamCount; ++i) {
        m_scans[i].keyframesPerEncoding.assign(m_setups[i].encodingSlots(), 0);
        units[i].assign(m_setups[i].encodingSlots(), UnitTrack{});
    }
    std::vector<uint64_t> previous(streamCount, 0);
    std::vector<uint64_t> bucket(streamCount, UINT64_MAX);
    std::vector<uint64_t> bucketBytes(streamCount, 0);
    PacketReader reader(m_file, m_headers.dataOffset, buffer, true);
    reader.setStopAtTruncation(true);
    TimestampUnwrapper unwrapper;
    Packet packet;
    bool done = false;
    int lastIndex = -1;
    uint16_t lastNumber = 0;
    m_packetCount = 0;
    while (true) {
        if (RmError e = reader.next(packet, done); e != RmError::Ok) {
            return e;
        }
        if (done) {
            break;
        }
        int index = lastIndex;
        if (index < 0 || packet.streamNumber != lastNumber) {
            index = m_headers.streamIndex(packet.streamNumber);
            if (index < 0) {
                return RmError::UnknownStream;
            }
            lastIndex = index;
            lastNumber = packet.streamNumber;
        }
        const auto i = static_cast<size_t>(index);
        StreamScan& s = m_scans[i];
        const StreamSetup& setup = m_setups[i];
        const uint64_t ts = unwrapper.unwrap(packet.timestamp);
        if (s.packetCount == 0) {
            s.minTimestamp = s.maxTimestamp = ts;
        } else {
            if (ts > previous[i]) {
                s.lastStep = static_cast<uint32_t>(std::min<uint64_t>(ts - previous[i], MaxStep));
            }
            s.minTimestamp = std::min(s.minTimestamp, ts);
            s.maxTimestamp = std::max(s.maxTimestamp, ts);
        }
        previous[i] = ts;
        const uint64_t number = s.packetCount++;
        s.payloadBytes += packet.payloadSize();
        s.bytes += packet.length;
        s.maxPacket = std::max<uint32_t>(s.maxPacket, packet.length);
        if (ts / 1000 != bucket[i]) {
            bucket[i] = ts / 1000;
            bucketBytes[i] = 0;
        }
        bucketBytes[i] += packet.length;
        s.peakBytesPerSecond = std::max(s.peakBytesPerSecond, bucketBytes[i]);

        const size_t encoding = setup.encodingOf(packet.version, packet.rule);
        UnitTrack& unit = units[i][encoding];
        bool startPoint = packet.keyframe;
        if (setup.kind == StreamKind::Video) {
            VideoPacketFacts facts =
                readVideoPayload(packet.payload(), packet.payloadSize(),
                                 packet.available - packet.headerSize(), setup.realVideo);
            if (facts.needsMore) {
                if (RmError e = reader.loadWhole(packet); e != RmError::Ok) {
                    return e;
                }
                facts = readVideoPayload(packet.payload(), packet.payloadSize(), packet.payloadSize(),
                                         setup.realVideo);
            }
            startPoint = startPoint && (!facts.valid || facts.startsFrame);
            s.frameTimes = s.frameTimes || facts.frameTimes > 0;
            if (!facts.valid || !facts.endsOpen) {
                unit.openFrameFrom = None;
            } else if (facts.openedHere || unit.openFrameFrom == None) {
                unit.openFrameFrom = number;
            }
        } else if (setup.blockHeight > 1) {
            if (packet.keyframe) {
                unit.blockFrom = number;
                unit.blockPackets = 0;
            }
            ++unit.blockPackets;
        }
        if (startPoint) {
            ++s.keyframeCount;
            ++s.keyframesPerEncoding[encoding];
        }
        ++m_packetCount;
    }
    m_truncated = reader.truncated();
    if (m_packetCount == 0) {
        return m_truncated ? RmError::Truncated : RmError::NoPackets;
    }

    for (size_t i = 0; i < streamCount; ++i) {
        StreamScan& s = m_scans[i];
        s.usablePackets = s.packetCount;
        if (!m_truncated) {
            continue;
        }
        // The end cut a frame or block short: its packets are left out of every output.
        for (const UnitTrack& unit : units[i]) {
            if (unit.openFrameFrom != None) {
                s.usablePackets = std::min(s.usablePackets, unit.openFrameFrom);
            }
            if (unit.blockFrom != None &&
                unit.blockPackets < static_cast<uint64_t>(m_setups[i].blockHeight)) {
                s.usablePackets = std::min(s.usablePackets, unit.blockFrom);
            }
        }
    }

    bool anyAdvancing = false;
    uint64_t start = UINT64_MAX;
    for (StreamScan& s : m_scans) {
        s.timestampsAdvance = s.packetCount > 0 && s.maxTimestamp > s.minTimestamp;
        if (s.timestampsAdvance) {
            anyAdvancing = true;
            start = std::min(start, s.minTimestamp);
        }
    }
    m_startTime = anyAdvancing ? start : 0;
    uint64_t measured = 0;
    for (const StreamScan& s : m_scans) {
        if (s.timestampsAdvance) {
            measured = std::max<uint64_t>(measured, s.maxTimestamp - m_startTime + s.lastStep);
        }
    }
    // Streams without usable timestamps: their length follows from the payload size and the declared
    // average bit rate (such audio is constant bit rate).
    for (size_t i = 0; i < m_scans.size(); ++i) {
        const StreamScan& s = m_scans[i];
        const uint32_t rate = m_headers.streams[i].averageBitRate;
        if (!s.timestampsAdvance && s.packetCount > 0 && rate > 0) {
            measured =
                std::max<uint64_t>(measured, std::min<uint64_t>(s.payloadBytes * 8000 / rate, INT32_MAX));
        }
    }
    uint64_t duration = measured;
    // The declared length describes the whole file, not what a cut-off download holds.
    const uint32_t declared = m_truncated ? 0 : m_headers.propDuration;
    if (measured == 0 || (declared > measured && declared - measured <= MaxPropExcess)) {
        duration = std::max<uint64_t>(measured, declared);
    }
    // A part always takes some time, so parts joined after it never overlap it.
    m_duration = static_cast<uint32_t>(std::clamp<uint64_t>(duration, 1, INT32_MAX));
    return RmError::Ok;
}

} // namespace rm
