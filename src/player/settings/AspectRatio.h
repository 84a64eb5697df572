// Keeps a window's width:height ratio: the ratio of the first proposed size is captured once per object.
#pragma once

#include <QSize>

namespace vello {

/// The first proposed size with a positive height fixes the ratio (single precision, width / height) for
/// the lifetime of the object, however often the keeping is switched off and on. Later proposals are
/// bent to that ratio: when the proposal is wider than the ratio its height follows the width, otherwise
/// its width follows the height; the new side is rounded to the nearest whole number, halves to even.
/// Units are whatever the caller uses (pixels or twips) as long as they do not change. Not thread-safe.
class AspectRatio
{
public:
    /// The proposal adjusted to the ratio. A proposal with height <= 0 is returned unchanged and captures
    /// nothing; so is every proposal while the captured ratio is not a positive finite number.
    QSize adjust(QSize proposed);

    bool captured() const { return m_captured; }
    float ratio() const { return m_ratio; }

private:
    bool m_captured = false;
    float m_ratio = 0.0f;
};

} // namespace vello
