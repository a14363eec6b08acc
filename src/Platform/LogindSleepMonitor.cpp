#include "LogindSleepMonitor.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QMetaObject>

using namespace Qt::StringLiterals;

namespace {

const auto Service = u"org.freedesktop.login1"_s;
const auto Path = u"/org/freedesktop/login1"_s;
const auto Manager = u"org.freedesktop.login1.Manager"_s;

} // namespace

LogindSleepMonitor::LogindSleepMonitor(QDBusConnection bus, QObject *parent)
    : SleepMonitor(parent)
    , m_bus(std::move(bus))
{
    if (!m_bus.isConnected())
        return;
    if (!m_bus.connect(Service, Path, Manager, u"PrepareForSleep"_s, this, SLOT(prepareForSleep(bool))))
        return;
    takeInhibitor();
}

void LogindSleepMonitor::takeInhibitor()
{
    QDBusMessage call = QDBusMessage::createMethodCall(Service, Path, Manager, u"Inhibit"_s);
    call << u"sleep"_s << u"Lirna"_s << u"Pause playback before sleep"_s << u"delay"_s;
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *finished) {
        finished->deleteLater();
        const QDBusPendingReply<QDBusUnixFileDescriptor> reply = *finished;
        // A lock that arrives once the machine is already going down would only
        // hold it up: it is dropped, and taken again at wake.
        if (reply.isError() || m_asleep)
            return;
        m_inhibitor = reply.value();
    });
}

void LogindSleepMonitor::releaseInhibitor()
{
    // Closing our copy of the descriptor is what lets logind go on.
    m_inhibitor = QDBusUnixFileDescriptor();
}

void LogindSleepMonitor::prepareForSleep(bool start)
{
    if (start) {
        m_asleep = true;
        Q_EMIT willSleep();
        // Queued after the receivers' own queued work, so the pause comes first.
        QMetaObject::invokeMethod(this, &LogindSleepMonitor::releaseInhibitor, Qt::QueuedConnection);
    } else {
        m_asleep = false;
        Q_EMIT didWake();
        // After a release that may still be queued.
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (!m_asleep && !m_inhibitor.isValid())
                    takeInhibitor();
            },
            Qt::QueuedConnection);
    }
}
