#include "DownloadedSong.h"

#include <QJsonArray>

#include <algorithm>

#include "Models/JsonFields.h"

using namespace Qt::StringLiterals;

std::optional<DownloadedSong> DownloadedSong::fromJson(const QJsonValue &value)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject o = value.toObject();
    std::optional<Song> song = Song::fromJson(o.value("song"_L1));
    if (!song)
        return std::nullopt;
    DownloadedSong d;
    d.song = std::move(*song);
    if (!JsonFields::required(o, "suffix"_L1, d.suffix)
        || !JsonFields::readInteger(o.value("bytes"_L1), d.bytes))
        return std::nullopt;
    const QJsonValue owners = o.value("owners"_L1);
    if (!owners.isArray())
        return std::nullopt;
    for (const QJsonValue &owner : owners.toArray()) {
        if (!owner.isString())
            return std::nullopt;
        d.owners.insert(owner.toString());
    }
    return d;
}

QJsonObject DownloadedSong::toJson() const
{
    QJsonObject o;
    o.insert("song"_L1, song.toJson());
    o.insert("suffix"_L1, suffix);
    o.insert("bytes"_L1, bytes);
    // A set: any order reads back the same; a sorted one keeps files stable.
    QStringList keys(owners.cbegin(), owners.cend());
    std::sort(keys.begin(), keys.end());
    o.insert("owners"_L1, QJsonArray::fromStringList(keys));
    return o;
}
