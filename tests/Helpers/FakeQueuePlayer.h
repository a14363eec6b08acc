#pragma once

#include <QList>
#include <QStringList>

#include <cmath>
#include <limits>

#include "Platform/QueuePlayer.h"

// A scripted queue player for the engine's tests: it keeps the item list, the
// rate, the seeks and the volume, and plays nothing. The test drives it:
// statuses, ticks and item ends happen when the test says so.
class FakeQueuePlayer : public QueuePlayer
{
    Q_OBJECT
public:
    using QueuePlayer::QueuePlayer;

    QList<QueuePlayerItemPtr> items() const override { return m_items; }
    bool canInsert(const QueuePlayerItemPtr &item, const QueuePlayerItemPtr &after) const override
    {
        return !refuseInserts && QueuePlayer::canInsert(item, after);
    }
    void insert(const QueuePlayerItemPtr &item, const QueuePlayerItemPtr &after) override
    {
        ++insertCalls;
        if (!canInsert(item, after))
            return;
        m_items.append(item);
    }
    void remove(const QueuePlayerItemPtr &item) override { m_items.removeOne(item); }
    void removeAllItems() override
    {
        ++removeAllCalls;
        m_items.clear();
    }
    void advanceToNextItem() override
    {
        ++advanceCalls;
        if (!m_items.isEmpty())
            m_items.removeFirst();
    }

    void play() override { m_playing = true; }
    void pause() override { m_playing = false; }
    bool isPlaying() const override { return m_playing; }

    void seek(double seconds) override { seeks.append(seconds); }
    double currentTime() const override
    {
        return seeks.isEmpty() ? std::numeric_limits<double>::quiet_NaN() : seeks.last();
    }

    double volume() const override { return m_volume; }
    void setVolume(double volume) override { m_volume = std::clamp(volume, 0.0, 1.0); }

    AudioOutput audioOutput() const override { return m_output; }
    void setAudioOutput(const AudioOutput &output) override
    {
        outputSwitches.append(output.id);
        m_output = output;
    }

    // The current item played out: the player moves on by itself and then
    // reports the end (as the real one does). With `reportFirst` the report
    // comes before the player moved on.
    void finishCurrentItem(bool reportFirst = false)
    {
        if (m_items.isEmpty())
            return;
        const QueuePlayerItemPtr finished = m_items.first();
        if (reportFirst) {
            Q_EMIT itemDidPlayToEnd(finished);
            return;
        }
        m_items.removeFirst();
        Q_EMIT itemDidPlayToEnd(finished);
    }
    void tick(double seconds) { Q_EMIT periodicTime(seconds); }

    bool refuseInserts = false;
    int insertCalls = 0;
    int removeAllCalls = 0;
    int advanceCalls = 0;
    QList<double> seeks;
    QStringList outputSwitches;

private:
    QList<QueuePlayerItemPtr> m_items;
    bool m_playing = false;
    double m_volume = 1.0;
    AudioOutput m_output;
};
