#pragma once

#include <QFutureWatcher>

#include "Platform/AudioOutputSource.h"

typedef struct _GstDevice GstDevice;
typedef struct _GstDeviceMonitor GstDeviceMonitor;

// The system's audio sinks as GStreamer's device monitor sees them (devices
// of the class "Audio/Sink": the sound server's sinks, or the sound cards
// without one).
//
// GStreamer and the monitor are set up on a worker at the first start(), or
// once GStreamer may start (GstStartGate); the first list of sinks is
// reported when that is done.
//
// The monitor reports from GStreamer's threads: the bus handler only reads
// the device there and queues the report to this object's thread, and a
// report still queued when the object goes away is dropped with it.
class GstAudioOutputSource : public AudioOutputSource
{
    Q_OBJECT
public:
    explicit GstAudioOutputSource(QObject *parent = nullptr);
    ~GstAudioOutputSource() override;

    void start() override;
    void stop() override;
    bool isRunning() const { return m_running; }

    // The output a device stands for: its id, its display name and the way
    // to open it.
    static AudioOutput outputOf(GstDevice *device);

private:
    struct Relay;
    friend struct GstAudioOutputSourceCallbacks;

    // What the worker hands back: the monitor and its first list.
    struct Setup
    {
        GstDeviceMonitor *monitor = nullptr;
        bool started = false;
        QList<AudioOutput> outputs;
    };

    void takeSetup(const Setup &setup);

    GstDeviceMonitor *m_monitor = nullptr; // once the worker has made it
    Relay *m_relay = nullptr; // owned by the monitor's bus once set up
    QFutureWatcher<Setup> m_setup;
    bool m_setUp = false; // the set-up was asked for
    bool m_setupLaunched = false; // and handed to the worker
    bool m_running = false;
    bool m_monitorStarted = false;
};
