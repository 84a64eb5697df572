// One opened input file: its headers, packet statistics and its length on the joined timeline.
#pragma once

#include "InputFile.h"
#include "PacketBuffer.h"
#include "RmError.h"
#include "RmHeaders.h"

#include <cstdint>
#include <string>
#include <vector>

namespace rm {

// Packet statistics of one stream of one input, gathered when the input is opened.
struct StreamScan
{
    uint64_t packetCount = 0;
    uint64_t keyframeCount = 0;
    uint64_t payloadBytes = 0;       // packet bytes after the packet headers
    uint64_t bytes = 0;              // whole packets
    uint32_t maxPacket = 0;          // largest whole packet
    uint64_t peakBytesPerSecond = 0; // most packet bytes stamped within one second (streams with timestamps)
    uint32_t minTimestamp = 0;
    uint32_t maxTimestamp = 0;
    uint32_t lastStep = 0; // last positive step between consecutive timestamps, milliseconds, at most 1000
    // False when all packets carry the same timestamp (some writers stamp audio with 0 throughout);
    // such a stream's packets are then spread evenly over the part's duration.
    bool timestampsAdvance = false;
};

class RmPart
{
public:
    // Opens path, reads its headers and checks every packet header once. Memory use is bounded by the
    // packet buffer, independent of the file size.
    RmError open(const std::string& path, PacketBuffer& buffer);

    const InputFile& file() const { return m_file; }
    const RmHeaders& headers() const { return m_headers; }
    const std::vector<StreamScan>& streamScans() const { return m_scans; }
    uint64_t packetCount() const { return m_packetCount; }

    // Time of the earliest packet of the streams whose timestamps advance, milliseconds.
    uint32_t startTime() const { return m_startTime; }
    // Length of this part on the joined timeline, milliseconds; the next part starts this much later.
    uint32_t duration() const { return m_duration; }

private:
    RmError scanPackets(PacketBuffer& buffer);

    InputFile m_file;
    RmHeaders m_headers;
    std::vector<StreamScan> m_scans;
    uint64_t m_packetCount = 0;
    uint32_t m_startTime = 0;
    uint32_t m_duration = 0;
};

} // namespace rm
