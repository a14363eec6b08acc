// LIRNA_TEST_NEEDS_SESSION_BUS: a stand-in logind is served on a private bus.
#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>
#include <QSignalSpy>
#include <QTest>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include "Platform/LogindSleepMonitor.h"

using namespace Qt::StringLiterals;

// logind's Inhibit, handing out the write end of a pipe: the lock is released
// once every copy of that end is closed, which the read end sees as EOF.
class FakeLogind : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")
public:
    explicit FakeLogind(QObject *parent)
        : QDBusAbstractAdaptor(parent)
    { }
    ~FakeLogind() override
    {
        for (int fd : std::as_const(readEnds))
            ::close(fd);
    }

    QList<int> readEnds;
    QStringList requests;

    // True once the lock handed out last has been let go.
    bool lastReleased() const
    {
        if (readEnds.isEmpty())
            return false;
        pollfd p {readEnds.last(), POLLIN, 0};
        if (::poll(&p, 1, 0) <= 0)
            return false;
        char byte;
        return ::read(readEnds.last(), &byte, 1) == 0;
    }

public Q_SLOTS:
    QDBusUnixFileDescriptor Inhibit(
        const QString &what, const QString &who, const QString &why, const QString &mode)
    {
        requests.append(QStringList {what, who, why, mode}.join(u'|'));
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0)
            return {};
        readEnds.append(fds[0]);
        QDBusUnixFileDescriptor handed(fds[1]);
        ::close(fds[1]);
        return handed;
    }
};

class tst_LogindSleepMonitor : public QObject
{
    Q_OBJECT

    static void announce(QDBusConnection &bus, bool start)
    {
        QDBusMessage signal = QDBusMessage::createSignal(
            u"/org/freedesktop/login1"_s, u"org.freedesktop.login1.Manager"_s, u"PrepareForSleep"_s);
        signal << start;
        bus.send(signal);
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
            QSKIP("needs a private session bus (run through ctest)");
    }

    void pausesBeforeTheMachineSleeps()
    {
        QDBusConnection logindBus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"logind"_s);
        QObject root;
        auto *logind = new FakeLogind(&root);
        QVERIFY(
            logindBus.registerObject(u"/org/freedesktop/login1"_s, &root, QDBusConnection::ExportAdaptors));
        QVERIFY(logindBus.registerService(u"org.freedesktop.login1"_s));

        LogindSleepMonitor monitor(QDBusConnection::sessionBus());
        QTRY_VERIFY(monitor.holdsInhibitor());
        QCOMPARE(logind->requests, QStringList {u"sleep|Lirna|Pause playback before sleep|delay"_s});
        QVERIFY(!logind->lastReleased());

        // The engine's queued pause runs while the lock is still held.
        bool heldDuringPause = false;
        QSignalSpy wake(&monitor, &SleepMonitor::didWake);
        connect(
            &monitor, &SleepMonitor::willSleep, this,
            [&] { heldDuringPause = monitor.holdsInhibitor() && !logind->lastReleased(); },
            Qt::QueuedConnection);
        QSignalSpy sleep(&monitor, &SleepMonitor::willSleep);
        announce(logindBus, true);
        QTRY_COMPARE(sleep.count(), 1);
        QTRY_VERIFY(logind->lastReleased());
        QVERIFY(heldDuringPause);
        QVERIFY(!monitor.holdsInhibitor());
        QCOMPARE(wake.count(), 0);

        // Waking reports it and takes a new lock for the next sleep.
        announce(logindBus, false);
        QTRY_COMPARE(wake.count(), 1);
        QTRY_VERIFY(monitor.holdsInhibitor());
        QCOMPARE(logind->requests.size(), 2);
        QCOMPARE(sleep.count(), 1);

        logindBus.unregisterService(u"org.freedesktop.login1"_s);
        QDBusConnection::disconnectFromBus(u"logind"_s);
    }

    void withoutABusNothingHappens()
    {
        LogindSleepMonitor monitor(QDBusConnection(u"no such bus"_s));
        QSignalSpy sleep(&monitor, &SleepMonitor::willSleep);
        QTest::qWait(50);
        QVERIFY(!monitor.holdsInhibitor());
        QCOMPARE(sleep.count(), 0);
    }

    void withoutLogindNoLockIsHeld()
    {
        // On a bus where nobody answers for logind the call fails quietly.
        LogindSleepMonitor monitor(QDBusConnection::sessionBus());
        QTest::qWait(200);
        QVERIFY(!monitor.holdsInhibitor());
    }
};

QTEST_GUILESS_MAIN(tst_LogindSleepMonitor)
#include "tst_LogindSleepMonitor.moc"
