#pragma once

#include <QJsonObject>
#include <QSet>
#include <QString>

#include <optional>

#include "Models/Song.h"

class JsonTextWriter;

// One song whose audio file lies in the account's download folder, with the
// collections that keep it there.
struct DownloadedSong
{
    // The record as it was at download time; pages and the player use it offline.
    Song song;
    // Extension of the local file, without the dot.
    QString suffix;
    // Size of the local file.
    qint64 bytes = 0;
    // Owner keys ("album:<id>", "playlist:<id>") of the collections that claim it.
    QSet<QString> owners;

    static std::optional<DownloadedSong> fromJson(const QJsonValue &value);
    // As one object of "manifest.json"; the song record in the server's keys.
    void writeJson(JsonTextWriter &json) const;

    friend bool operator==(const DownloadedSong &, const DownloadedSong &) = default;
};
