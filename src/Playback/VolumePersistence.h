#pragma once

#include <QCoroTask>
#include <QObject>

#include <chrono>

#include "Support/TaskHandle.h"

// Keeps the engine's output volume in the "volume" setting. A dragged slider
// changes the volume many times a second; the setting is written once, a
// short pause after the last change, or at once when a save is forced.
class VolumePersistence : public QObject
{
    Q_OBJECT
public:
    static constexpr auto Key = "volume";
    static constexpr std::chrono::milliseconds Delay {400};

    using QObject::QObject;

    // The saved volume; 1.0 when there is none or it is not a finite number.
    static float savedVolume();

    // Writes `volume` after Delay, replacing any save still waiting.
    void schedulePersist(float volume);
    // Drops the waiting save and writes `volume` now.
    void flush(float volume);
    bool isPending() const { return !m_pending.isNull(); }

private:
    QCoro::Task<> persistLater(float volume, TaskHandle handle);

    TaskHandle m_pending;
};
