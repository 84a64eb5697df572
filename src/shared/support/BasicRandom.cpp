#include "BasicRandom.h"

namespace vello {

double BasicRandom::next()
{
    const uint64_t next = (static_cast<uint64_t>(m_state) * 1140671485ULL + 12820163ULL) & 0xFFFFFFULL;
    m_state = static_cast<uint32_t>(next);
    return static_cast<double>(m_state) / 16777216.0;
}

BasicRandom& BasicRandom::instance()
{
    static BasicRandom generator;
    return generator;
}

} // namespace vello
