#include "DownloadedSong.h"

#include <QJsonArray>
#include <QVarLengthArray>

#include <algorithm>

#include "JsonTextWriter.h"
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

namespace {

void writeField(JsonTextWriter &json, QLatin1StringView key, const std::optional<QString> &value)
{
    if (value) {
        json.key(key);
        json.value(*value);
    }
}

void writeField(JsonTextWriter &json, QLatin1StringView key, const std::optional<qint64> &value)
{
    if (value) {
        json.key(key);
        json.value(*value);
    }
}

// The same keys as Song::toJson(), written without building the object.
void writeSong(JsonTextWriter &json, const Song &song)
{
    json.beginObject();
    json.key("id"_L1);
    json.value(song.id);
    json.key("title"_L1);
    json.value(song.title);
    writeField(json, "album"_L1, song.album);
    writeField(json, "albumId"_L1, song.albumId);
    writeField(json, "artist"_L1, song.artist);
    writeField(json, "artistId"_L1, song.artistId);
    writeField(json, "track"_L1, song.track);
    writeField(json, "discNumber"_L1, song.discNumber);
    writeField(json, "year"_L1, song.year);
    writeField(json, "duration"_L1, song.duration);
    writeField(json, "contentType"_L1, song.contentType);
    writeField(json, "suffix"_L1, song.suffix);
    writeField(json, "coverArt"_L1, song.coverArt);
    json.endObject();
}

} // namespace

void DownloadedSong::writeJson(JsonTextWriter &json) const
{
    json.beginObject();
    json.key("song"_L1);
    writeSong(json, song);
    json.key("suffix"_L1);
    json.value(suffix);
    json.key("bytes"_L1);
    json.value(bytes);
    // A set: any order reads back the same; a sorted one keeps files stable.
    QVarLengthArray<const QString *, 4> keys;
    for (const QString &owner : owners)
        keys.append(&owner);
    std::sort(keys.begin(), keys.end(), [](const QString *a, const QString *b) { return *a < *b; });
    json.key("owners"_L1);
    json.beginArray();
    for (const QString *owner : keys)
        json.value(*owner);
    json.endArray();
    json.endObject();
}
