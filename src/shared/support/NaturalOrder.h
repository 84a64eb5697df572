// A stable natural order of file names: digit runs compare by value, letters without regard to case.
#pragma once

#include <QString>

namespace vello {

/// Negative, zero or positive as a sorts before, equal to or after b: "ep2" < "ep10", "A" == "a" on the
/// first pass; names equal on that pass are ordered by their exact text so the order is total and stable.
int naturalCompare(const QString& a, const QString& b);

inline bool naturalLess(const QString& a, const QString& b)
{
    return naturalCompare(a, b) < 0;
}

} // namespace vello
