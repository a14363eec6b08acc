#include "ByteCountText.h"

#include <QLocale>

#include <cmath>
#include <iterator>

namespace ByteCountText {

QString file(qint64 bytes)
{
    if (bytes <= 0)
        return QStringLiteral("Zero KB");
    if (bytes == 1)
        return QStringLiteral("1 byte");
    if (bytes < 1000)
        return QStringLiteral("%1 bytes").arg(bytes);
    struct Unit
    {
        const char *name;
        double size;
        int digits;
    };
    static constexpr Unit Units[]
        = {{"KB", 1e3, 0}, {"MB", 1e6, 1}, {"GB", 1e9, 2}, {"TB", 1e12, 2}, {"PB", 1e15, 2}};
    const QLocale locale;
    for (const Unit &unit : Units) {
        const double value = double(bytes) / unit.size;
        const double rounded = std::round(value * std::pow(10, unit.digits)) / std::pow(10, unit.digits);
        // Rounds up into the next unit: "1 MB", not "1,000 KB".
        if (rounded < 1000 || &unit == &Units[std::size(Units) - 1]) {
            QString text = locale.toString(rounded, 'f', unit.digits);
            // Whole values drop their zeros: "5 MB".
            if (unit.digits > 0 && rounded == std::floor(rounded))
                text = locale.toString(rounded, 'f', 0);
            return text + u' ' + QLatin1StringView(unit.name);
        }
    }
    return {};
}

} // namespace ByteCountText
