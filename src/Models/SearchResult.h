#pragma once

#include <QJsonObject>
#include <QList>

#include <optional>

#include "Album.h"
#include "Artist.h"
#include "Song.h"

// The body of "search3" and of "getStarred2". Not comparable.
struct SearchResult
{
    std::optional<QList<Artist>> artist;
    std::optional<QList<Album>> album;
    std::optional<QList<Song>> song;

    static std::optional<SearchResult> fromJson(const QJsonValue &value);
    QJsonObject toJson() const;

    bool operator==(const SearchResult &) const = delete;
};
