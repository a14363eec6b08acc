#pragma once

#include <QCollator>
#include <QList>
#include <QString>

#include <optional>

#include "Downloads/DownloadCollection.h"
#include "Downloads/DownloadManifest.h"
#include "Models/Song.h"
#include "Playback/PlaybackSource.h"

// One downloaded album or playlist as the downloads page shows it: its
// record, the songs it keeps on disk in play order and the space they take.
struct DownloadedCollectionItem
{
    DownloadCollection collection;
    // By disc, track and title, whatever order the server gave.
    QList<Song> songs;
    // Every song the collection claims, in full, even when another claims it too.
    qint64 bytes = 0;

    friend bool operator==(const DownloadedCollectionItem &, const DownloadedCollectionItem &) = default;
};

// What the downloads page draws, worked out from the manifest alone.
namespace DownloadsContent {

inline constexpr QStringView AlbumPrefix = u"album:";
inline constexpr QStringView PlaylistPrefix = u"playlist:";

struct Sections
{
    // Each by name, in the user's text order (case-insensitive, numbers by value).
    QList<DownloadedCollectionItem> albums;
    QList<DownloadedCollectionItem> playlists;
    // Every collection record, also one whose key is neither an album's
    // nor a playlist's and so shows in no section.
    int collectionCount = 0;
    // Every song on disk once, whether or not a collection claims it.
    qint64 totalBytes = 0;
};

// Groups the manifest's songs by owner in one pass over them.
Sections build(const DownloadManifest &manifest, const QCollator &collator);

// The album or playlist id of a key: the key without its prefix.
QString collectionId(const QString &key);
// The queue source a collection's songs play with: its album or playlist;
// none for another kind of key.
std::optional<PlaybackSource> source(const DownloadCollection &collection);

// "12 songs · 48 MB"
QString songsLine(qsizetype songCount, qint64 bytes);
// "2 collections · 96 MB"
QString summaryLine(qsizetype collectionCount, qint64 totalBytes);

} // namespace DownloadsContent
