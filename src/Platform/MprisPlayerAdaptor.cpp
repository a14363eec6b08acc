#include "MprisPlayerAdaptor.h"

#include "MprisService.h"

MprisPlayerAdaptor::MprisPlayerAdaptor(MprisService *service)
    : QDBusAbstractAdaptor(service)
    , m_service(service)
{ }

QString MprisPlayerAdaptor::playbackStatus() const
{
    return m_service->playbackStatus();
}

QVariantMap MprisPlayerAdaptor::metadata() const
{
    return m_service->metadata();
}

double MprisPlayerAdaptor::volume() const
{
    return m_service->volume();
}

qlonglong MprisPlayerAdaptor::position() const
{
    return m_service->position();
}

bool MprisPlayerAdaptor::hasTrack() const
{
    return m_service->hasTrack();
}

void MprisPlayerAdaptor::Next()
{
    m_service->next();
}

void MprisPlayerAdaptor::Previous()
{
    m_service->previous();
}

void MprisPlayerAdaptor::Pause()
{
    m_service->pause();
}

void MprisPlayerAdaptor::PlayPause()
{
    m_service->playPause();
}

// The player offers no stop command to the desktop.
void MprisPlayerAdaptor::Stop() { }

void MprisPlayerAdaptor::Play()
{
    m_service->play();
}

void MprisPlayerAdaptor::Seek(qlonglong Offset)
{
    m_service->seek(Offset);
}

void MprisPlayerAdaptor::SetPosition(const QDBusObjectPath &TrackId, qlonglong Position)
{
    m_service->setPosition(TrackId, Position);
}

// Nothing is opened from outside: no URI scheme is supported.
void MprisPlayerAdaptor::OpenUri(const QString &) { }
