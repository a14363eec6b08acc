#include "DownloadManifest.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

#include "JsonTextWriter.h"
#include "SaturatingAdd.h"

using namespace Qt::StringLiterals;

namespace {

// Plain text order by Unicode scalar values of the canonically composed form.
bool titleLess(const QString &a, const QString &b)
{
    const QList<uint> ua = a.normalized(QString::NormalizationForm_C).toUcs4();
    const QList<uint> ub = b.normalized(QString::NormalizationForm_C).toUcs4();
    return std::lexicographical_compare(ua.cbegin(), ua.cend(), ub.cbegin(), ub.cend());
}

} // namespace

bool DownloadManifest::playOrderLess(const Song &a, const Song &b)
{
    const qint64 discA = a.discNumber.value_or(0);
    const qint64 discB = b.discNumber.value_or(0);
    if (discA != discB)
        return discA < discB;
    const qint64 trackA = a.track.value_or(0);
    const qint64 trackB = b.track.value_or(0);
    if (trackA != trackB)
        return trackA < trackB;
    return titleLess(a.title, b.title);
}

QList<Song> DownloadManifest::songsOwnedBy(const QString &key) const
{
    QList<Song> result;
    for (const DownloadedSong &entry : songs) {
        if (entry.owners.contains(key))
            result.append(entry.song);
    }
    std::stable_sort(result.begin(), result.end(), playOrderLess);
    return result;
}

qint64 DownloadManifest::totalBytes() const
{
    qint64 sum = 0;
    for (const DownloadedSong &entry : songs)
        sum = saturatingAdd(sum, entry.bytes);
    return sum;
}

qint64 DownloadManifest::bytes(const QString &ownedBy) const
{
    qint64 sum = 0;
    for (const DownloadedSong &entry : songs) {
        if (entry.owners.contains(ownedBy))
            sum = saturatingAdd(sum, entry.bytes);
    }
    return sum;
}

QList<DownloadManifest::RemovedSong> DownloadManifest::remove(const QString &owner)
{
    collections.remove(owner);
    QList<RemovedSong> removed;
    for (auto it = songs.begin(); it != songs.end();) {
        if (!it->owners.remove(owner)) {
            ++it;
            continue;
        }
        if (it->owners.isEmpty()) {
            removed.append({it.key(), it->suffix});
            it = songs.erase(it);
        } else {
            ++it;
        }
    }
    return removed;
}

std::optional<DownloadManifest> DownloadManifest::fromJson(const QByteArray &data)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(data, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject root = document.object();
    const QJsonValue songsValue = root.value("songs"_L1);
    const QJsonValue collectionsValue = root.value("collections"_L1);
    if (!songsValue.isObject() || !collectionsValue.isObject())
        return std::nullopt;

    DownloadManifest manifest;
    const QJsonObject songsObject = songsValue.toObject();
    for (auto it = songsObject.constBegin(); it != songsObject.constEnd(); ++it) {
        std::optional<DownloadedSong> entry = DownloadedSong::fromJson(it.value());
        if (!entry)
            return std::nullopt;
        manifest.songs.insert(it.key(), std::move(*entry));
    }
    const QJsonObject collectionsObject = collectionsValue.toObject();
    for (auto it = collectionsObject.constBegin(); it != collectionsObject.constEnd(); ++it) {
        std::optional<DownloadCollection> collection = DownloadCollection::fromJson(it.value());
        if (!collection)
            return std::nullopt;
        manifest.collections.insert(it.key(), std::move(*collection));
    }
    return manifest;
}

// Written as text in one pass, in the maps' own order: time grows with the
// number of songs, not faster.
QByteArray DownloadManifest::toJson() const
{
    // Room for a typical song entry, so that the buffer seldom grows.
    constexpr qsizetype BytesPerSong = 512;
    constexpr qsizetype BytesPerCollection = 128;
    JsonTextWriter json(64 + songs.size() * BytesPerSong + collections.size() * BytesPerCollection);
    json.beginObject();
    json.key("songs"_L1);
    json.beginObject();
    for (auto it = songs.constBegin(); it != songs.constEnd(); ++it) {
        json.key(it.key());
        it->writeJson(json);
    }
    json.endObject();
    json.key("collections"_L1);
    json.beginObject();
    for (auto it = collections.constBegin(); it != collections.constEnd(); ++it) {
        json.key(it.key());
        it->writeJson(json);
    }
    json.endObject();
    json.endObject();
    return json.take();
}
