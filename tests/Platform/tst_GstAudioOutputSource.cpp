#include <gst/gst.h>

#include <QSignalSpy>
#include <QTest>

#include "Platform/AudioOutputMonitor.h"
#include "Platform/GstAudioOutputSource.h"
#include "Platform/GstStartGate.h"

// GStreamer's device monitor behind the output list. The machines the tests
// run on may have no sound card at all: what must hold is that it starts,
// stops and goes away cleanly, and that the monitor's answer matches its list.
class tst_GstAudioOutputSource : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void setsUpOffTheCallingThread();
    void startsAndStopsCleanly();
    void monitorOverTheRealSource();
};

// The window that builds the source must not wait for GStreamer to read its
// registry: building it starts nothing, and its first start hands the work to
// a worker once GStreamer may start. (First in this process: nothing has
// started GStreamer before.)
void tst_GstAudioOutputSource::setsUpOffTheCallingThread()
{
    QVERIFY(!gst_is_initialized());
    GstStartGate::close();
    auto source = std::make_unique<GstAudioOutputSource>();
    QVERIFY(!gst_is_initialized());
    source->start();
    QVERIFY(source->isRunning());
    QCoreApplication::processEvents();
    QVERIFY(!gst_is_initialized());
    GstStartGate::open();
    QTRY_VERIFY_WITH_TIMEOUT(gst_is_initialized(), 30000);
    // Gone while its set-up may still run: it waits for it and frees all.
    source.reset();
}

void tst_GstAudioOutputSource::startsAndStopsCleanly()
{
    GstAudioOutputSource source;
    QSignalSpy added(&source, &AudioOutputSource::outputAdded);
    for (int round = 0; round < 2; ++round) {
        source.start();
        QVERIFY(source.isRunning());
        QTest::qWait(100);
        for (const QList<QVariant> &report : std::as_const(added)) {
            const AudioOutput output = report.first().value<AudioOutput>();
            QVERIFY(!output.id.isEmpty());
            QVERIFY(!output.displayName.isEmpty());
            QVERIFY(output.makeSink);
        }
        source.stop();
        QVERIFY(!source.isRunning());
        const qsizetype reported = added.count();
        QTest::qWait(50);
        QCOMPARE(added.count(), reported); // nothing after the stop
    }
}

void tst_GstAudioOutputSource::monitorOverTheRealSource()
{
    auto monitor = std::make_unique<AudioOutputMonitor>();
    QTest::qWait(100);
    QCOMPARE(monitor->routesAvailable(), monitor->outputs().size() > 1);
    // Reports still queued when the monitor goes are dropped with it.
    monitor.reset();
    QTest::qWait(50);
}

QTEST_GUILESS_MAIN(tst_GstAudioOutputSource)
#include "tst_GstAudioOutputSource.moc"
