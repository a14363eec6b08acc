#pragma once

#include <QList>
#include <QObject>

#include "Platform/AudioOutput.h"
#include "Platform/AudioOutputSource.h"

// The system's audio outputs as the interface shows them: the list, in the
// order they appeared, and whether there is more than one to choose from.
// Every change happens on the thread that owns the monitor, and only a real
// change is announced.
class AudioOutputMonitor : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool routesAvailable READ routesAvailable NOTIFY routesAvailableChanged)
public:
    // Takes `source` over and starts it at once; without one it watches the
    // outputs GStreamer's device monitor reports.
    explicit AudioOutputMonitor(AudioOutputSource *source = nullptr, QObject *parent = nullptr);
    ~AudioOutputMonitor() override;

    const QList<AudioOutput> &outputs() const { return m_outputs; }
    // The output of that id, or the system default when there is none.
    AudioOutput output(const QString &id) const;
    bool routesAvailable() const { return m_routesAvailable; }

Q_SIGNALS:
    // Sent after the list changed.
    void outputAdded(const AudioOutput &output);
    void outputRemoved(const QString &id);
    // The output listed as `previousId` now reads as `output`, in its place.
    void outputChanged(const QString &previousId, const AudioOutput &output);
    void routesAvailableChanged();

private:
    void add(const AudioOutput &output);
    void remove(const QString &id);
    void change(const QString &previousId, const AudioOutput &output);
    qsizetype indexOf(const QString &id) const;
    void setRoutesAvailable(bool available);

    AudioOutputSource *m_source = nullptr;
    QList<AudioOutput> m_outputs;
    bool m_routesAvailable = false;
};
