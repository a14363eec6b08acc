#pragma once

#include <QJsonValue>
#include <QList>
#include <QString>

#include <optional>

// `one` replays the current song when it ends; `all` wraps from the last song
// to the first; `off` stops after the last song.
enum class RepeatMode { Off, All, One };

namespace RepeatModes {

QList<RepeatMode> all();
QString rawValue(RepeatMode mode);
// Only the exact texts "off", "all" and "one" give a mode.
std::optional<RepeatMode> fromRawValue(const QString &text);
std::optional<RepeatMode> fromJson(const QJsonValue &value);
inline QJsonValue toJson(RepeatMode mode)
{
    return rawValue(mode);
}

} // namespace RepeatModes
