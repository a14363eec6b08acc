#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>

#include <optional>

#include "Album.h"

// The answer of "getArtist": an artist with its albums.
struct ArtistDetail
{
    QString id;
    QString name;
    std::optional<QString> coverArt;
    std::optional<QList<Album>> album;

    static std::optional<ArtistDetail> fromJson(const QJsonValue &value);
    QJsonObject toJson() const;

    friend bool operator==(const ArtistDetail &, const ArtistDetail &) = default;
};

size_t qHash(const ArtistDetail &detail, size_t seed = 0);
