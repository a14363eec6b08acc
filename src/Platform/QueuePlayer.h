#pragma once

#include <QList>
#include <QObject>

#include "Platform/AudioOutput.h"
#include "Platform/QueuePlayerItem.h"

// The audio player the playback engine drives: a current item and at most one
// item queued behind it, into which the player moves by itself when the
// current one ends. Every signal is delivered on the thread that owns the
// player (the GUI thread).
class QueuePlayer : public QObject
{
    Q_OBJECT
public:
    static constexpr qsizetype MaxItems = 2;
    static constexpr int PeriodicIntervalMs = 500;

    using QObject::QObject;

    virtual QList<QueuePlayerItemPtr> items() const = 0;
    QueuePlayerItemPtr currentItem() const;

    // Whether `item` may go right after `after` (null: at the end). Items
    // are only ever appended. The player never holds more than MaxItems items, nor
    // one item twice.
    virtual bool canInsert(const QueuePlayerItemPtr &item, const QueuePlayerItemPtr &after) const;
    // Inserts when canInsert allows it; otherwise does nothing.
    virtual void insert(const QueuePlayerItemPtr &item, const QueuePlayerItemPtr &after) = 0;
    // Removing the current item moves on to the next one, as an advance does.
    virtual void remove(const QueuePlayerItemPtr &item) = 0;
    virtual void removeAllItems() = 0;
    // Drops the current item and plays on from the next one (if any).
    virtual void advanceToNextItem() = 0;

    // The player's rate: playing stays wanted across item changes until pause().
    virtual void play() = 0;
    virtual void pause() = 0;
    virtual bool isPlaying() const = 0;

    // Accurate seek within the current item; a seek before the item is ready
    // lands once it is.
    virtual void seek(double seconds) = 0;
    // Seconds into the current item; NaN when unknown.
    virtual double currentTime() const = 0;

    virtual double volume() const = 0;
    // Clamped to [0, 1].
    virtual void setVolume(double volume) = 0;

    // Where the sound goes; the system default until set. Switching keeps
    // the current item, its position and whether it plays.
    virtual AudioOutput audioOutput() const = 0;
    virtual void setAudioOutput(const AudioOutput &output) = 0;

Q_SIGNALS:
    // Every PeriodicIntervalMs while playing, with the position in seconds.
    void periodicTime(double seconds);
    // `item` played to its end. Sent after the player moved on, so that
    // currentItem() is already the following item (or none).
    void itemDidPlayToEnd(QueuePlayerItemPtr item);
};
