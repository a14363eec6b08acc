#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

#include <optional>

#include "DownloadCollection.h"
#include "DownloadedSong.h"

// The record of one account's download folder: which songs have a local file
// and which downloaded collections claim them. A plain value; no file work.
struct DownloadManifest
{
    // Every song with a local file, by song id.
    QHash<QString, DownloadedSong> songs;
    // Every collection whose download finished, by owner key.
    QHash<QString, DownloadCollection> collections;

    // A song that no collection claims any more, so its file can go.
    struct RemovedSong
    {
        QString id;
        QString suffix;

        friend bool operator==(const RemovedSong &, const RemovedSong &) = default;
    };

    // True once the collection's run ended cleanly, whatever `songs` holds.
    bool isDownloaded(const QString &collection) const { return collections.contains(collection); }
    // The records of the songs `key` claims, by disc, track and title.
    QList<Song> songsOwnedBy(const QString &key) const;
    // That order: disc, then track (a missing number counts as 0), then title
    // as plain text.
    static bool playOrderLess(const Song &a, const Song &b);
    qint64 totalBytes() const;
    // A song claimed by several collections counts in full for each.
    qint64 bytes(const QString &ownedBy) const;
    // Forgets one collection and its claims; returns the songs left unclaimed,
    // which are gone from `songs`.
    QList<RemovedSong> remove(const QString &owner);

    // "manifest.json": strict, as a whole; nothing on any fault.
    static std::optional<DownloadManifest> fromJson(const QByteArray &data);
    QByteArray toJson() const;

    friend bool operator==(const DownloadManifest &, const DownloadManifest &) = default;
};
