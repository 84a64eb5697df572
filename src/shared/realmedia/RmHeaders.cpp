#include "RmHeaders.h"

#include "BigEndian.h"

#include <algorithm>
#include <cstring>

namespace rm {

namespace {

// Bounds-checked cursor over one chunk held in memory.
struct Cursor
{
    const uint8_t* data;
    size_t size;
    size_t pos = 0;
    bool ok = true;

    bool need(size_t n)
    {
        if (!ok || n > size - pos) {
            ok = false;
        }
        return ok;
    }
    uint8_t u8() { return need(1) ? data[pos++] : 0; }
    uint16_t u16()
    {
        if (!need(2)) {
            return 0;
        }
        pos += 2;
        return readU16(data + pos - 2);
    }
    uint32_t u32()
    {
        if (!need(4)) {
            return 0;
        }
        pos += 4;
        return readU32(data + pos - 4);
    }
    std::string bytes(size_t n)
    {
        if (!need(n)) {
            return {};
        }
        pos += n;
        return std::string(reinterpret_cast<const char*>(data + pos - n), n);
    }
};

RmError classifyForeign(const uint8_t* head, size_t size)
{
    if (size >= 4 && std::memcmp(head, ".ra\xfd", 4) == 0) {
        return RmError::OldRealAudio;
    }
    // A .ram file is a short text list of addresses.
    static const char* const schemes[] = {"rtsp://", "pnm://", "http://", "https://", "file://", "pna://"};
    size_t start = 0;
    while (start < size &&
           (head[start] == ' ' || head[start] == '\r' || head[start] == '\n' || head[start] == '\t')) {
        ++start;
    }
    for (const char* scheme : schemes) {
        const size_t len = std::strlen(scheme);
        if (size - start >= len && std::memcmp(head + start, scheme, len) == 0) {
            return RmError::MetaFile;
        }
    }
    return RmError::NotRealMedia;
}

} // namespace

int RmHeaders::streamIndex(uint16_t streamNumber) const
{
    for (size_t i = 0; i < streams.size(); ++i) {
        if (streams[i].streamNumber == streamNumber) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

RmError RmHeaders::parse(const InputFile& file)
{
    *this = RmHeaders();
    const uint64_t fileSize = file.size();
    uint8_t head[18] = {};
    const size_t headSize = static_cast<size_t>(std::min<uint64_t>(fileSize, sizeof head));
    if (RmError e = file.readAt(0, head, headSize); e != RmError::Ok) {
        return e;
    }
    if (headSize < 4 || std::memcmp(head, ".RMF", 4) != 0) {
        return headSize == 0 ? RmError::NotRealMedia : classifyForeign(head, headSize);
    }
    if (headSize < 10) {
        return RmError::Truncated;
    }
    rmfSize = readU32(head + 4);
    rmfVersion = readU16(head + 8);
    if (rmfSize < 10) {
        return RmError::BadChunk;
    }
    if (rmfSize > fileSize) {
        return RmError::Truncated;
    }
    if (rmfVersion <= 1) {
        if (rmfSize < 18 || headSize < 18) {
            return RmError::Truncated;
        }
        fileVersion = readU32(head + 10);
    }

    bool havePROP = false;
    uint64_t pos = rmfSize;
    std::vector<uint8_t> chunk;
    while (true) {
        if (pos >= fileSize) {
            return RmError::NoData;
        }
        uint8_t hdr[10];
        if (RmError e = file.readAt(pos, hdr, sizeof hdr); e != RmError::Ok) {
            return e == RmError::Truncated ? RmError::NoData : e;
        }
        const uint32_t id = readU32(hdr);
        const uint32_t size = readU32(hdr + 4);
        if (id == fourcc("DATA")) {
            if (size != 0 && size < 18) {
                return RmError::BadChunk;
            }
            if (fileSize - pos < 18) {
                return RmError::Truncated;
            }
            dataOffset = pos;
            break;
        }
        if (size < 10) {
            return RmError::BadChunk;
        }
        if (size > fileSize - pos) {
            return RmError::Truncated;
        }
        if (chunks.size() == MaxHeaderChunks) {
            return RmError::BadChunk;
        }
        chunks.push_back({id, pos, size});
        const bool known = id == fourcc("PROP") || id == fourcc("MDPR") || id == fourcc("CONT");
        if (known) {
            if (size > MaxHeaderChunkSize) {
                return RmError::BadChunk;
            }
            chunk.resize(size);
            if (RmError e = file.readAt(pos, chunk.data(), size); e != RmError::Ok) {
                return e;
            }
            if (RmError e = parseChunk(id, chunk, havePROP); e != RmError::Ok) {
                return e;
            }
        }
        pos += size;
    }
    if (!havePROP) {
        return RmError::BadChunk;
    }
    if (streams.empty()) {
        return RmError::NoStreams;
    }
    return RmError::Ok;
}

RmError RmHeaders::parseChunk(uint32_t id, const std::vector<uint8_t>& chunk, bool& havePROP)
{
    const uint16_t version = readU16(chunk.data() + 8);
    Cursor c{chunk.data(), chunk.size(), 10};
    if (id == fourcc("PROP")) {
        if (havePROP) {
            return RmError::Ok; // only the first PROP counts
        }
        if (version != 0) {
            return RmError::UnsupportedVersion;
        }
        propMaxBitRate = c.u32();
        propAverageBitRate = c.u32();
        propMaxPacketSize = c.u32();
        propAveragePacketSize = c.u32();
        propPacketCount = c.u32();
        propDuration = c.u32();
        propPreroll = c.u32();
        propIndexOffset = c.u32();
        c.u32(); // data offset: DATA is found by walking the chunks
        c.u16(); // stream count: the MDPR chunks are counted instead
        propFlags = c.u16();
        if (!c.ok) {
            return RmError::BadChunk;
        }
        havePROP = true;
        return RmError::Ok;
    }
    if (id == fourcc("MDPR")) {
        if (version != 0) {
            return RmError::UnsupportedVersion;
        }
        MediaProperties m;
        m.streamNumber = c.u16();
        m.maxBitRate = c.u32();
        m.averageBitRate = c.u32();
        m.maxPacketSize = c.u32();
        m.averagePacketSize = c.u32();
        m.startTime = c.u32();
        m.preroll = c.u32();
        m.duration = c.u32();
        m.streamName = c.bytes(c.u8());
        m.mimeType = c.bytes(c.u8());
        const uint32_t tsdSize = c.u32();
        if (c.ok && tsdSize <= c.size - c.pos) {
            m.typeSpecificData.assign(chunk.begin() + static_cast<std::ptrdiff_t>(c.pos),
                                      chunk.begin() + static_cast<std::ptrdiff_t>(c.pos + tsdSize));
        } else {
            c.ok = false;
        }
        if (!c.ok) {
            return RmError::BadChunk;
        }
        if (streamIndex(m.streamNumber) >= 0) {
            return RmError::BadChunk;
        }
        if (streams.size() >= MaxStreams) {
            return RmError::TooManyStreams;
        }
        m.raw = chunk;
        streams.push_back(std::move(m));
        return RmError::Ok;
    }
    // CONT
    if (hasContent) {
        return RmError::Ok;
    }
    if (version != 0) {
        return RmError::UnsupportedVersion;
    }
    content.title = c.bytes(c.u16());
    content.author = c.bytes(c.u16());
    content.copyright = c.bytes(c.u16());
    content.comment = c.bytes(c.u16());
    if (!c.ok) {
        return RmError::BadChunk;
    }
    hasContent = true;
    return RmError::Ok;
}

} // namespace rm
