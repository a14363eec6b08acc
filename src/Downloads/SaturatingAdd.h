#pragma once

#include <QtNumeric>

#include <limits>

// Sizes and durations come from the server or from the manifest and are
// summed: a sum that would leave 64 bits stops at the nearest limit instead.
inline qint64 saturatingAdd(qint64 a, qint64 b)
{
    qint64 sum = 0;
    if (!qAddOverflow(a, b, &sum))
        return sum;
    return b > 0 ? std::numeric_limits<qint64>::max() : std::numeric_limits<qint64>::min();
}
