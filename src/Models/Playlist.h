#pragma once

#include <QJsonObject>
#include <QMetaType>
#include <QString>

#include <optional>

// An entry of the playlist list.
struct Playlist
{
    QString id;
    QString name;
    std::optional<qint64> songCount;
    std::optional<qint64> duration;
    std::optional<QString> coverArt;

    static std::optional<Playlist> fromJson(const QJsonValue &value);
    QJsonObject toJson() const;

    friend bool operator==(const Playlist &, const Playlist &) = default;
};

size_t qHash(const Playlist &playlist, size_t seed = 0);

Q_DECLARE_METATYPE(Playlist)
