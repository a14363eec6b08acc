#include "CollectionCovers.h"

#include <QSet>

QStringList CollectionCovers::albumCovers(const QList<Song> &songs)
{
    QStringList covers;
    QSet<QString> albums;
    for (const Song &song : songs) {
        if (!song.coverArt)
            continue;
        const QString album = song.albumId.value_or(song.id);
        if (albums.contains(album))
            continue;
        albums.insert(album);
        covers.append(*song.coverArt);
    }
    return covers;
}

void CollectionCovers::setSongs(const QList<Song> &songs)
{
    if (m_songs == songs)
        return;
    m_songs = songs;
    m_covers = albumCovers(songs);
    Q_EMIT songsChanged();
}
