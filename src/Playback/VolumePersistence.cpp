#include "VolumePersistence.h"

#include <QPointer>
#include <QSettings>

#include <algorithm>
#include <cmath>

#include "Support/Async.h"

float VolumePersistence::savedVolume()
{
    const QVariant value = QSettings().value(QLatin1StringView(Key));
    // The settings file keeps text: a number written earlier comes back as a
    // string, so it is read back from its text.
    bool ok = false;
    float volume = 1.0f;
    if (value.typeId() == QMetaType::QString)
        volume = value.toString().trimmed().toFloat(&ok);
    else if (value.typeId() == QMetaType::Float || value.typeId() == QMetaType::Double
        || value.typeId() == QMetaType::Int || value.typeId() == QMetaType::LongLong)
        volume = value.toFloat(&ok);
    if (!ok || !std::isfinite(volume))
        return 1.0f;
    // A hand-edited value outside the player's scale would start silent or
    // show a level the slider cannot reach.
    return std::clamp(volume, 0.0f, 1.0f);
}

void VolumePersistence::schedulePersist(float volume)
{
    m_pending.cancel();
    m_pending = TaskHandle::create();
    persistLater(volume, m_pending);
}

void VolumePersistence::flush(float volume)
{
    m_pending.cancel();
    m_pending = {};
    QSettings().setValue(QLatin1StringView(Key), volume);
}

QCoro::Task<> VolumePersistence::persistLater(float volume, TaskHandle handle)
{
    QPointer<VolumePersistence> self(this);
    const bool goOn = co_await Async::sleep(Delay, handle);
    if (!goOn || !self)
        co_return;
    self->flush(volume);
}
