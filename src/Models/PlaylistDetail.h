#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>

#include <optional>

#include "Song.h"

// One playlist with its entries (the answer of "getPlaylist"). A type of its
// own, deliberately not comparable: nothing converts it into a Playlist.
struct PlaylistDetail
{
    QString id;
    QString name;
    std::optional<qint64> songCount;
    std::optional<qint64> duration;
    std::optional<QString> coverArt;
    std::optional<QList<Song>> entry;

    static std::optional<PlaylistDetail> fromJson(const QJsonValue &value);
    QJsonObject toJson() const;

    bool operator==(const PlaylistDetail &) const = delete;
};
