#pragma once

#include <QList>
#include <QObject>

#include "Platform/AudioOutput.h"

// Where the list of the system's audio outputs comes from. Its signals are
// delivered on the thread that owns it, so receivers never see another thread.
class AudioOutputSource : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // Starts watching; the outputs present then arrive through outputAdded.
    virtual void start() = 0;
    // Stops watching; nothing is reported afterwards.
    virtual void stop() = 0;

Q_SIGNALS:
    void outputAdded(const AudioOutput &output);
    void outputRemoved(const QString &id);
    // The output known as `previousId` is still there but reads differently
    // now (its name, its properties, the system's choice of default).
    void outputChanged(const QString &previousId, const AudioOutput &output);
};
