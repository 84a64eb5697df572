#include "RmLayoutCheck.h"

#include "RmTestSupport.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <sstream>

namespace rmtest {

namespace {

bool isLogical(const ModelStream& s)
{
    return s.mime.rfind("logical-", 0) == 0;
}

// Rule table of a multi-rate ("MLTI") stream; empty otherwise.
std::vector<uint16_t> ruleTable(const ModelStream& s)
{
    const Bytes& t = s.typeSpecific;
    std::vector<uint16_t> table;
    if (t.size() < 6 || std::memcmp(t.data(), "MLTI", 4) != 0) {
        return table;
    }
    const uint16_t count = getU16(t.data() + 4);
    for (uint16_t i = 0; i < count && 8 + 2u * i <= t.size(); ++i) {
        table.push_back(getU16(t.data() + 6 + 2 * i));
    }
    return table;
}

// Codec data of the first encoding: the stream's own, or the first one inside an MLTI table.
Bytes firstCodecData(const ModelStream& s)
{
    const Bytes& t = s.typeSpecific;
    if (t.size() < 6 || std::memcmp(t.data(), "MLTI", 4) != 0) {
        return t;
    }
    size_t p = 6 + 2u * getU16(t.data() + 4);
    if (p + 6 > t.size()) {
        return {};
    }
    p += 2; // number of encodings
    const uint32_t size = getU32(t.data() + p);
    p += 4;
    if (size > t.size() - p) {
        return {};
    }
    return Bytes(t.begin() + static_cast<long>(p), t.begin() + static_cast<long>(p + size));
}

struct Track
{
    bool seen = false;
    bool frameOpen = false;
    bool bFramesOnly = false;
    int64_t lastTime = -1;      // last packet header time of a frame that is no B-frame
    int64_t lastFrameTime = -1; // last frame timestamp inside payloads
    size_t sinceKeyframe = 0;   // packets since the last block start (interleaved audio)
    bool blockStarted = false;
};

} // namespace

int encodingOf(const ModelStream& stream, const ModelPacket& packet)
{
    const auto table = ruleTable(stream);
    if (table.empty()) {
        return 0;
    }
    if (packet.version == 0) {
        return std::max((packet.rule >> 1) - 1, 0);
    }
    return packet.rule < table.size() ? table[packet.rule] : static_cast<int>(table.size());
}

int realVideoVersion(const ModelStream& stream)
{
    const Bytes d = firstCodecData(stream);
    if (d.size() < 12 || std::memcmp(d.data() + 4, "VIDO", 4) != 0 ||
        std::memcmp(d.data() + 8, "RV", 2) != 0) {
        return 0;
    }
    if (d[10] == 'T' && d[11] == 'R') {
        return 2;
    }
    return d[10] - '0';
}

int pictureType(int version, const uint8_t* data, size_t size)
{
    if (size < 4 || (version != 3 && version != 4)) {
        return 0;
    }
    const uint32_t header = getU32(data);
    return version == 3 ? (header >> 27) & 3 : (header >> 29) & 3;
}

std::vector<std::string> checkLayout(const std::string& path, const LayoutRules& rules)
{
    std::vector<std::string> problems;
    auto problem = [&](const std::string& text) {
        if (problems.size() < 40) {
            problems.push_back(text);
        }
    };
    std::string why;
    const auto parsed = parseModel(readBytes(path), &why);
    if (!parsed) {
        return {"unreadable: " + why};
    }
    const RmModel& m = *parsed;
    if (!m.strictSizes) {
        problem("chunk sizes do not match their contents");
    }
    if (m.headerCount != m.headers.size() + m.dataChunkOffsets.size() + m.trailers.size()) {
        problem(".RMF header count " + std::to_string(m.headerCount) + " is not the chunk count");
    }
    const auto streams = m.streams();

    // Per stream: packets, bytes, largest packet, last timestamp.
    std::vector<uint64_t> count(streams.size()), bytes(streams.size()), lastTime(streams.size());
    std::vector<uint32_t> largest(streams.size());
    std::vector<uint64_t> numberInStream(m.packets.size());
    std::map<uint64_t, size_t> byOffset;
    uint64_t total = 0;
    uint32_t largestAll = 0;
    for (size_t i = 0; i < m.packets.size(); ++i) {
        const ModelPacket& p = m.packets[i];
        const int s = m.streamIndexOf(p.stream);
        if (s < 0) {
            problem("packet " + std::to_string(i) + " of unknown stream " + std::to_string(p.stream));
            continue;
        }
        byOffset[p.offset] = i;
        numberInStream[i] = count[s]++;
        bytes[s] += p.length();
        largest[s] = std::max<uint32_t>(largest[s], p.length());
        lastTime[s] = std::max<uint64_t>(lastTime[s], p.timestamp);
        total += p.length();
        largestAll = std::max<uint32_t>(largestAll, p.length());
    }

    // PROP.
    const ModelChunk* prop = m.find("PROP");
    if (!prop || prop->bytes.size() < 50) {
        problem("no PROP");
    } else {
        const uint8_t* b = prop->bytes.data();
        if (getU32(b + 18) != largestAll) {
            problem("PROP largest packet " + std::to_string(getU32(b + 18)) +
                    " != " + std::to_string(largestAll));
        }
        if (!m.packets.empty() && getU32(b + 22) != total / m.packets.size()) {
            problem("PROP average packet size wrong");
        }
        if (getU32(b + 26) != m.packets.size()) {
            problem("PROP packet count " + std::to_string(getU32(b + 26)) +
                    " != " + std::to_string(m.packets.size()));
        }
        const uint32_t duration = getU32(b + 30);
        for (size_t s = 0; s < streams.size(); ++s) {
            if (count[s] > 0 && lastTime[s] > duration) {
                problem("PROP duration " + std::to_string(duration) + " ends before stream " +
                        std::to_string(s));
            }
        }
        const uint32_t indexOffset = getU32(b + 38);
        const uint64_t firstIndex =
            m.trailers.empty() || m.trailers[0].id != "INDX" ? 0 : m.trailers[0].offset;
        if (indexOffset != firstIndex) {
            problem("PROP index offset " + std::to_string(indexOffset) + " != " + std::to_string(firstIndex));
        }
        if (m.dataChunkOffsets.empty() || getU32(b + 42) != m.dataChunkOffsets[0]) {
            problem("PROP data offset wrong");
        }
        if (getU16(b + 46) != streams.size()) {
            problem("PROP stream count wrong");
        }
    }

    // MDPR and the file-info stream.
    for (size_t s = 0; s < streams.size(); ++s) {
        const ModelStream& st = streams[s];
        if (st.mime == "logical-fileinfo") {
            const auto info = parseFileInfo(st.typeSpecific);
            if (!info) {
                problem("file-info stream unreadable");
                continue;
            }
            for (uint32_t offset : info->dataOffsets) {
                if (offset != 0 && (m.dataChunkOffsets.empty() || offset != m.dataChunkOffsets[0])) {
                    problem("file-info data offset " + std::to_string(offset) + " points at no DATA chunk");
                }
            }
            for (const auto& property : info->properties) {
                if (property.name == "Title" &&
                    std::string(property.value.begin(), property.value.end()) != m.title()) {
                    problem("file-info title differs from the title");
                }
            }
            continue;
        }
        if (count[s] == 0) {
            continue;
        }
        if (st.maxPacketSize != largest[s]) {
            problem("MDPR " + std::to_string(s) + " largest packet " + std::to_string(st.maxPacketSize) +
                    " != " + std::to_string(largest[s]));
        }
        if (st.averagePacketSize != bytes[s] / count[s]) {
            problem("MDPR " + std::to_string(s) + " average packet size wrong");
        }
        if (st.duration < lastTime[s]) {
            problem("MDPR " + std::to_string(s) + " duration ends before its last packet");
        }
    }

    // Per stream and encoding: time, keyframes, whole frames, whole blocks.
    std::map<std::pair<int, int>, Track> tracks;
    std::vector<VideoSubPacket> subs;
    for (size_t i = 0; i < m.packets.size(); ++i) {
        const ModelPacket& p = m.packets[i];
        const int s = m.streamIndexOf(p.stream);
        if (s < 0) {
            continue;
        }
        const ModelStream& st = streams[s];
        if (isLogical(st)) {
            problem("packet in logical stream");
            continue;
        }
        const int enc = encodingOf(st, p);
        Track& t = tracks[{s, enc}];
        std::ostringstream where;
        where << "stream " << s << " encoding " << enc << " packet " << i << " (t=" << p.timestamp << "): ";
        const bool first = !t.seen;
        t.seen = true;
        const bool video = st.mime.rfind("video/", 0) == 0;
        bool bFrame = false;
        if (video) {
            if (!walkVideoPayload(p.payload, subs) || subs.empty()) {
                problem(where.str() + "video payload does not hold whole sub-packets");
                continue;
            }
            const int version = realVideoVersion(st);
            for (size_t k = 0; k < subs.size(); ++k) {
                const VideoSubPacket& sp = subs[k];
                const bool startsFrame = sp.type == 1 || sp.type == 3 || (sp.sequence & 0x7f) == 1;
                if (startsFrame) {
                    if (t.frameOpen) {
                        problem(where.str() + "frame started while another is open");
                    }
                    const int type = pictureType(version, p.payload.data() + sp.dataAt, sp.dataLength);
                    if (k == 0) {
                        bFrame = type == 3;
                    }
                    if (first && k == 0 && rules.cut && (!p.keyframe() || (sp.sequence & 0x80) == 0) &&
                        sp.type != 3) {
                        problem(where.str() + "cut opens on a frame that is no keyframe");
                    }
                } else if (!t.frameOpen) {
                    problem(where.str() + "slice without the start of its frame");
                }
                t.frameOpen = sp.type == 0;
                if (sp.type == 3 && pictureType(version, p.payload.data() + sp.dataAt, sp.dataLength) != 3) {
                    const int64_t frameTime = sp.second;
                    if (frameTime < t.lastFrameTime) {
                        problem(where.str() + "frame timestamp " + std::to_string(frameTime) + " before " +
                                std::to_string(t.lastFrameTime));
                    } else if (t.lastFrameTime >= 0 && frameTime - t.lastFrameTime > rules.maxGapMs) {
                        problem(where.str() + "frame timestamps jump from " +
                                std::to_string(t.lastFrameTime) + " to " + std::to_string(frameTime));
                    }
                    if (frameTime + 1000 < p.timestamp || frameTime > p.timestamp + 5000) {
                        problem(where.str() + "frame timestamp " + std::to_string(frameTime) +
                                " far from its packet's");
                    }
                    t.lastFrameTime = frameTime;
                }
            }
            if (first && rules.cut && !p.keyframe()) {
                problem(where.str() + "cut opens on a packet that is no keyframe");
            }
        } else {
            const auto audio = parseAudioSetup(st.typeSpecific);
            const bool interleaved = audio && audio->blockHeight > 1 &&
                                     (audio->interleaver == "Int4" || audio->interleaver == "genr" ||
                                      audio->interleaver == "sipr");
            if (interleaved) {
                const size_t h = static_cast<size_t>(audio->blockHeight);
                if (p.keyframe()) {
                    if (t.blockStarted && t.sinceKeyframe != h) {
                        problem(where.str() + "interleave block of " + std::to_string(t.sinceKeyframe) +
                                " packets, not " + std::to_string(h));
                    }
                    t.blockStarted = true;
                    t.sinceKeyframe = 0;
                } else if (!t.blockStarted) {
                    problem(where.str() + "audio opens inside an interleave block");
                }
                ++t.sinceKeyframe;
            } else if (first && rules.cut && !p.keyframe()) {
                problem(where.str() + "cut opens on a packet that is no keyframe");
            }
        }
        if (bFrame) {
            continue; // B-frames are stamped with their own (earlier) display time
        }
        const int64_t time = p.timestamp;
        if (time < t.lastTime) {
            problem(where.str() + "time goes back from " + std::to_string(t.lastTime));
        } else if (t.lastTime >= 0 && time - t.lastTime > rules.maxGapMs) {
            problem(where.str() + "time jumps from " + std::to_string(t.lastTime));
        }
        t.lastTime = time;
    }
    for (const auto& [key, t] : tracks) {
        const std::string which =
            "stream " + std::to_string(key.first) + " encoding " + std::to_string(key.second);
        if (t.frameOpen) {
            problem(which + ": ends inside a frame");
        }
        const ModelStream& st = streams[static_cast<size_t>(key.first)];
        const auto audio = parseAudioSetup(st.typeSpecific);
        if (audio && audio->blockHeight > 1 && t.blockStarted &&
            t.sinceKeyframe != static_cast<size_t>(audio->blockHeight)) {
            problem(which + ": ends inside an interleave block (" + std::to_string(t.sinceKeyframe) +
                    " packets)");
        }
    }

    // Index records.
    for (const ModelChunk& c : m.trailers) {
        if (c.id != "INDX") {
            continue;
        }
        const uint8_t* b = c.bytes.data();
        const uint32_t records = getU32(b + 10);
        const uint16_t stream = getU16(b + 14);
        if (c.bytes.size() != 20 + 14ull * records) {
            problem("INDX size does not match its records");
            continue;
        }
        for (uint32_t r = 0; r < records; ++r) {
            const uint8_t* rec = b + 20 + 14 * r;
            const uint32_t time = getU32(rec + 2);
            const uint32_t offset = getU32(rec + 6);
            const uint32_t number = getU32(rec + 10);
            auto it = byOffset.find(offset);
            if (it == byOffset.end()) {
                problem("INDX record " + std::to_string(r) + " points between packets");
                continue;
            }
            const ModelPacket& p = m.packets[it->second];
            if (p.stream != stream || p.timestamp != time || !p.keyframe() ||
                numberInStream[it->second] != number) {
                problem("INDX record " + std::to_string(r) + " of stream " + std::to_string(stream) +
                        " does not describe the keyframe packet it points at");
            }
        }
    }
    return problems;
}

} // namespace rmtest
