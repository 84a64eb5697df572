// Sequential reader of the data packets of one RealMedia file, following the chain of DATA chunks.
#pragma once

#include "InputFile.h"
#include "PacketBuffer.h"
#include "RmError.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace rm {

// One packet as it lies in the reader's buffer. bytes points at the packet header; the memory stays valid
// and writable until the next call of PacketReader::next().
struct Packet
{
    uint8_t* bytes = nullptr;
    uint16_t version = 0; // packet object version, 0 or 1
    uint16_t length = 0;  // whole packet including its header
    uint16_t streamNumber = 0;
    uint32_t timestamp = 0; // milliseconds
    uint16_t rule = 0;      // version 0: the packet group byte; version 1: the ASM rule
    bool keyframe = false;  // flag 0x02 of the packet flags (version 0) or ASM flags (version 1)
    size_t available = 0;   // bytes from bytes on that were read: length, or less for a quick look

    size_t headerSize() const { return version == 0 ? 12 : 13; }
    uint8_t* payload() const { return bytes + headerSize(); }
    size_t payloadSize() const { return length - headerSize(); }

    static constexpr size_t TimestampOffset = 6;
    static constexpr size_t StreamNumberOffset = 4;
};

// Reads packets in file order through one large buffer, so memory does not depend on the file size.
// The buffer is borrowed from the caller and reused across readers.
class PacketReader
{
public:
    static constexpr size_t BufferSize = 1u << 20;
    static constexpr size_t MinBufferSize = 128u << 10;
    // A quick look reads this much of each packet (its header and the start of its payload), in windows
    // of at least HeaderWindow bytes.
    static constexpr size_t LookSize = 64;
    static constexpr size_t HeaderWindow = 1u << 10;

    // quickLook: passes that need packet headers and the first payload bytes read only those (Packet::
    // available tells how much); loadWhole() fetches the rest of a packet when it is needed.
    PacketReader(const InputFile& file, uint64_t dataOffset, PacketBuffer& buffer, bool quickLook = false);

    // Makes the whole of the packet last returned readable (after a quick look); packet is updated.
    RmError loadWhole(Packet& packet);

    // When the file ends inside the data (a download cut off), stop there as at a regular end and report
    // truncated() instead of failing. Packets cut short are not returned.
    void setStopAtTruncation(bool stop) { m_stopAtTruncation = stop; }
    bool truncated() const { return m_truncated; }

    // Called before buffered bytes are moved or replaced, so a caller holding pointers into the buffer
    // can flush them first.
    void setBeforeRefill(std::function<void()> hook) { m_beforeRefill = std::move(hook); }

    // Fetches the next packet. Sets done at the regular end of the data. Damaged data gives an error:
    // Truncated (file ends inside a packet or before the announced count), BadPacket (header impossible),
    // BadChunk (a DATA chain that points backwards or at something else).
    RmError next(Packet& packet, bool& done);

    uint64_t packetsRead() const { return m_packetsRead; }
    // File offset just past the last packet returned.
    uint64_t position() const { return m_pos; }

private:
    RmError enterDataChunk(uint64_t offset);
    RmError ensure(size_t count);
    RmError advanceChunks(bool& done);
    RmError readPacket(uint16_t version, uint16_t length, Packet& packet);
    RmError nextPacket(Packet& packet, bool& done);

    const InputFile& m_file;
    PacketBuffer& m_buffer;
    std::function<void()> m_beforeRefill;
    uint64_t m_firstData;
    bool m_started = false;
    bool m_quickLook = false;
    bool m_stopAtTruncation = false;
    bool m_truncated = false;
    uint64_t m_bufferStart = 0; // file offset of m_buffer[0]
    size_t m_bufferFill = 0;
    uint64_t m_pos = 0; // file offset of the next packet
    uint64_t m_chunkStart = 0;
    uint64_t m_chunkEnd = 0;  // announced end of the DATA chunk, clamped to the file size
    uint32_t m_remaining = 0; // packets still announced in this chunk
    bool m_counted = true;    // false when the chunk announces 0 packets: read to its end instead
    uint64_t m_nextData = 0;
    uint64_t m_packetsRead = 0;
};

} // namespace rm
