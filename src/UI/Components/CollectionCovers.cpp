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

QList<Song> CollectionCovers::drawnSongs(const QList<Song> &songs)
{
    QSet<QString> albums;
    for (qsizetype i = 0; i < songs.size(); ++i) {
        const Song &song = songs.at(i);
        if (!song.coverArt)
            continue;
        albums.insert(song.albumId.value_or(song.id));
        if (albums.size() == CollageSize)
            return songs.mid(0, i + 1);
    }
    return songs;
}

void CollectionCovers::setSongs(const QList<Song> &songs)
{
    if (m_songs == songs)
        return;
    m_songs = songs;
    m_covers = albumCovers(songs);
    Q_EMIT songsChanged();
}
