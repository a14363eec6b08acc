#include <gst/gst.h>

#include <QSignalSpy>
#include <QTest>

#include <gst/gst.h>

#include "Platform/AudioOutputMonitor.h"
#include "Platform/GstAudioOutputSource.h"
#include "Platform/GstStartGate.h"

// A device provider of our own, registered in-process, stands for the sound
// server: the test says when its one sink changes.
namespace {

struct TestSink
{
    GstDevice parent;
};
struct TestSinkClass
{
    GstDeviceClass parent;
};
G_DEFINE_TYPE(TestSink, test_sink, GST_TYPE_DEVICE)

GstElement *testSinkCreateElement(GstDevice *, const gchar *name)
{
    return gst_element_factory_make("fakesink", name);
}
void test_sink_class_init(TestSinkClass *klass)
{
    GST_DEVICE_CLASS(klass)->create_element = testSinkCreateElement;
}
void test_sink_init(TestSink *) { }

GstDevice *newTestSink(const char *name)
{
    GstStructure *properties
        = gst_structure_new("properties", "node.name", G_TYPE_STRING, "lirna-test-sink", nullptr);
    GstCaps *caps = gst_caps_new_empty_simple("audio/x-raw");
    auto *device = GST_DEVICE(g_object_new(test_sink_get_type(), "display-name", name, "device-class",
        "Audio/Sink", "caps", caps, "properties", properties, nullptr));
    gst_caps_unref(caps);
    gst_structure_free(properties);
    return device;
}

struct TestSinks
{
    GstDeviceProvider parent;
};
struct TestSinksClass
{
    GstDeviceProviderClass parent;
};
G_DEFINE_TYPE(TestSinks, test_sinks, GST_TYPE_DEVICE_PROVIDER)

GstDeviceProvider *g_provider = nullptr;

gboolean testSinksStart(GstDeviceProvider *provider)
{
    // The provider's list is locked while it starts: its one sink is added
    // on the first start only.
    if (!g_provider)
        gst_device_provider_device_add(provider, newTestSink("Test Speakers"));
    g_provider = provider;
    return TRUE;
}
void testSinksStop(GstDeviceProvider *) { }
GList *testSinksProbe(GstDeviceProvider *)
{
    return nullptr;
}
void test_sinks_class_init(TestSinksClass *klass)
{
    GstDeviceProviderClass *provider = GST_DEVICE_PROVIDER_CLASS(klass);
    provider->start = testSinksStart;
    provider->stop = testSinksStop;
    provider->probe = testSinksProbe;
    gst_device_provider_class_set_static_metadata(
        provider, "Lirna test sinks", "Sink/Audio", "One sink the test controls", "Lirna");
}
void test_sinks_init(TestSinks *) { }

gboolean registerTestSinks(GstPlugin *plugin)
{
    return gst_device_provider_register(plugin, "lirnatestsinks", GST_RANK_PRIMARY, test_sinks_get_type());
}

} // namespace

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
    void aChangedDeviceIsNotReportedGone();
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

// The sound server reports a device changed when, say, the system's default
// moves: the device is still there, so it is not reported gone (which would
// take it from whoever chose it).
void tst_GstAudioOutputSource::aChangedDeviceIsNotReportedGone()
{
    if (!gst_is_initialized())
        gst_init(nullptr, nullptr);
    QVERIFY(gst_plugin_register_static(GST_VERSION_MAJOR, GST_VERSION_MINOR, "lirnatestsinks", "Test sinks",
        registerTestSinks, "1.0", "LGPL", "lirna", "lirna", "https://example.invalid"));
    const QString id = QStringLiteral("lirna-test-sink");
    AudioOutputMonitor monitor;
    QTRY_COMPARE_WITH_TIMEOUT(monitor.output(id).displayName, QStringLiteral("Test Speakers"), 10000);
    QVERIFY(g_provider);
    QSignalSpy removed(&monitor, &AudioOutputMonitor::outputRemoved);
    QSignalSpy changed(&monitor, &AudioOutputMonitor::outputChanged);

    GList *devices = gst_device_provider_get_devices(g_provider);
    QVERIFY(devices);
    gst_device_provider_device_changed(
        g_provider, newTestSink("Test Speakers (default)"), GST_DEVICE(devices->data));
    g_list_free_full(devices, gst_object_unref);
    QTRY_COMPARE_WITH_TIMEOUT(
        monitor.output(id).displayName, QStringLiteral("Test Speakers (default)"), 10000);
    QVERIFY(removed.isEmpty());
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.first().first().toString(), id);
}

QTEST_GUILESS_MAIN(tst_GstAudioOutputSource)
#include "tst_GstAudioOutputSource.moc"
