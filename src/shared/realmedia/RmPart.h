// One opened input file: its headers, packet statistics and its length on the joined timeline.
#pragma once

#include "InputFile.h"
#include "PacketBuffer.h"
#include "RmError.h"
#include "RmHeaders.h"
#include "StreamSetup.h"

#include <cstdint>
#include <string>
#include <vector>

namespace rm {

// Packet statistics of one stream of one input, gathered when the input is opened. Times are on the
// input's unwrapped 64-bit timeline (see TimestampUnwrapper).
struct StreamScan
{
    uint64_t packetCount = 0;
    uint64_t keyframeCount = 0; // packets a cut may start the stream on (video: a keyframe's first slice)
    uint64_t payloadBytes = 0;  // packet bytes after the packet headers
    uint64_t bytes = 0;         // whole packets
    uint32_t maxPacket = 0;     // largest whole packet
    uint64_t peakBytesPerSecond = 0; // most packet bytes stamped within one second (streams with timestamps)
    uint64_t minTimestamp = 0;
    uint64_t maxTimestamp = 0;
    uint32_t lastStep = 0; // last positive step between consecutive timestamps, milliseconds, at most 1000
    // False when all packets carry the same timestamp (some writers stamp audio with 0 throughout);
    // such a stream's packets are then spread evenly over the part's duration.
    bool timestampsAdvance = false;
    bool frameTimes = false; // video packets carry frame timestamps of their own inside the payload
    // Packets up to the last whole frame or interleave block; fewer than packetCount only when the file
    // is cut off inside one.
    uint64_t usablePackets = 0;
    std::vector<uint64_t> keyframesPerEncoding; // per encoding slot (see StreamSetup)
};

class RmPart
{
public:
    // Opens path, reads its headers and checks every packet once. Memory use is bounded by the packet
    // buffer, independent of the file size. A file cut off inside its data opens with truncated() set,
    // as long as one packet is intact.
    RmError open(const std::string& path, PacketBuffer& buffer);

    const InputFile& file() const { return m_file; }
    const RmHeaders& headers() const { return m_headers; }
    const std::vector<StreamSetup>& setups() const { return m_setups; }
    const std::vector<StreamScan>& streamScans() const { return m_scans; }
    uint64_t packetCount() const { return m_packetCount; }
    bool truncated() const { return m_truncated; }

    // Time of the earliest packet of the streams whose timestamps advance, milliseconds.
    uint64_t startTime() const { return m_startTime; }
    // Length of this part on the joined timeline, milliseconds; the next part starts this much later.
    uint32_t duration() const { return m_duration; }

    // Streams that must match when inputs are joined: all but file-info streams without packets, which
    // describe the file rather than its media.
    std::vector<size_t> joinedStreams() const;
    // Output stream (index into the first input's streams) of each of this input's streams; -1 for
    // streams whose packets are not written. The first input maps every stream to itself.
    const std::vector<int>& streamMap() const { return m_streamMap; }
    void setStreamMap(std::vector<int> map) { m_streamMap = std::move(map); }

private:
    RmError scanPackets(PacketBuffer& buffer);

    InputFile m_file;
    RmHeaders m_headers;
    std::vector<StreamSetup> m_setups;
    std::vector<StreamScan> m_scans;
    std::vector<int> m_streamMap;
    uint64_t m_packetCount = 0;
    uint64_t m_startTime = 0;
    uint32_t m_duration = 0;
    bool m_truncated = false;
};

} // namespace rm
