#include "VideoPayload.h"

#include "BigEndian.h"

#include <algorithm>

namespace rm {

namespace {

// One sub-packet header as laid out in the payload.
struct SubPacket
{
    int type = 0;
    uint8_t sequence = 0;
    uint32_t second = 0;     // type 3: the frame's timestamp
    bool secondWide = false; // stored in 32 bits
    size_t secondAt = 0;
    size_t dataAt = 0;
    size_t dataLength = 0;
    size_t end = 0;
};

enum class Walk
{
    Done,
    Malformed, // the sub-packets do not fit the payload
    NeedsMore, // a header lies beyond the bytes at hand
};

// Bounds of one payload: its size and how much of it is at hand.
struct Bounds
{
    size_t size;
    size_t available;
    // Whether n bytes at pos can be read: Done, or why not.
    Walk check(size_t pos, size_t n) const
    {
        if (pos + n > size) {
            return Walk::Malformed;
        }
        return pos + n > available ? Walk::NeedsMore : Walk::Done;
    }
};

// Numbers are 16 bits (value in the low 14, flag 0x4000 set) or 32 bits (value in the low 30).
Walk readNumber(const uint8_t* p, const Bounds& b, size_t& pos, uint32_t& value, bool& wide)
{
    if (Walk w = b.check(pos, 2); w != Walk::Done) {
        return w;
    }
    const uint16_t high = readU16(p + pos) & 0x7fff;
    pos += 2;
    if (high >= 0x4000) {
        value = high - 0x4000u;
        wide = false;
        return Walk::Done;
    }
    if (Walk w = b.check(pos, 2); w != Walk::Done) {
        return w;
    }
    value = static_cast<uint32_t>(high) << 16 | readU16(p + pos);
    pos += 2;
    wide = true;
    return Walk::Done;
}

// Walks the sub-packets; visit(sub) returns false to stop.
template <typename Visit> Walk walk(const uint8_t* p, const Bounds& b, Visit&& visit)
{
    const size_t size = b.size;
    size_t pos = 0;
    while (pos < size) {
        SubPacket s;
        if (Walk w = b.check(pos, 1); w != Walk::Done) {
            return w;
        }
        s.type = p[pos++] >> 6;
        if (s.type != MultiFrame) {
            if (Walk w = b.check(pos, 1); w != Walk::Done) {
                return w;
            }
            s.sequence = p[pos++];
        }
        if (s.type != WholeFrame) {
            uint32_t first = 0;
            bool wide = false;
            if (Walk w = readNumber(p, b, pos, first, wide); w != Walk::Done) {
                return w;
            }
            s.secondAt = pos;
            if (Walk w = readNumber(p, b, pos, s.second, s.secondWide); w != Walk::Done) {
                return w;
            }
            if (Walk w = b.check(pos, 1); w != Walk::Done) {
                return w;
            }
            ++pos; // picture number
            const size_t rest = size - pos;
            if (s.type == MultiFrame) {
                if (first > rest) {
                    return Walk::Malformed;
                }
                s.dataLength = first;
            } else if (s.type == LastPartial) {
                s.dataLength = std::min<size_t>(rest, s.second);
            } else {
                s.dataLength = rest;
            }
        } else {
            s.dataLength = size - pos;
        }
        s.dataAt = pos;
        pos += s.dataLength;
        s.end = pos;
        if (!visit(s)) {
            break;
        }
    }
    return Walk::Done;
}

uint32_t shifted(uint32_t value, int64_t shift)
{
    const int64_t v = static_cast<int64_t>(value) + shift;
    return v < 0 ? 0 : static_cast<uint32_t>(v & MaxFrameTime);
}

bool needsWidening(const SubPacket& s, uint32_t value)
{
    return !s.secondWide && value >= 0x4000;
}

} // namespace

VideoPacketFacts readVideoPayload(const uint8_t* payload, size_t size, size_t available, int realVideo)
{
    VideoPacketFacts facts;
    bool first = true;
    bool needsMore = false;
    const Bounds bounds{size, std::min(size, available)};
    const Walk result = walk(payload, bounds, [&](const SubPacket& s) {
        const bool starts = s.type == WholeFrame || s.type == MultiFrame || (s.sequence & 0x7f) == 1;
        facts.openedHere = s.type == PartialFrame && (starts || !first);
        if (first) {
            first = false;
            facts.startsFrame = starts;
            facts.keySlice = s.type != MultiFrame && (s.sequence & 0x80) != 0;
            if (facts.startsFrame && (realVideo == 3 || realVideo == 4) && s.dataLength >= 4) {
                if (bounds.check(s.dataAt, 4) != Walk::Done) {
                    needsMore = true;
                    return false;
                }
                const uint32_t header = readU32(payload + s.dataAt);
                facts.pictureType = static_cast<int>(realVideo == 3 ? header >> 27 & 3 : header >> 29 & 3);
            }
        }
        if (s.type == MultiFrame) {
            ++facts.frameTimes;
        }
        facts.endsOpen = s.type == PartialFrame;
        return true;
    });
    needsMore = needsMore || result == Walk::NeedsMore;
    facts.valid = result == Walk::Done && !needsMore && !first;
    if (!facts.valid) {
        facts = VideoPacketFacts{};
        facts.needsMore = needsMore;
    }
    return facts;
}

size_t frameTimeGrowth(const uint8_t* payload, size_t size, int64_t shift)
{
    size_t growth = 0;
    walk(payload, Bounds{size, size}, [&](const SubPacket& s) {
        if (s.type == MultiFrame && needsWidening(s, shifted(s.second, shift))) {
            growth += 2;
        }
        return true;
    });
    return growth;
}

void shiftFrameTimes(uint8_t* payload, size_t size, int64_t shift, std::vector<uint8_t>& grown)
{
    grown.clear();
    if (frameTimeGrowth(payload, size, shift) == 0) {
        walk(payload, Bounds{size, size}, [&](const SubPacket& s) {
            if (s.type == MultiFrame) {
                const uint32_t value = shifted(s.second, shift);
                if (s.secondWide) {
                    writeU32(payload + s.secondAt, value);
                } else {
                    writeU16(payload + s.secondAt, static_cast<uint16_t>(0x4000 | value));
                }
            }
            return true;
        });
        return;
    }
    size_t copied = 0;
    walk(payload, Bounds{size, size}, [&](const SubPacket& s) {
        if (s.type != MultiFrame) {
            return true;
        }
        const uint32_t value = shifted(s.second, shift);
        grown.insert(grown.end(), payload + copied, payload + s.secondAt);
        if (s.secondWide || value >= 0x4000) {
            appendU32(grown, value);
        } else {
            appendU16(grown, static_cast<uint16_t>(0x4000 | value));
        }
        copied = s.secondAt + (s.secondWide ? 4 : 2);
        return true;
    });
    grown.insert(grown.end(), payload + copied, payload + size);
}

} // namespace rm
