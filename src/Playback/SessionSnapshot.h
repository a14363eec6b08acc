#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

#include "Models/Song.h"
#include "Playback/PlaybackSource.h"
#include "Playback/RepeatMode.h"

// The saved playback session, the only content of "session.json": a window of
// the play queue around the current song, the position in it, shuffle, repeat
// and where the queue came from, for the account that played it.
struct SessionSnapshot
{
    // At most this many songs are kept on either side of the current one.
    static constexpr qsizetype WindowRadius = 500;

    QString serverKey;
    QList<Song> queue;
    qint64 currentIndex = 0;
    double currentTime = 0;
    bool isShuffling = false;
    std::optional<QList<Song>> unshuffledQueue;
    RepeatMode repeatMode = RepeatMode::Off;
    std::optional<PlaybackSource> source;

    // The snapshot of a playing queue (`currentIndex` must lie in it): the
    // whole queue when it has at most 1001 songs, else the songs at most 500
    // before and after the current one; the unshuffled order only with the
    // whole queue.
    static SessionSnapshot make(QString serverKey, const QList<Song> &queue, qsizetype currentIndex,
        double currentTime, bool isShuffling, const std::optional<QList<Song>> &unshuffledQueue,
        RepeatMode repeatMode, const std::optional<PlaybackSource> &source);

    // Reads the file's bytes; none when anything required is missing or of
    // the wrong type, or a record in it is malformed. Unknown keys are ignored.
    static std::optional<SessionSnapshot> fromJson(const QByteArray &data);
    // The file's bytes, keys in a fixed order; none when the position is not
    // a finite number (JSON has no way to hold it).
    std::optional<QByteArray> toJson() const;

    // Where the restored song starts: the saved position, never before the
    // song's start nor past the length its record gives (a record without
    // one leaves the end to the player). Needs a valid index.
    double startTime() const;

    // Whether `currentIndex` names a song of `queue`.
    bool hasValidIndex() const { return currentIndex >= 0 && currentIndex < queue.size(); }

    friend bool operator==(const SessionSnapshot &, const SessionSnapshot &) = default;
};
