#include "Format.h"

#include <cmath>

namespace Format {

namespace {

const QString Unknown = QStringLiteral("--:--");

QString clock(qint64 n, bool padMinutes)
{
    const qint64 h = n / 3600;
    const qint64 m = (n % 3600) / 60;
    const qint64 s = n % 60;
    if (n >= 3600)
        return QStringLiteral("%1:%2:%3").arg(h).arg(m, 2, 10, QLatin1Char('0')).arg(s, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1:%2").arg(m, padMinutes ? 2 : 1, 10, QLatin1Char('0')).arg(s, 2, 10, QLatin1Char('0'));
}

QString roundedClock(double seconds, bool padMinutes)
{
    if (!std::isfinite(seconds))
        return Unknown;
    // std::round rounds halves away from zero.
    const double rounded = std::round(seconds);
    if (rounded < 0 || rounded >= 9.2e18)
        return Unknown;
    return clock(static_cast<qint64>(rounded), padMinutes);
}

} // namespace

QString time(double seconds)
{
    return roundedClock(seconds, false);
}

QString paddedTime(double seconds)
{
    return roundedClock(seconds, true);
}

QString paddedDuration(std::optional<qint64> seconds)
{
    if (!seconds || *seconds < 0)
        return Unknown;
    return clock(*seconds, true);
}

} // namespace Format
