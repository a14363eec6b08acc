#pragma once

#include <QString>

#include <optional>

// Clock texts for elapsed and remaining times and song durations.
// Every time text of the program comes from here.
namespace Format {

// "3:07" below an hour, "1:02:05" from an hour on; "--:--" when unknown.
QString time(double seconds);
// "03:07" below an hour, "1:02:05" from an hour on; "--:--" when unknown.
QString paddedTime(double seconds);
// A song's whole-second duration as the server gives it, padded like paddedTime.
QString paddedDuration(std::optional<qint64> seconds);

} // namespace Format
