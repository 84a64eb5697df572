// What the engine needs to know of one stream beyond its MIME type: the kind of media, the RealVideo
// version, the audio interleave block, and the encodings of a multi-rate stream.
#pragma once

#include "RmHeaders.h"

#include <cstdint>
#include <vector>

namespace rm {

enum class StreamKind
{
    Video,
    Audio,
    FileInfo, // "logical-fileinfo": describes the file (creation date, title, stored offsets)
    Logical,  // other "logical-..." streams: group the physical streams of a multi-rate file
    Other,
};

struct StreamSetup
{
    StreamKind kind = StreamKind::Other;
    int realVideo = 0;   // 1..4 for RealVideo streams (the first encoding's for multi-rate ones)
    int blockHeight = 1; // packets per interleave block of interleaved RealAudio, else 1
    // Multi-rate ("MLTI") streams: encoding of each ASM rule; empty for single-rate streams.
    std::vector<uint16_t> ruleEncodings;
    size_t encodings = 1;

    // Encodings are numbered 0..encodingSlots()-1; the last slot takes packets whose rule the table
    // does not name.
    size_t encodingSlots() const { return ruleEncodings.empty() ? 1 : encodings + 1; }

    // Encoding of a packet from its object version and the byte (version 0: packet group) or word
    // (version 1: ASM rule) after its timestamp. Version 0 packets name it as ffmpeg reads them:
    // (group >> 1) - 1.
    size_t encodingOf(uint16_t packetVersion, uint16_t rule) const;
};

// Largest number of encodings of one multi-rate stream the engine tells apart; beyond, they share a slot.
constexpr size_t MaxEncodings = 64;

StreamSetup describeStream(const MediaProperties& stream);

// Whether two inputs' streams can be joined: what decoding depends on matches (MIME type and codec data;
// for logical streams the physical stream numbers and rule map, not their offsets or properties).
bool sameDecoding(const MediaProperties& a, const MediaProperties& b);

} // namespace rm
