#pragma once

#include <QJsonObject>
#include <QList>
#include <QMetaType>
#include <QString>

#include <optional>

#include "Song.h"

struct Album
{
    QString id;
    QString name;
    std::optional<QString> artist;
    std::optional<QString> artistId;
    std::optional<QString> coverArt;
    std::optional<qint64> songCount;
    std::optional<qint64> duration;
    std::optional<qint64> year;
    std::optional<QString> genre;
    std::optional<QList<Song>> song;

    static std::optional<Album> fromJson(const QJsonValue &value);
    QJsonObject toJson() const;

    // The identifier of the drag payload that carries an album's JSON.
    static QString dragType();
    // The plain-text stand-in of a dragged album: "Artist – Name", or the name alone.
    QString dragText() const;

    friend bool operator==(const Album &, const Album &) = default;
};

size_t qHash(const Album &album, size_t seed = 0);

Q_DECLARE_METATYPE(Album)
