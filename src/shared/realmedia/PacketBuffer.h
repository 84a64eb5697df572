// Reusable byte buffer for packet reading; grows without zero-filling, since every byte is read before use.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace rm {

class PacketBuffer
{
public:
    uint8_t* data() { return m_data.get(); }
    size_t size() const { return m_size; }

    // Makes the buffer at least size bytes long. The contents are not kept when it grows.
    void ensureSize(size_t size)
    {
        if (size > m_size) {
            m_data.reset(new uint8_t[size]);
            m_size = size;
        }
    }

private:
    std::unique_ptr<uint8_t[]> m_data;
    size_t m_size = 0;
};

} // namespace rm
