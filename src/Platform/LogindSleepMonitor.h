#pragma once

#include <QDBusConnection>
#include <QDBusUnixFileDescriptor>

#include "SleepMonitor.h"

// Sleep and wake from systemd-logind's PrepareForSleep on the system bus. A
// delay inhibitor is held while awake so that the machine waits for the
// engine to pause before it sleeps. Without a system bus or logind, nothing
// is ever reported.
class LogindSleepMonitor : public SleepMonitor
{
    Q_OBJECT
public:
    explicit LogindSleepMonitor(
        QDBusConnection bus = QDBusConnection::systemBus(), QObject *parent = nullptr);

    bool holdsInhibitor() const { return m_inhibitor.isValid(); }

private Q_SLOTS:
    void prepareForSleep(bool start);

private:
    void takeInhibitor();
    void releaseInhibitor();

    QDBusConnection m_bus;
    QDBusUnixFileDescriptor m_inhibitor;
    bool m_asleep = false;
};
