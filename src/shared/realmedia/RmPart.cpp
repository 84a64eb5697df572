#include "RmPart.h"

#include "PacketReader.h"

#include <algorithm>

namespace rm {

namespace {
constexpr uint32_t MaxStep = 1000;
// The PROP duration is trusted over the measured one only when it adds at most this much.
constexpr uint32_t MaxPropExcess = 2000;
} // namespace

RmError RmPart::open(const std::string& path, PacketBuffer& buffer)
{
    if (RmError e = m_file.open(path); e != RmError::Ok) {
        return e;
    }
    if (RmError e = m_headers.parse(m_file); e != RmError::Ok) {
        return e;
    }
    return scanPackets(buffer);
}

RmError RmPart::scanPackets(PacketBuffer& buffer)
{
    m_scans.assign(m_headers.streams.size(), StreamScan{});
    std::vector<uint32_t> previous(m_scans.size(), 0);
    std::vector<uint32_t> bucket(m_scans.size(), UINT32_MAX);
    std::vector<uint64_t> bucketBytes(m_scans.size(), 0);
    PacketReader reader(m_file, m_headers.dataOffset, buffer, true);
    Packet packet;
    bool done = false;
    int lastIndex = -1;
    uint16_t lastNumber = 0;
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
        StreamScan& s = m_scans[static_cast<size_t>(index)];
        const uint32_t ts = packet.timestamp;
        if (s.packetCount == 0) {
            s.minTimestamp = s.maxTimestamp = ts;
        } else {
            const uint32_t prev = previous[static_cast<size_t>(index)];
            if (ts > prev) {
                s.lastStep = std::min(ts - prev, MaxStep);
            }
            s.minTimestamp = std::min(s.minTimestamp, ts);
            s.maxTimestamp = std::max(s.maxTimestamp, ts);
        }
        previous[static_cast<size_t>(index)] = ts;
        ++s.packetCount;
        s.payloadBytes += packet.length - (packet.version == 0 ? 12u : 13u);
        s.bytes += packet.length;
        s.maxPacket = std::max<uint32_t>(s.maxPacket, packet.length);
        const auto i = static_cast<size_t>(index);
        if (ts / 1000 != bucket[i]) {
            bucket[i] = ts / 1000;
            bucketBytes[i] = 0;
        }
        bucketBytes[i] += packet.length;
        s.peakBytesPerSecond = std::max(s.peakBytesPerSecond, bucketBytes[i]);
        if (packet.keyframe) {
            ++s.keyframeCount;
        }
        ++m_packetCount;
    }
    if (m_packetCount == 0) {
        return RmError::NoPackets;
    }

    bool anyAdvancing = false;
    uint32_t start = UINT32_MAX;
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
            measured = std::max<uint64_t>(measured, uint64_t(s.maxTimestamp) - m_startTime + s.lastStep);
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
    const uint32_t declared = m_headers.propDuration;
    if (measured == 0 || (declared > measured && declared - measured <= MaxPropExcess)) {
        duration = std::max<uint64_t>(measured, declared);
    }
    // A part always takes some time, so parts joined after it never overlap it.
    m_duration = static_cast<uint32_t>(std::clamp<uint64_t>(duration, 1, INT32_MAX));
    return RmError::Ok;
}

} // namespace rm
