// Big-endian integer helpers for the RealMedia container (all its numbers are big-endian).
#pragma once

#include <cstdint>
#include <vector>

namespace rm {

inline uint16_t readU16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] << 8 | p[1]);
}

inline uint32_t readU32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
           static_cast<uint32_t>(p[2]) << 8 | static_cast<uint32_t>(p[3]);
}

inline void writeU16(uint8_t* p, uint16_t v)
{
    p[0] = static_cast<uint8_t>(v >> 8);
    p[1] = static_cast<uint8_t>(v);
}

inline void writeU32(uint8_t* p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v >> 24);
    p[1] = static_cast<uint8_t>(v >> 16);
    p[2] = static_cast<uint8_t>(v >> 8);
    p[3] = static_cast<uint8_t>(v);
}

inline void appendU8(std::vector<uint8_t>& out, uint8_t v)
{
    out.push_back(v);
}

inline void appendU16(std::vector<uint8_t>& out, uint16_t v)
{
    out.push_back(static_cast<uint8_t>(v >> 8));
    out.push_back(static_cast<uint8_t>(v));
}

inline void appendU32(std::vector<uint8_t>& out, uint32_t v)
{
    appendU16(out, static_cast<uint16_t>(v >> 16));
    appendU16(out, static_cast<uint16_t>(v));
}

inline uint32_t fourcc(const char (&id)[5])
{
    return readU32(reinterpret_cast<const uint8_t*>(id));
}

} // namespace rm
