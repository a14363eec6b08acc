#include "GstAudioOutputSource.h"

#include "GstStartGate.h"

#include <gst/gst.h>

#include <QMetaObject>
#include <QMutex>
#include <QtConcurrent/QtConcurrentRun>

#include <memory>

// The bus handler's view of the source: cleared (under the lock) before the
// source stops or goes away, so that the handler never queues to a dead object.
struct GstAudioOutputSource::Relay
{
    QMutex mutex;
    GstAudioOutputSource *target = nullptr;
};

namespace {

QString takeString(gchar *text)
{
    const QString value = QString::fromUtf8(text);
    g_free(text);
    return value;
}

// An identity that stays the same for one device while it exists: the sound
// server's own name for the sink where there is one.
QString deviceId(GstDevice *device)
{
    if (g_object_class_find_property(G_OBJECT_GET_CLASS(device), "internal-name")) {
        gchar *name = nullptr;
        g_object_get(device, "internal-name", &name, nullptr);
        if (name && *name)
            return takeString(name);
        g_free(name);
    }
    if (GstStructure *properties = gst_device_get_properties(device)) {
        QString id;
        for (const char *key : {"node.name", "object.path", "device.name"}) {
            if (const gchar *value = gst_structure_get_string(properties, key)) {
                id = QString::fromUtf8(value);
                break;
            }
        }
        gst_structure_free(properties);
        if (!id.isEmpty())
            return id;
    }
    return takeString(gst_object_get_name(GST_OBJECT(device)));
}

} // namespace

struct GstAudioOutputSourceCallbacks
{
    enum class Change { Added, Removed, Changed };

    // On the thread that posted the message.
    static GstBusSyncReply busSync(GstBus *, GstMessage *message, gpointer data)
    {
        auto *relay = static_cast<GstAudioOutputSource::Relay *>(data);
        GstDevice *device = nullptr;
        GstDevice *previous = nullptr;
        switch (GST_MESSAGE_TYPE(message)) {
        case GST_MESSAGE_DEVICE_ADDED:
            gst_message_parse_device_added(message, &device);
            forward(relay, Change::Added, device);
            break;
        case GST_MESSAGE_DEVICE_REMOVED:
            gst_message_parse_device_removed(message, &device);
            forward(relay, Change::Removed, device);
            break;
        case GST_MESSAGE_DEVICE_CHANGED:
            // A renamed or reconfigured device (the sound server posts this
            // when its default moves): still the same device, so whoever
            // chose it keeps it.
            gst_message_parse_device_changed(message, &device, &previous);
            if (device && previous)
                forward(relay, Change::Changed, device, deviceId(previous));
            break;
        default:
            break;
        }
        if (device)
            gst_object_unref(device);
        if (previous)
            gst_object_unref(previous);
        return GST_BUS_DROP;
    }

    static void forward(
        GstAudioOutputSource::Relay *relay, Change change, GstDevice *device, const QString &previousId = {})
    {
        if (!device)
            return;
        const AudioOutput output = GstAudioOutputSource::outputOf(device);
        QMutexLocker lock(&relay->mutex);
        GstAudioOutputSource *target = relay->target;
        if (!target)
            return;
        // Queued to the source's thread; dropped if the source is gone by then.
        QMetaObject::invokeMethod(
            target,
            [target, change, output, previousId] {
                if (!target->m_running)
                    return;
                if (change == Change::Added)
                    Q_EMIT target->outputAdded(output);
                else if (change == Change::Removed)
                    Q_EMIT target->outputRemoved(output.id);
                else
                    Q_EMIT target->outputChanged(previousId, output);
            },
            Qt::QueuedConnection);
    }

    static void freeRelay(gpointer data) { delete static_cast<GstAudioOutputSource::Relay *>(data); }

    // On a worker: starts GStreamer (once per process; gst_init may be
    // called from several threads), makes and starts the monitor, whose bus
    // takes the relay, and reads its first list of sinks.
    static GstAudioOutputSource::Setup setUp(GstAudioOutputSource::Relay *relay)
    {
        if (!gst_is_initialized())
            gst_init(nullptr, nullptr);
        GstAudioOutputSource::Setup setup;
        setup.monitor = gst_device_monitor_new();
        gst_object_ref_sink(setup.monitor);
        gst_device_monitor_add_filter(setup.monitor, "Audio/Sink", nullptr);
        GstBus *bus = gst_device_monitor_get_bus(setup.monitor);
        gst_bus_set_sync_handler(bus, &busSync, relay, &freeRelay);
        gst_object_unref(bus);
        // Without any provider for audio sinks there is nothing to watch;
        // the list then stays empty.
        setup.started = gst_device_monitor_start(setup.monitor);
        if (!setup.started)
            return setup;
        GList *devices = gst_device_monitor_get_devices(setup.monitor);
        for (GList *item = devices; item; item = item->next)
            setup.outputs.append(GstAudioOutputSource::outputOf(GST_DEVICE(item->data)));
        g_list_free_full(devices, gst_object_unref);
        return setup;
    }
};

GstAudioOutputSource::GstAudioOutputSource(QObject *parent)
    : AudioOutputSource(parent)
    , m_relay(new Relay)
{
    connect(&m_setup, &QFutureWatcher<Setup>::finished, this, [this] { takeSetup(m_setup.result()); });
}

GstAudioOutputSource::~GstAudioOutputSource()
{
    stop();
    if (!m_setupLaunched) {
        // Never set up: the relay never went to a bus.
        delete m_relay;
        return;
    }
    // A set-up still running on the worker is let finish: the monitor it
    // makes must be stopped and freed here.
    if (!m_monitor) {
        m_setup.waitForFinished();
        const Setup setup = m_setup.result();
        m_monitor = setup.monitor;
        if (setup.started)
            gst_device_monitor_stop(m_monitor);
    }
    // Replacing the handler frees the relay once no call of it is running.
    GstBus *bus = gst_device_monitor_get_bus(m_monitor);
    gst_bus_set_sync_handler(bus, nullptr, nullptr, nullptr);
    gst_object_unref(bus);
    gst_object_unref(m_monitor);
}

void GstAudioOutputSource::start()
{
    if (m_running)
        return;
    {
        QMutexLocker lock(&m_relay->mutex);
        m_relay->target = this;
    }
    m_running = true;
    if (!m_setUp) {
        // Starting GStreamer reads (or first builds) its plugin registry, and
        // asking the sound server for its sinks is a round trip: both happen
        // on a worker, never on the thread that draws the window, and not
        // before GStreamer may start.
        m_setUp = true;
        GstStartGate::whenOpen(this, [this] {
            m_setupLaunched = true;
            m_setup.setFuture(QtConcurrent::run(&GstAudioOutputSourceCallbacks::setUp, m_relay));
        });
        return;
    }
    if (!m_monitor)
        return; // still being set up: its list comes when it is done
    // Without any provider for audio sinks there is nothing to watch; the
    // list then stays empty.
    m_monitorStarted = gst_device_monitor_start(m_monitor);
    if (!m_monitorStarted)
        return;
    GList *devices = gst_device_monitor_get_devices(m_monitor);
    for (GList *item = devices; item; item = item->next)
        Q_EMIT outputAdded(outputOf(GST_DEVICE(item->data)));
    g_list_free_full(devices, gst_object_unref);
}

void GstAudioOutputSource::takeSetup(const Setup &setup)
{
    m_monitor = setup.monitor;
    m_monitorStarted = setup.started;
    // Stopped while the worker set the monitor up.
    if (!m_running) {
        if (m_monitorStarted)
            gst_device_monitor_stop(m_monitor);
        m_monitorStarted = false;
        return;
    }
    for (const AudioOutput &output : setup.outputs)
        Q_EMIT outputAdded(output);
}

void GstAudioOutputSource::stop()
{
    if (!m_running)
        return;
    {
        QMutexLocker lock(&m_relay->mutex);
        m_relay->target = nullptr;
    }
    m_running = false;
    if (m_monitorStarted)
        gst_device_monitor_stop(m_monitor);
    m_monitorStarted = false;
}

AudioOutput GstAudioOutputSource::outputOf(GstDevice *device)
{
    AudioOutput output;
    output.id = deviceId(device);
    output.displayName = takeString(gst_device_get_display_name(device));
    if (output.displayName.isEmpty())
        output.displayName = output.id;
    std::shared_ptr<GstDevice> held(
        GST_DEVICE(gst_object_ref(device)), [](GstDevice *d) { gst_object_unref(d); });
    output.makeSink = [held] { return gst_device_create_element(held.get(), nullptr); };
    return output;
}
