#include "DownloadsContent.h"

#include <QHash>

#include <algorithm>

#include "Downloads/SaturatingAdd.h"
#include "Support/ByteCountText.h"

using namespace Qt::StringLiterals;

namespace DownloadsContent {

namespace {

// Songs equal in disc, track and title keep one order between redraws, so an
// unchanged collection is an unchanged row.
bool songLess(const Song &a, const Song &b)
{
    if (DownloadManifest::playOrderLess(a, b))
        return true;
    if (DownloadManifest::playOrderLess(b, a))
        return false;
    return a.id < b.id;
}

QString counted(qsizetype count, const QString &one, const QString &many)
{
    return count == 1 ? u"1 "_s + one : QString::number(count) + u' ' + many;
}

} // namespace

Sections build(const DownloadManifest &manifest, const QCollator &collator)
{
    Sections sections;
    QHash<QString, QList<Song>> songsByOwner;
    QHash<QString, qint64> bytesByOwner;
    for (const DownloadedSong &entry : manifest.songs) {
        sections.totalBytes = saturatingAdd(sections.totalBytes, entry.bytes);
        for (const QString &owner : entry.owners) {
            songsByOwner[owner].append(entry.song);
            qint64 &bytes = bytesByOwner[owner];
            bytes = saturatingAdd(bytes, entry.bytes);
        }
    }

    QList<DownloadCollection> collections = manifest.collections.values();
    // Equal names fall back on the key so that the order holds between redraws.
    std::sort(collections.begin(), collections.end(), [&collator](const auto &a, const auto &b) {
        const int byName = collator.compare(a.name, b.name);
        return byName != 0 ? byName < 0 : a.key < b.key;
    });
    sections.collectionCount = int(collections.size());
    for (const DownloadCollection &collection : collections) {
        DownloadedCollectionItem item {
            collection, songsByOwner.value(collection.key), bytesByOwner.value(collection.key)};
        std::sort(item.songs.begin(), item.songs.end(), songLess);
        if (collection.key.startsWith(AlbumPrefix))
            sections.albums.append(std::move(item));
        else if (collection.key.startsWith(PlaylistPrefix))
            sections.playlists.append(std::move(item));
    }
    return sections;
}

QString collectionId(const QString &key)
{
    if (key.startsWith(AlbumPrefix))
        return key.mid(AlbumPrefix.size());
    if (key.startsWith(PlaylistPrefix))
        return key.mid(PlaylistPrefix.size());
    return key;
}

std::optional<PlaybackSource> source(const DownloadCollection &collection)
{
    // The id is what follows the first colon; a key with nothing there keeps
    // its only piece.
    const QString &key = collection.key;
    const qsizetype colon = key.indexOf(u':');
    const QString rest = colon < 0 ? QString() : key.mid(colon + 1);
    const QString id = !rest.isEmpty() ? rest : colon < 0 ? key : key.left(colon);
    if (key.startsWith(AlbumPrefix))
        return PlaybackSource::album(id, collection.name);
    if (key.startsWith(PlaylistPrefix))
        return PlaybackSource::playlist(id, collection.name);
    return std::nullopt;
}

QString songsLine(qsizetype songCount, qint64 bytes)
{
    return counted(songCount, u"song"_s, u"songs"_s) + u" \u00B7 "_s + ByteCountText::file(bytes);
}

QString summaryLine(qsizetype collectionCount, qint64 totalBytes)
{
    return counted(collectionCount, u"collection"_s, u"collections"_s) + u" \u00B7 "_s
        + ByteCountText::file(totalBytes);
}

} // namespace DownloadsContent
