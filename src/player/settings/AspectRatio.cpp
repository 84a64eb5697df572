#include "AspectRatio.h"

#include "Helpers.h"

#include <cmath>
#include <limits>

namespace vello {

namespace {
int clampToInt(qint64 value)
{
    if (value > std::numeric_limits<int>::max())
        return std::numeric_limits<int>::max();
    if (value < 0)
        return 0;
    return static_cast<int>(value);
}
} // namespace

QSize AspectRatio::adjust(QSize proposed)
{
    if (proposed.height() <= 0)
        return proposed;
    if (!m_captured) {
        m_ratio = static_cast<float>(proposed.width()) / static_cast<float>(proposed.height());
        m_captured = true;
    }
    if (!(m_ratio > 0.0f) || !std::isfinite(m_ratio))
        return proposed;
    const float current = static_cast<float>(proposed.width()) / static_cast<float>(proposed.height());
    QSize result = proposed;
    if (current > m_ratio) {
        const float height = static_cast<float>(proposed.width()) / m_ratio;
        result.setHeight(clampToInt(roundHalfEven(static_cast<double>(height))));
    } else {
        const float width = static_cast<float>(proposed.height()) * m_ratio;
        result.setWidth(clampToInt(roundHalfEven(static_cast<double>(width))));
    }
    return result;
}

} // namespace vello
