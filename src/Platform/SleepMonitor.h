#pragma once

#include <QObject>

// Tells the playback engine that the machine is about to sleep or has woken.
// A receiver of willSleep() that connects with Qt::QueuedConnection still runs
// before the machine is let go.
class SleepMonitor : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

Q_SIGNALS:
    void willSleep();
    void didWake();
};
