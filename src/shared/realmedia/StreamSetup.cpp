#include "StreamSetup.h"

#include "BigEndian.h"
#include "LogicalStream.h"

#include <algorithm>
#include <cstring>

namespace rm {

namespace {

bool startsWith(const std::string& text, const char* prefix)
{
    return text.rfind(prefix, 0) == 0;
}

bool hasTag(const std::vector<uint8_t>& data, size_t at, const char* tag)
{
    return data.size() >= at + 4 && std::memcmp(data.data() + at, tag, 4) == 0;
}

// RealVideo version of codec data ("VIDO" then the codec tag), 0 for anything else.
int realVideoVersion(const std::vector<uint8_t>& data)
{
    if (!hasTag(data, 4, "VIDO") || data.size() < 12 || data[8] != 'R' || data[9] != 'V') {
        return 0;
    }
    if (data[10] == 'T' && data[11] == 'R') {
        return 2;
    }
    return data[10] >= '1' && data[10] <= '4' ? data[10] - '0' : 0;
}

// Packets per block of interleaved RealAudio (".ra" version 4 or 5 with the Int4, genr or sipr
// interleaver), else 1.
int interleaveBlock(const std::vector<uint8_t>& data)
{
    if (!hasTag(data, 0, ".ra\xfd") || data.size() < 42) {
        return 1;
    }
    const uint16_t version = readU16(data.data() + 4);
    const uint16_t height = readU16(data.data() + 40);
    std::string interleaver;
    if (version == 4 && data.size() > 57 && data.size() >= 57u + data[56]) {
        interleaver.assign(reinterpret_cast<const char*>(data.data() + 57), data[56]);
    } else if (version == 5 && data.size() >= 66) {
        interleaver.assign(reinterpret_cast<const char*>(data.data() + 62), 4);
    }
    const bool interleaved = interleaver == "Int4" || interleaver == "genr" || interleaver == "sipr";
    return interleaved && height > 1 ? height : 1;
}

} // namespace

size_t StreamSetup::encodingOf(uint16_t packetVersion, uint16_t rule) const
{
    if (ruleEncodings.empty()) {
        return 0;
    }
    size_t encoding = encodings;
    if (packetVersion == 0) {
        encoding = static_cast<size_t>(std::max((rule >> 1) - 1, 0));
    } else if (rule < ruleEncodings.size()) {
        encoding = ruleEncodings[rule];
    }
    return std::min(encoding, encodings);
}

StreamSetup describeStream(const MediaProperties& stream)
{
    StreamSetup setup;
    const std::vector<uint8_t>& data = stream.typeSpecificData;
    std::vector<uint8_t> codec = data;
    if (hasTag(data, 0, "MLTI") && data.size() >= 6) {
        // "MLTI", u16 rules, u16 encoding[rules], u16 encodings, then each encoding's u32 size and data.
        const uint16_t rules = readU16(data.data() + 4);
        size_t p = 6;
        for (uint16_t i = 0; i < rules && p + 2 <= data.size(); ++i, p += 2) {
            setup.ruleEncodings.push_back(readU16(data.data() + p));
        }
        if (p + 2 <= data.size()) {
            setup.encodings = std::clamp<size_t>(readU16(data.data() + p), 1, MaxEncodings);
            p += 2;
        }
        for (uint16_t& e : setup.ruleEncodings) {
            e = static_cast<uint16_t>(std::min<size_t>(e, setup.encodings));
        }
        codec.clear();
        if (p + 4 <= data.size()) {
            const uint32_t size = readU32(data.data() + p);
            if (size <= data.size() - p - 4) {
                codec.assign(data.begin() + static_cast<std::ptrdiff_t>(p + 4),
                             data.begin() + static_cast<std::ptrdiff_t>(p + 4 + size));
            }
        }
    }
    const std::string& mime = stream.mimeType;
    if (mime == "logical-fileinfo") {
        setup.kind = StreamKind::FileInfo;
    } else if (startsWith(mime, "logical-")) {
        setup.kind = StreamKind::Logical;
    } else if (startsWith(mime, "video/") || hasTag(codec, 4, "VIDO")) {
        setup.kind = StreamKind::Video;
        setup.realVideo = realVideoVersion(codec);
    } else if (startsWith(mime, "audio/") || hasTag(codec, 0, ".ra\xfd")) {
        setup.kind = StreamKind::Audio;
        setup.blockHeight = interleaveBlock(codec);
    }
    return setup;
}

bool sameDecoding(const MediaProperties& a, const MediaProperties& b)
{
    if (a.mimeType != b.mimeType) {
        return false;
    }
    if (describeStream(a).kind == StreamKind::Logical) {
        return logicalStructure(a.typeSpecificData) == logicalStructure(b.typeSpecificData);
    }
    return a.typeSpecificData == b.typeSpecificData;
}

} // namespace rm
