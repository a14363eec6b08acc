#include "AudioOutputMonitor.h"

#include "Platform/GstAudioOutputSource.h"

AudioOutputMonitor::AudioOutputMonitor(AudioOutputSource *source, QObject *parent)
    : QObject(parent)
    , m_source(source ? source : new GstAudioOutputSource)
{
    m_source->setParent(this);
    connect(m_source, &AudioOutputSource::outputAdded, this, &AudioOutputMonitor::add);
    connect(m_source, &AudioOutputSource::outputRemoved, this, &AudioOutputMonitor::remove);
    connect(m_source, &AudioOutputSource::outputChanged, this, &AudioOutputMonitor::change);
    m_source->start();
}

AudioOutputMonitor::~AudioOutputMonitor()
{
    m_source->stop();
}

AudioOutput AudioOutputMonitor::output(const QString &id) const
{
    const qsizetype index = indexOf(id);
    return index < 0 ? AudioOutput {} : m_outputs.at(index);
}

void AudioOutputMonitor::add(const AudioOutput &output)
{
    // A source may report an output it already reported (its first list
    // and an "added" message can cross).
    if (output.id.isEmpty() || indexOf(output.id) >= 0)
        return;
    m_outputs.append(output);
    Q_EMIT outputAdded(output);
    setRoutesAvailable(m_outputs.size() > 1);
}

void AudioOutputMonitor::remove(const QString &id)
{
    const qsizetype index = indexOf(id);
    if (index < 0)
        return;
    m_outputs.removeAt(index);
    Q_EMIT outputRemoved(id);
    setRoutesAvailable(m_outputs.size() > 1);
}

void AudioOutputMonitor::change(const QString &previousId, const AudioOutput &output)
{
    const qsizetype index = indexOf(previousId);
    if (index < 0) {
        add(output);
        return;
    }
    if (output.id.isEmpty() || (output.id != previousId && indexOf(output.id) >= 0)) {
        // It now reads as another output that is listed already.
        remove(previousId);
        return;
    }
    m_outputs[index] = output;
    Q_EMIT outputChanged(previousId, output);
}

qsizetype AudioOutputMonitor::indexOf(const QString &id) const
{
    for (qsizetype i = 0; i < m_outputs.size(); ++i) {
        if (m_outputs.at(i).id == id)
            return i;
    }
    return -1;
}

void AudioOutputMonitor::setRoutesAvailable(bool available)
{
    if (m_routesAvailable == available)
        return;
    m_routesAvailable = available;
    Q_EMIT routesAvailableChanged();
}
