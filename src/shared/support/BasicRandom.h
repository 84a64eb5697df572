// The program's uniform random generator: never seeded from the clock, the same sequence on every run.
#pragma once

#include <cstdint>

namespace vello {

/// The classic unseeded BASIC generator: a 24-bit state starting at 327680;
/// next state = (state * 1140671485 + 12820163) mod 2^24; the number drawn is state / 2^24, in [0, 1).
/// Not thread-safe; the programs draw from the window thread only.
class BasicRandom
{
public:
    static constexpr uint32_t InitialState = 327680;

    /// Draws the next number in [0, 1).
    double next();
    void reset(uint32_t state = InitialState) { m_state = state & 0xFFFFFF; }
    uint32_t state() const { return m_state; }

    /// The process-wide generator every random choice of the program uses.
    static BasicRandom& instance();

private:
    uint32_t m_state = InitialState;
};

} // namespace vello
