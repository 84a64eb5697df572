// Destination of a written RealMedia file: bytes arrive strictly in order, never rewritten.
#pragma once

#include "RmError.h"

#include <cstddef>
#include <cstdint>

namespace rm {

class OutputSink
{
public:
    virtual ~OutputSink() = default;

    // Appends size bytes. Returns false on failure; error() then tells why. After a failure no further
    // write is attempted by the engine.
    virtual bool write(const uint8_t* data, size_t size) = 0;

    // Why the last write failed (Ok while nothing failed).
    virtual RmError error() const = 0;
};

} // namespace rm
