#pragma once

#include <QList>
#include <QString>

#include "Models/Song.h"

// Songs "s1" … "s<count>", titled "Song <n>", of 200 s each: a queue to play.
inline QList<Song> numberedSongs(int count)
{
    QList<Song> list;
    for (int n = 1; n <= count; ++n) {
        Song s;
        s.id = QStringLiteral("s%1").arg(n);
        s.title = QStringLiteral("Song %1").arg(n);
        s.duration = 200;
        list.append(s);
    }
    return list;
}
