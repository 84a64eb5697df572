#include "PacketReader.h"

#include "BigEndian.h"

#include <algorithm>
#include <cstring>

namespace rm {

PacketReader::PacketReader(const InputFile& file, uint64_t dataOffset, PacketBuffer& buffer, bool quickLook)
    : m_file(file), m_buffer(buffer), m_firstData(dataOffset), m_quickLook(quickLook)
{
    // Small files get a small buffer; it must always hold the largest possible packet.
    const uint64_t wanted =
        quickLook ? MinBufferSize : std::clamp<uint64_t>(file.size(), MinBufferSize, BufferSize);
    m_buffer.ensureSize(static_cast<size_t>(wanted));
}

RmError PacketReader::loadWhole(Packet& packet)
{
    if (packet.available >= packet.length) {
        return RmError::Ok;
    }
    const uint64_t after = m_pos;
    m_pos -= packet.length; // back to the packet's start, which lies in the buffer
    const RmError e = ensure(packet.length);
    if (e == RmError::Ok) {
        packet.bytes = m_buffer.data() + (m_pos - m_bufferStart);
        packet.available = packet.length;
    }
    m_pos = after;
    return e;
}

RmError PacketReader::enterDataChunk(uint64_t offset)
{
    uint8_t hdr[18];
    if (RmError e = m_file.readAt(offset, hdr, sizeof hdr); e != RmError::Ok) {
        return e;
    }
    if (readU32(hdr) != fourcc("DATA")) {
        return RmError::BadChunk;
    }
    const uint32_t size = readU32(hdr + 4);
    if (size != 0 && size < 18) {
        return RmError::BadChunk;
    }
    if (readU16(hdr + 8) > 1) {
        return RmError::UnsupportedVersion;
    }
    m_chunkStart = offset;
    // Some writers announce a DATA size a few bytes past the end of the file; the end is clamped.
    m_chunkEnd = size == 0 ? m_file.size() : std::min<uint64_t>(offset + size, m_file.size());
    m_remaining = readU32(hdr + 10);
    m_counted = m_remaining != 0;
    m_nextData = readU32(hdr + 14);
    m_pos = offset + 18;
    return RmError::Ok;
}

RmError PacketReader::ensure(size_t count)
{
    if (m_pos >= m_bufferStart && m_pos + count <= m_bufferStart + m_bufferFill) {
        return RmError::Ok;
    }
    if (count > m_file.size() || m_pos > m_file.size() - count) {
        return RmError::Truncated;
    }
    if (m_beforeRefill) {
        m_beforeRefill();
    }
    size_t keep = 0;
    if (m_pos >= m_bufferStart && m_pos < m_bufferStart + m_bufferFill) {
        keep = static_cast<size_t>(m_bufferStart + m_bufferFill - m_pos);
        std::memmove(m_buffer.data(), m_buffer.data() + (m_pos - m_bufferStart), keep);
    }
    m_bufferStart = m_pos;
    m_bufferFill = keep;
    const size_t window = m_quickLook ? std::max(count, HeaderWindow) : m_buffer.size();
    const long long n = m_file.readSome(m_pos + keep, m_buffer.data() + keep, std::max(window, keep) - keep);
    if (n < 0) {
        return RmError::ReadFailed;
    }
    m_bufferFill += static_cast<size_t>(n);
    return m_bufferFill >= count ? RmError::Ok : RmError::Truncated;
}

RmError PacketReader::next(Packet& packet, bool& done)
{
    if (m_truncated) {
        done = true;
        return RmError::Ok;
    }
    const RmError e = nextPacket(packet, done);
    if (e == RmError::Truncated && m_stopAtTruncation) {
        m_truncated = true;
        done = true;
        return RmError::Ok;
    }
    return e;
}

RmError PacketReader::nextPacket(Packet& packet, bool& done)
{
    done = false;
    if (!m_started) {
        m_started = true;
        if (RmError e = enterDataChunk(m_firstData); e != RmError::Ok) {
            return e;
        }
    }
    while (true) {
        if (RmError e = advanceChunks(done); e != RmError::Ok || done) {
            return e;
        }
        if (RmError e = ensure(4); e != RmError::Ok) {
            return e;
        }
        uint8_t* p = m_buffer.data() + (m_pos - m_bufferStart);
        const uint16_t version = readU16(p);
        const uint16_t length = readU16(p + 2);
        if (!m_counted && version == 0 && length == 0) {
            // End marker after the last packet of a chunk that did not announce its count.
            if (m_nextData == 0) {
                done = true;
                return RmError::Ok;
            }
            m_pos = m_chunkEnd;
            continue;
        }
        return readPacket(version, length, packet);
    }
}

RmError PacketReader::advanceChunks(bool& done)
{
    while (true) {
        const bool chunkOver = m_counted ? m_remaining == 0 : m_pos + 12 > m_chunkEnd;
        if (!chunkOver) {
            break;
        }
        if (m_nextData == 0) {
            done = true;
            return RmError::Ok;
        }
        // The chain must move forward, past what was read, so it cannot loop.
        if (m_nextData <= m_chunkStart || m_nextData < m_pos) {
            return RmError::BadChunk;
        }
        if (RmError e = enterDataChunk(m_nextData); e != RmError::Ok) {
            return e;
        }
    }
    return RmError::Ok;
}

RmError PacketReader::readPacket(uint16_t version, uint16_t length, Packet& packet)
{
    if (version > 1) {
        return RmError::BadPacket;
    }
    const size_t headerSize = version == 0 ? 12 : 13;
    if (length < headerSize) {
        return RmError::BadPacket;
    }
    if (!m_counted && m_pos + length > m_chunkEnd) {
        // Past the end of the file: cut off; inside the file: the packet overlaps what follows.
        return m_chunkEnd >= m_file.size() ? RmError::Truncated : RmError::BadPacket;
    }
    // A quick look reads the start of the packet only, so a packet cut short by the end of the file is
    // noticed from the file's size.
    if (m_quickLook && length > m_file.size() - std::min(m_pos, m_file.size())) {
        return RmError::Truncated;
    }
    const size_t wanted = m_quickLook ? std::min<size_t>(length, headerSize + LookSize) : length;
    if (RmError e = ensure(wanted); e != RmError::Ok) {
        return e;
    }
    uint8_t* p = m_buffer.data() + (m_pos - m_bufferStart);
    packet.bytes = p;
    packet.available = wanted;
    packet.version = version;
    packet.length = length;
    packet.streamNumber = readU16(p + 4);
    packet.timestamp = readU32(p + 6);
    packet.rule = version == 0 ? p[10] : readU16(p + 10);
    packet.keyframe = (p[version == 0 ? 11 : 12] & 0x02) != 0;
    m_pos += length;
    if (m_counted) {
        --m_remaining;
    }
    ++m_packetsRead;
    return RmError::Ok;
}

} // namespace rm
