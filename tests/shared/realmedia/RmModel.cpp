#include "RmModel.h"

#include <algorithm>
#include <cstring>

namespace rmtest {

uint16_t getU16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] << 8 | p[1]);
}

uint32_t getU32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
           static_cast<uint32_t>(p[2]) << 8 | p[3];
}

void putU16(Bytes& out, uint16_t v)
{
    out.push_back(static_cast<uint8_t>(v >> 8));
    out.push_back(static_cast<uint8_t>(v));
}

void putU32(Bytes& out, uint32_t v)
{
    putU16(out, static_cast<uint16_t>(v >> 16));
    putU16(out, static_cast<uint16_t>(v));
}

void setU16At(Bytes& b, size_t at, uint16_t v)
{
    b[at] = static_cast<uint8_t>(v >> 8);
    b[at + 1] = static_cast<uint8_t>(v);
}

void setU32At(Bytes& b, size_t at, uint32_t v)
{
    setU16At(b, at, static_cast<uint16_t>(v >> 16));
    setU16At(b, at + 2, static_cast<uint16_t>(v));
}

namespace {

// Bounds-checked reader over a byte range.
struct Reader
{
    const uint8_t* data;
    size_t size;
    size_t pos = 0;
    bool ok = true;
    bool need(size_t n)
    {
        ok = ok && n <= size - pos;
        return ok;
    }
    uint8_t u8() { return need(1) ? data[pos++] : 0; }
    uint16_t u16()
    {
        if (!need(2)) {
            return 0;
        }
        pos += 2;
        return getU16(data + pos - 2);
    }
    uint32_t u32()
    {
        if (!need(4)) {
            return 0;
        }
        pos += 4;
        return getU32(data + pos - 4);
    }
    std::string text(size_t n)
    {
        if (!need(n)) {
            return {};
        }
        pos += n;
        return std::string(reinterpret_cast<const char*>(data + pos - n), n);
    }
};

} // namespace

ModelStream parseStream(const ModelChunk& mdpr)
{
    ModelStream s;
    Reader r{mdpr.bytes.data(), mdpr.bytes.size(), 10};
    s.number = r.u16();
    s.maxBitRate = r.u32();
    s.averageBitRate = r.u32();
    s.maxPacketSize = r.u32();
    s.averagePacketSize = r.u32();
    r.u32(); // start time
    r.u32(); // preroll
    s.duration = r.u32();
    s.name = r.text(r.u8());
    s.mime = r.text(r.u8());
    const std::string tsd = r.text(r.u32());
    s.typeSpecific.assign(tsd.begin(), tsd.end());
    return s;
}

ModelChunk buildStream(const ModelStream& s)
{
    ModelChunk c;
    c.id = "MDPR";
    Bytes& b = c.bytes;
    b = {'M', 'D', 'P', 'R', 0, 0, 0, 0, 0, 0};
    putU16(b, s.number);
    putU32(b, s.maxBitRate);
    putU32(b, s.averageBitRate);
    putU32(b, s.maxPacketSize);
    putU32(b, s.averagePacketSize);
    putU32(b, 0);
    putU32(b, 0);
    putU32(b, s.duration);
    b.push_back(static_cast<uint8_t>(s.name.size()));
    b.insert(b.end(), s.name.begin(), s.name.end());
    b.push_back(static_cast<uint8_t>(s.mime.size()));
    b.insert(b.end(), s.mime.begin(), s.mime.end());
    putU32(b, static_cast<uint32_t>(s.typeSpecific.size()));
    b.insert(b.end(), s.typeSpecific.begin(), s.typeSpecific.end());
    setU32At(b, 4, static_cast<uint32_t>(b.size()));
    return c;
}

ModelChunk* RmModel::find(const std::string& id)
{
    for (ModelChunk& c : headers) {
        if (c.id == id) {
            return &c;
        }
    }
    return nullptr;
}

const ModelChunk* RmModel::find(const std::string& id) const
{
    return const_cast<RmModel*>(this)->find(id);
}

std::vector<ModelStream> RmModel::streams() const
{
    std::vector<ModelStream> out;
    for (const ModelChunk& c : headers) {
        if (c.id == "MDPR") {
            out.push_back(parseStream(c));
        }
    }
    return out;
}

int RmModel::streamIndexOf(uint16_t number) const
{
    const auto all = streams();
    for (size_t i = 0; i < all.size(); ++i) {
        if (all[i].number == number) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

std::string RmModel::title() const
{
    const ModelChunk* cont = find("CONT");
    if (!cont || cont->bytes.size() < 12) {
        return {};
    }
    const uint16_t length = getU16(cont->bytes.data() + 10);
    return std::string(cont->bytes.begin() + 12,
                       cont->bytes.begin() + 12 + std::min<size_t>(length, cont->bytes.size() - 12));
}

std::optional<RmModel> parseModel(const Bytes& d, std::string* problem)
{
    auto fail = [&](const std::string& why) -> std::optional<RmModel> {
        if (problem) {
            *problem = why;
        }
        return std::nullopt;
    };
    RmModel m;
    m.fileSize = d.size();
    if (d.size() < 18 || std::memcmp(d.data(), ".RMF", 4) != 0) {
        return fail("no .RMF");
    }
    m.headerCount = getU32(d.data() + 14);
    uint64_t p = getU32(d.data() + 4);
    while (true) {
        if (p + 10 > d.size()) {
            return fail("no DATA chunk");
        }
        const std::string id(d.begin() + static_cast<long>(p), d.begin() + static_cast<long>(p) + 4);
        const uint32_t size = getU32(d.data() + p + 4);
        if (id == "DATA") {
            break;
        }
        if (size < 10 || p + size > d.size()) {
            return fail("header chunk " + id + " runs out of the file");
        }
        m.headers.push_back(
            {id, p, Bytes(d.begin() + static_cast<long>(p), d.begin() + static_cast<long>(p + size))});
        p += size;
    }
    uint64_t end = p;
    for (uint64_t data = p; data != 0;) {
        if (data + 18 > d.size() || std::memcmp(d.data() + data, "DATA", 4) != 0) {
            return fail("DATA chain points at something else");
        }
        const uint32_t size = getU32(d.data() + data + 4);
        const uint32_t count = getU32(d.data() + data + 10);
        const uint32_t next = getU32(d.data() + data + 14);
        m.dataChunkOffsets.push_back(data);
        m.dataChunkCounts.push_back(count);
        uint64_t q = data + 18;
        for (uint32_t i = 0; i < count; ++i) {
            if (q + 12 > d.size()) {
                return fail("packet header outside the file");
            }
            ModelPacket packet;
            packet.offset = q;
            packet.version = getU16(d.data() + q);
            const uint16_t length = getU16(d.data() + q + 2);
            const size_t header = packet.version == 0 ? 12 : 13;
            if (packet.version > 1 || length < header || q + length > d.size()) {
                return fail("bad packet at " + std::to_string(q));
            }
            packet.stream = getU16(d.data() + q + 4);
            packet.timestamp = getU32(d.data() + q + 6);
            packet.rule = packet.version == 0 ? d[q + 10] : getU16(d.data() + q + 10);
            packet.flags = d[q + header - 1];
            packet.payload.assign(d.begin() + static_cast<long>(q + header),
                                  d.begin() + static_cast<long>(q + length));
            m.packets.push_back(std::move(packet));
            q += length;
        }
        if (q != data + size) {
            m.strictSizes = false;
        }
        end = q;
        if (next != 0 && next <= data) {
            return fail("DATA chain goes backwards");
        }
        data = next;
    }
    // Chunks after the data; ffmpeg ends its files with zero bytes instead.
    while (end + 10 <= d.size()) {
        const uint32_t size = getU32(d.data() + end + 4);
        if (d[end] == 0 || size < 10 || end + size > d.size()) {
            m.strictSizes = m.strictSizes && false;
            break;
        }
        const std::string id(d.begin() + static_cast<long>(end), d.begin() + static_cast<long>(end) + 4);
        m.trailers.push_back(
            {id, end, Bytes(d.begin() + static_cast<long>(end), d.begin() + static_cast<long>(end + size))});
        end += size;
    }
    if (end != d.size()) {
        m.strictSizes = false;
    }
    return m;
}

Bytes serializeModel(const RmModel& m)
{
    Bytes out = {'.', 'R', 'M', 'F', 0, 0, 0, 18, 0, 0, 0, 0, 0, 0};
    putU32(out, static_cast<uint32_t>(m.headers.size() + 1 + m.trailers.size()));
    size_t propAt = 0;
    for (const ModelChunk& c : m.headers) {
        if (c.id == "PROP") {
            propAt = out.size();
        }
        out.insert(out.end(), c.bytes.begin(), c.bytes.end());
    }
    const size_t dataAt = out.size();
    out.insert(out.end(), {'D', 'A', 'T', 'A', 0, 0, 0, 0, 0, 0});
    putU32(out, static_cast<uint32_t>(m.packets.size()));
    putU32(out, 0);
    uint64_t total = 0;
    uint32_t largest = 0;
    for (const ModelPacket& p : m.packets) {
        putU16(out, p.version);
        putU16(out, p.length());
        putU16(out, p.stream);
        putU32(out, p.timestamp);
        if (p.version == 0) {
            out.push_back(static_cast<uint8_t>(p.rule));
        } else {
            putU16(out, p.rule);
        }
        out.push_back(p.flags);
        out.insert(out.end(), p.payload.begin(), p.payload.end());
        total += p.length();
        largest = std::max<uint32_t>(largest, p.length());
    }
    setU32At(out, dataAt + 4, static_cast<uint32_t>(out.size() - dataAt));
    for (const ModelChunk& c : m.trailers) {
        out.insert(out.end(), c.bytes.begin(), c.bytes.end());
    }
    if (propAt != 0) {
        setU32At(out, propAt + 18, largest);
        setU32At(out, propAt + 22, m.packets.empty() ? 0 : static_cast<uint32_t>(total / m.packets.size()));
        setU32At(out, propAt + 26, static_cast<uint32_t>(m.packets.size()));
        setU32At(out, propAt + 38, 0);
        setU32At(out, propAt + 42, static_cast<uint32_t>(dataAt));
    }
    return out;
}

bool walkVideoPayload(const Bytes& payload, std::vector<VideoSubPacket>& out)
{
    out.clear();
    Reader r{payload.data(), payload.size()};
    auto number = [&](bool& wide) -> uint32_t {
        const uint16_t n = static_cast<uint16_t>(r.u16() & 0x7fff);
        if (n >= 0x4000) {
            wide = false;
            return n - 0x4000u;
        }
        wide = true;
        return static_cast<uint32_t>(n) << 16 | r.u16();
    };
    while (r.ok && r.pos < r.size) {
        VideoSubPacket s;
        const uint8_t header = r.u8();
        s.type = header >> 6;
        if (s.type != 3) {
            s.sequence = r.u8();
        }
        if (s.type != 1) {
            bool wide = false;
            s.first = number(wide);
            s.secondAt = r.pos;
            s.second = number(s.secondWide);
            r.u8(); // picture number
        }
        if (!r.ok) {
            return false;
        }
        const size_t rest = r.size - r.pos;
        s.dataAt = r.pos;
        if (s.type == 3) {
            if (s.first > rest) {
                return false;
            }
            s.dataLength = s.first;
        } else if (s.type == 2) {
            s.dataLength = std::min<size_t>(rest, s.second);
        } else {
            s.dataLength = rest;
        }
        r.pos += s.dataLength;
        out.push_back(s);
    }
    return r.ok;
}

void putVideoNumber(Bytes& out, uint32_t value, bool wide)
{
    if (!wide && value < 0x4000) {
        putU16(out, static_cast<uint16_t>(0x4000 | value));
    } else {
        putU32(out, value & 0x3fffffff);
    }
}

std::optional<AudioSetup> parseAudioSetup(const Bytes& t)
{
    if (t.size() < 8 || std::memcmp(t.data(), ".ra\xfd", 4) != 0) {
        return std::nullopt;
    }
    AudioSetup a;
    a.version = getU16(t.data() + 4);
    if (a.version == 3) {
        a.codec = "lpcJ";
        a.blockHeight = 1;
        return a;
    }
    Reader r{t.data(), t.size(), 40};
    a.blockHeight = r.u16();
    if (a.version == 4) {
        r.pos = 56;
        a.interleaver = r.text(r.u8());
        a.codec = r.text(r.u8());
    } else if (a.version == 5) {
        r.pos = 62;
        a.interleaver = r.text(4);
        a.codec = r.text(4);
    }
    if (!r.ok) {
        return std::nullopt;
    }
    return a;
}

std::string FileInfo::text(const std::string& name) const
{
    for (const Property& p : properties) {
        if (p.name == name) {
            return std::string(p.value.begin(), p.value.end());
        }
    }
    return {};
}

Bytes buildFileInfo(const FileInfo& info)
{
    Bytes b;
    putU32(b, 0);
    putU16(b, 0);
    putU16(b, static_cast<uint16_t>(info.streams.size()));
    for (uint16_t s : info.streams) {
        putU16(b, s);
    }
    for (uint32_t o : info.dataOffsets) {
        putU32(b, o);
    }
    putU16(b, static_cast<uint16_t>(info.rules.size()));
    for (uint16_t r : info.rules) {
        putU16(b, r);
    }
    putU16(b, static_cast<uint16_t>(info.properties.size()));
    for (const FileInfo::Property& p : info.properties) {
        putU32(b, static_cast<uint32_t>(4 + 2 + 1 + p.name.size() + 4 + 2 + p.value.size()));
        putU16(b, 0);
        b.push_back(static_cast<uint8_t>(p.name.size()));
        b.insert(b.end(), p.name.begin(), p.name.end());
        putU32(b, p.type);
        putU16(b, static_cast<uint16_t>(p.value.size()));
        b.insert(b.end(), p.value.begin(), p.value.end());
    }
    setU32At(b, 0, static_cast<uint32_t>(b.size()));
    return b;
}

std::optional<FileInfo> parseFileInfo(const Bytes& t)
{
    Reader r{t.data(), t.size()};
    FileInfo info;
    r.u32();
    if (r.u16() != 0) {
        return std::nullopt;
    }
    const uint16_t n = r.u16();
    for (uint16_t i = 0; i < n; ++i) {
        info.streams.push_back(r.u16());
    }
    for (uint16_t i = 0; i < n; ++i) {
        info.dataOffsets.push_back(r.u32());
    }
    const uint16_t rules = r.u16();
    for (uint16_t i = 0; i < rules; ++i) {
        info.rules.push_back(r.u16());
    }
    const uint16_t count = r.u16();
    for (uint16_t i = 0; i < count && r.ok; ++i) {
        FileInfo::Property p;
        r.u32();
        r.u16();
        p.name = r.text(r.u8());
        p.type = r.u32();
        const std::string value = r.text(r.u16());
        p.value.assign(value.begin(), value.end());
        info.properties.push_back(std::move(p));
    }
    if (!r.ok) {
        return std::nullopt;
    }
    return info;
}

} // namespace rmtest
