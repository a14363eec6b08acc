#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>

#include <optional>

#include "Artist.h"

// One group of the artist index, as a rule the artists of one initial.
struct ArtistIndex
{
    QString name;
    QList<Artist> artist;

    static std::optional<ArtistIndex> fromJson(const QJsonValue &value);
    QJsonObject toJson() const;

    friend bool operator==(const ArtistIndex &, const ArtistIndex &) = default;
};

size_t qHash(const ArtistIndex &index, size_t seed = 0);
