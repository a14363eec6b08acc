#pragma once

#include <QList>
#include <QObject>
#include <QStringList>
#include <QtQml/qqmlregistration.h>

#include "Models/Song.h"

// The covers a collection of songs is drawn with: one cover id per distinct
// album, in the order of each album's first song with a cover. Four or more
// make a 2×2 collage of the first four; fewer show the first alone.
class CollectionCovers : public QObject
{
    Q_OBJECT
    QML_ELEMENT

    Q_PROPERTY(QList<Song> songs READ songs WRITE setSongs NOTIFY songsChanged)
    Q_PROPERTY(QStringList covers READ covers NOTIFY songsChanged)
    Q_PROPERTY(bool collage READ isCollage NOTIFY songsChanged)
    Q_PROPERTY(QString first READ first NOTIFY songsChanged)

public:
    static constexpr int CollageSize = 4;

    using QObject::QObject;

    // Songs without a cover are skipped; a song without an album id counts as
    // an album of its own.
    static QStringList albumCovers(const QList<Song> &songs);
    // The leading songs that decide what is drawn: up to the first song of
    // the last album a collage shows. Handing a long collection to the view
    // costs in proportion to its length; these few draw the same.
    static QList<Song> drawnSongs(const QList<Song> &songs);

    QList<Song> songs() const { return m_songs; }
    void setSongs(const QList<Song> &songs);
    QStringList covers() const { return m_covers; }
    bool isCollage() const { return m_covers.size() >= CollageSize; }
    QString first() const { return m_covers.value(0); }

Q_SIGNALS:
    void songsChanged();

private:
    QList<Song> m_songs;
    QStringList m_covers;
};
