// Turns 32-bit millisecond timestamps that may wrap past 2^32 (captures running longer than 49 days of
// clock) into a 64-bit timeline, packet by packet in file order.
#pragma once

#include <algorithm>
#include <cstdint>

namespace rm {

class TimestampUnwrapper
{
public:
    // Each timestamp is placed on the 64-bit timeline as near as possible to the latest one seen so far,
    // so streams a little ahead of or behind each other stay in order across the wrap.
    uint64_t unwrap(uint32_t timestamp)
    {
        constexpr uint64_t Wrap = 1ull << 32;
        constexpr uint64_t Half = 1ull << 31;
        if (!m_any) {
            m_any = true;
            m_latest = timestamp;
            return timestamp;
        }
        uint64_t value = (m_latest & ~(Wrap - 1)) | timestamp;
        if (value + Half < m_latest) {
            value += Wrap;
        } else if (value > m_latest + Half && value >= Wrap) {
            value -= Wrap;
        }
        m_latest = std::max(m_latest, value);
        return value;
    }

private:
    uint64_t m_latest = 0;
    bool m_any = false;
};

} // namespace rm
