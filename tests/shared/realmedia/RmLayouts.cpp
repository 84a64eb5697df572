#include "RmLayouts.h"

#include <algorithm>
#include <stdexcept>

namespace rmtest {

namespace {

RmModel parse(const Bytes& file)
{
    std::string why;
    auto model = parseModel(file, &why);
    if (!model) {
        throw std::runtime_error("layout builder: " + why);
    }
    return *model;
}

bool isVideo(const RmModel& m, uint16_t stream)
{
    const int index = m.streamIndexOf(stream);
    return index >= 0 && m.streams()[static_cast<size_t>(index)].mime.rfind("video/", 0) == 0;
}

// The frame bytes of one ffmpeg video packet (a single sub-packet holding the whole frame).
Bytes frameData(const ModelPacket& p)
{
    std::vector<VideoSubPacket> subs;
    if (!walkVideoPayload(p.payload, subs) || subs.size() != 1) {
        throw std::runtime_error("layout builder: video packet is not one whole frame");
    }
    return Bytes(p.payload.begin() + static_cast<long>(subs[0].dataAt),
                 p.payload.begin() + static_cast<long>(subs[0].dataAt + subs[0].dataLength));
}

void setPropStreams(RmModel& m, uint16_t count)
{
    if (ModelChunk* prop = m.find("PROP")) {
        setU16At(prop->bytes, 46, count);
    }
}

void replaceStream(RmModel& m, size_t index, const ModelStream& stream)
{
    size_t seen = 0;
    for (ModelChunk& c : m.headers) {
        if (c.id == "MDPR" && seen++ == index) {
            c = buildStream(stream);
            return;
        }
    }
}

} // namespace

Bytes multiFrameVideo(const Bytes& file, int framesPerPacket)
{
    RmModel m = parse(file);
    std::vector<ModelPacket> out;
    size_t open = SIZE_MAX; // index in out of the video packet being filled
    int inOpen = 0;
    for (const ModelPacket& p : m.packets) {
        if (!isVideo(m, p.stream)) {
            out.push_back(p);
            continue;
        }
        const Bytes data = frameData(p);
        if (open == SIZE_MAX || p.keyframe() || inOpen == framesPerPacket) {
            ModelPacket packet = p;
            packet.payload.clear();
            out.push_back(packet);
            open = out.size() - 1;
            inOpen = 0;
        }
        Bytes& payload = out[open].payload;
        payload.push_back(0xc0);
        putVideoNumber(payload, static_cast<uint32_t>(data.size()));
        putVideoNumber(payload, p.timestamp);
        payload.push_back(static_cast<uint8_t>(inOpen));
        payload.insert(payload.end(), data.begin(), data.end());
        ++inOpen;
    }
    m.packets = out;
    return serializeModel(m);
}

Bytes slicedVideo(const Bytes& file)
{
    RmModel m = parse(file);
    std::vector<ModelPacket> out;
    for (const ModelPacket& p : m.packets) {
        if (!isVideo(m, p.stream)) {
            out.push_back(p);
            continue;
        }
        const Bytes data = frameData(p);
        const auto total = static_cast<uint32_t>(data.size());
        const uint32_t half = total / 2;
        const uint8_t picture = static_cast<uint8_t>(out.size());
        ModelPacket first = p;
        first.payload = {0x01, static_cast<uint8_t>(p.keyframe() ? 0x81 : 0x01)};
        putVideoNumber(first.payload, total);
        putVideoNumber(first.payload, 0);
        first.payload.push_back(picture);
        first.payload.insert(first.payload.end(), data.begin(), data.begin() + half);
        ModelPacket second = p;
        second.flags = 0;
        second.payload = {0x81, static_cast<uint8_t>(p.keyframe() ? 0x82 : 0x02)};
        putVideoNumber(second.payload, total);
        putVideoNumber(second.payload, total - half);
        second.payload.push_back(picture);
        second.payload.insert(second.payload.end(), data.begin() + half, data.end());
        out.push_back(first);
        out.push_back(second);
    }
    m.packets = out;
    return serializeModel(m);
}

Bytes withFileInfo(const Bytes& file, const std::vector<std::pair<std::string, std::string>>& properties,
                   bool pointAtData)
{
    RmModel m = parse(file);
    const auto streams = m.streams();
    FileInfo info;
    for (const auto& [name, value] : properties) {
        info.properties.push_back({name, 2, Bytes(value.begin(), value.end())});
    }
    info.streams.push_back(0);
    info.dataOffsets.push_back(0);
    ModelStream fileInfo;
    fileInfo.number = static_cast<uint16_t>(streams.size());
    fileInfo.mime = "logical-fileinfo";
    fileInfo.typeSpecific = buildFileInfo(info);
    m.headers.push_back(buildStream(fileInfo));
    setPropStreams(m, static_cast<uint16_t>(streams.size() + 1));
    // The header's size does not depend on the offset's value: write once to learn where DATA lands.
    const Bytes first = serializeModel(m);
    const auto again = parse(first);
    info.dataOffsets[0] = pointAtData ? static_cast<uint32_t>(again.dataChunkOffsets[0]) : 12345;
    fileInfo.typeSpecific = buildFileInfo(info);
    m.headers.back() = buildStream(fileInfo);
    return serializeModel(m);
}

Bytes multiRateVideo(const Bytes& a, const Bytes& b, bool version1)
{
    RmModel ma = parse(a);
    const RmModel mb = parse(b);
    ModelStream video = ma.streams()[0];
    const Bytes codecA = video.typeSpecific;
    const Bytes codecB = mb.streams()[0].typeSpecific;
    Bytes multi = {'M', 'L', 'T', 'I'};
    const std::vector<uint16_t> table = {0, 0, 1, 1};
    putU16(multi, static_cast<uint16_t>(table.size()));
    for (uint16_t t : table) {
        putU16(multi, t);
    }
    putU16(multi, 2);
    for (const Bytes* codec : {&codecA, &codecB}) {
        putU32(multi, static_cast<uint32_t>(codec->size()));
        multi.insert(multi.end(), codec->begin(), codec->end());
    }
    video.typeSpecific = multi;
    video.mime = "video/x-pn-multirate-realvideo";
    replaceStream(ma, 0, video);
    auto retag = [&](ModelPacket p, int encoding) {
        p.stream = video.number;
        p.version = version1 ? 1 : 0;
        // Version 1: rule 0 or 2 through the table; version 0: the packet group byte (encoding + 1) * 2.
        p.rule = static_cast<uint16_t>(version1 ? encoding * 2 : (encoding + 1) * 2);
        return p;
    };
    std::vector<ModelPacket> merged;
    size_t i = 0, j = 0;
    while (i < ma.packets.size() || j < mb.packets.size()) {
        if (j == mb.packets.size() ||
            (i < ma.packets.size() && ma.packets[i].timestamp <= mb.packets[j].timestamp)) {
            merged.push_back(retag(ma.packets[i++], 0));
        } else {
            merged.push_back(retag(mb.packets[j++], 1));
        }
    }
    ma.packets = merged;
    return serializeModel(ma);
}

Bytes shiftTimestamps(const Bytes& file, uint32_t add)
{
    RmModel m = parse(file);
    for (ModelPacket& p : m.packets) {
        p.timestamp += add;
    }
    return serializeModel(m);
}

Bytes dropVideoBefore(const Bytes& file, uint32_t ms)
{
    RmModel m = parse(file);
    std::erase_if(m.packets, [&](const ModelPacket& p) { return isVideo(m, p.stream) && p.timestamp < ms; });
    return serializeModel(m);
}

Bytes interleavedAudio(const Bytes& file, int blockHeight, uint32_t blockMs, bool rising)
{
    RmModel m = parse(file);
    const auto streams = m.streams();
    size_t audioIndex = 0;
    while (audioIndex < streams.size() && streams[audioIndex].mime.rfind("audio/", 0) != 0) {
        ++audioIndex;
    }
    ModelStream audio = streams.at(audioIndex);
    const uint16_t frameSize = 96;
    Bytes t = {'.', 'r', 'a', 0xfd};
    putU16(t, 4);
    putU16(t, 0);
    t.insert(t.end(), {'.', 'r', 'a', '4'});
    putU32(t, 0);         // data size
    putU16(t, 4);         // version 2
    putU32(t, 0);         // header size
    putU16(t, 1);         // flavour
    putU32(t, frameSize); // coded frame size
    putU32(t, 0);
    putU32(t, 0);
    putU32(t, 0);
    putU16(t, static_cast<uint16_t>(blockHeight));
    putU16(t, frameSize); // frame size
    putU16(t, frameSize); // sub-packet size
    putU16(t, 0);
    putU16(t, 44100);
    putU32(t, 16);
    putU16(t, 2);
    t.push_back(4);
    t.insert(t.end(), {'g', 'e', 'n', 'r'});
    t.push_back(4);
    t.insert(t.end(), {'a', 't', 'r', 'c'});
    putU16(t, 0);
    t.push_back(0);
    const Bytes extra = {0, 0,    0,    4, 0x08,
                         0, 0x08, 0x8e, 0, 0x12}; // ATRAC3 setup: version, samples, delay, joint stereo
    putU32(t, static_cast<uint32_t>(extra.size()));
    t.insert(t.end(), extra.begin(), extra.end());
    audio.typeSpecific = t;
    audio.mime = "audio/x-pn-realaudio";
    replaceStream(m, audioIndex, audio);

    uint32_t end = 0;
    for (const ModelPacket& p : m.packets) {
        end = std::max(end, p.timestamp);
    }
    std::erase_if(m.packets, [&](const ModelPacket& p) { return p.stream == audio.number; });
    std::vector<ModelPacket> blocks;
    uint8_t fill = 1;
    for (uint32_t start = 0; start <= end; start += blockMs) {
        for (int k = 0; k < blockHeight; ++k) {
            ModelPacket p;
            p.stream = audio.number;
            p.timestamp = rising ? start + static_cast<uint32_t>(k) * blockMs / blockHeight : start;
            p.flags = k == 0 ? 2 : 0;
            p.payload.assign(frameSize, fill++);
            blocks.push_back(std::move(p));
        }
    }
    std::vector<ModelPacket> merged;
    std::merge(m.packets.begin(), m.packets.end(), blocks.begin(), blocks.end(), std::back_inserter(merged),
               [](const ModelPacket& x, const ModelPacket& y) { return x.timestamp < y.timestamp; });
    m.packets = merged;
    return serializeModel(m);
}

Bytes realVideo4(uint32_t durationMs, int gop, bool decodeOrder, uint32_t startMs)
{
    RmModel m;
    ModelChunk prop;
    prop.id = "PROP";
    prop.bytes = {'P', 'R', 'O', 'P', 0, 0, 0, 50, 0, 0};
    prop.bytes.resize(50, 0);
    setU32At(prop.bytes, 30, durationMs);
    setU16At(prop.bytes, 46, 1);
    m.headers.push_back(prop);
    ModelChunk cont;
    cont.id = "CONT";
    cont.bytes = {'C', 'O', 'N', 'T', 0, 0, 0, 18, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    m.headers.push_back(cont);
    ModelStream video;
    video.number = 0;
    video.name = "Video";
    video.mime = "video/x-pn-realvideo";
    Bytes& t = video.typeSpecific;
    putU32(t, 34);
    t.insert(t.end(), {'V', 'I', 'D', 'O', 'R', 'V', '4', '0'});
    putU16(t, 160);
    putU16(t, 120);
    putU16(t, 12);
    putU32(t, 0);
    putU32(t, 25u << 16);
    t.insert(t.end(), {0, 0, 0, 0, 0x40, 0, 0, 0});
    m.headers.push_back(buildStream(video));

    const uint32_t step = 40;
    const int frames = static_cast<int>(durationMs / step) / 3 * 3 + 1; // ends on an anchor frame
    // Decode order: each anchor (I or P, every third frame) before the two B-frames shown ahead of it.
    std::vector<int> order;
    for (int anchor = 0; anchor < frames; anchor += 3) {
        order.push_back(anchor);
        for (int b = anchor - 2; b < anchor; ++b) {
            if (b > 0) {
                order.push_back(b);
            }
        }
    }
    for (size_t k = 0; k < order.size(); ++k) {
        const int n = order[k];
        const int type = n % gop == 0 ? 0 : n % 3 == 0 ? 2 : 3;
        const uint32_t display = startMs + static_cast<uint32_t>(n) * step;
        ModelPacket p;
        p.stream = 0;
        p.timestamp = decodeOrder ? startMs + static_cast<uint32_t>(k) * step : display;
        p.flags = type == 0 ? 2 : 0;
        Bytes& payload = p.payload;
        payload.push_back(0x40); // one whole frame
        payload.push_back(type == 0 ? 0x81 : 0x01);
        const uint32_t header = static_cast<uint32_t>(type) << 29 | 10u << 24 | (display & 0x1fff) << 6;
        putU32(payload, header);
        for (int i = 0; i < 40; ++i) {
            payload.push_back(static_cast<uint8_t>(n * 7 + i));
        }
        m.packets.push_back(std::move(p));
    }
    return serializeModel(m);
}

} // namespace rmtest
