#pragma once

#include <QJsonObject>
#include <QMetaType>
#include <QString>

#include <optional>

// One track (the server's "child" entry).
struct Song
{
    QString id;
    QString title;
    std::optional<QString> album;
    std::optional<QString> albumId;
    std::optional<QString> artist;
    std::optional<QString> artistId;
    std::optional<qint64> track;
    std::optional<qint64> discNumber;
    std::optional<qint64> year;
    std::optional<qint64> duration;
    std::optional<QString> contentType;
    std::optional<QString> suffix;
    std::optional<QString> coverArt;

    static std::optional<Song> fromJson(const QJsonValue &value);
    QJsonObject toJson() const;

    friend bool operator==(const Song &, const Song &) = default;
};

size_t qHash(const Song &song, size_t seed = 0);

Q_DECLARE_METATYPE(Song)
