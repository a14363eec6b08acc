#pragma once

#include <QList>

#include "Platform/AudioOutputSource.h"

// A scripted list of outputs: the test says when one comes or goes.
class FakeAudioOutputSource : public AudioOutputSource
{
    Q_OBJECT
public:
    explicit FakeAudioOutputSource(QList<AudioOutput> present = {}, QObject *parent = nullptr)
        : AudioOutputSource(parent)
        , m_present(std::move(present))
    { }

    void start() override
    {
        running = true;
        for (const AudioOutput &output : std::as_const(m_present))
            Q_EMIT outputAdded(output);
    }
    void stop() override { running = false; }

    static AudioOutput output(const QString &id, const QString &name = {})
    {
        return AudioOutput {id, name.isEmpty() ? id : name, {}};
    }
    void add(const QString &id, const QString &name = {}) { Q_EMIT outputAdded(output(id, name)); }
    void remove(const QString &id) { Q_EMIT outputRemoved(id); }
    void change(const QString &previousId, const QString &id, const QString &name)
    {
        Q_EMIT outputChanged(previousId, output(id, name));
    }

    bool running = false;

private:
    QList<AudioOutput> m_present;
};
