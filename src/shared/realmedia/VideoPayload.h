// The sub-packet headers at the start of RealVideo packet payloads: which packets start or continue a
// frame, the picture type of RealVideo 3/4 frames, and the frame timestamps that "one of several whole
// frames" sub-packets carry, which follow the packet's new time when it is rewritten.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace rm {

// Sub-packet types (top two bits of the first byte).
enum VideoSubPacketType
{
    PartialFrame = 0, // a slice; the frame goes on in a later sub-packet
    WholeFrame = 1,
    LastPartial = 2, // the frame's last slice
    MultiFrame = 3,  // one of several whole frames in this packet, with its own timestamp
};

struct VideoPacketFacts
{
    bool valid = false;       // the payload holds whole sub-packets
    bool needsMore = false;   // only part of the payload was at hand and the headers run past it
    bool startsFrame = false; // the first sub-packet begins a frame (a whole frame or a first slice)
    bool endsOpen = false;    // the last sub-packet leaves its frame open for the next packet
    bool openedHere = false;  // ... and that frame began in this packet
    bool keySlice = false;    // the first sub-packet's sequence byte marks a keyframe (types 0-2)
    int frameTimes = 0;       // sub-packets that carry their own timestamp
    // Picture type of the frame the first sub-packet starts: RealVideo 3/4 only (0/1 intra, 2 inter,
    // 3 bidirectional), -1 otherwise.
    int pictureType = -1;
};

// Reads the sub-packet headers of one payload of size bytes, of which the first available are at hand.
// realVideo: the stream's RealVideo version (3 and 4 carry a picture type in the frame header).
VideoPacketFacts readVideoPayload(const uint8_t* payload, size_t size, size_t available, int realVideo);

// Largest frame timestamp a sub-packet can hold (30 bits).
constexpr uint32_t MaxFrameTime = (1u << 30) - 1;

// Bytes the payload grows by when every frame timestamp t becomes t + shift (negative results become 0,
// results beyond 30 bits wrap as the field does). Timestamps written in 16 bits grow to 32 bits once they
// pass 16383 ms; wider ones keep their width.
size_t frameTimeGrowth(const uint8_t* payload, size_t size, int64_t shift);

// Applies the shift. With no growth the payload is changed in place and grown stays empty; otherwise the
// new payload is built in grown and payload is left as it was.
void shiftFrameTimes(uint8_t* payload, size_t size, int64_t shift, std::vector<uint8_t>& grown);

} // namespace rm
