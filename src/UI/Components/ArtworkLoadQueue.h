#pragma once

#include <QCoroTask>
#include <QList>
#include <QObject>
#include <QPointer>

#include <functional>

// Keeps cover loads from piling up while a grid scrolls. At most `maxRunning`
// loads run at once; the rest wait, the newest first, because the covers most
// recently brought on screen are the ones the user is looking at. A waiting
// load whose owner has gone (its cover scrolled away and was destroyed) is
// dropped without ever starting.
class ArtworkLoadQueue : public QObject
{
    Q_OBJECT
public:
    using Job = std::function<QCoro::Task<void>()>;

    explicit ArtworkLoadQueue(int maxRunning = 6, QObject *parent = nullptr);

    // Runs `job` once a slot is free, unless `owner` is destroyed first.
    void enqueue(QObject *owner, Job job);

    int running() const { return m_running; }
    int pending() const { return int(m_pending.size()); }

private:
    struct Entry
    {
        QPointer<QObject> owner;
        Job job;
    };

    void pump();
    QCoro::Task<void> run(Job job);

    QList<Entry> m_pending;
    int m_maxRunning;
    int m_running = 0;
    bool m_pumping = false;
};
