#pragma once

#include <QJsonObject>
#include <QMetaType>
#include <QString>

#include <optional>

struct Artist
{
    QString id;
    QString name;
    std::optional<QString> coverArt;
    std::optional<qint64> albumCount;

    static std::optional<Artist> fromJson(const QJsonValue &value);
    QJsonObject toJson() const;

    friend bool operator==(const Artist &, const Artist &) = default;
};

size_t qHash(const Artist &artist, size_t seed = 0);

Q_DECLARE_METATYPE(Artist)
