#include "MprisRootAdaptor.h"

#include <QGuiApplication>

#include "MprisService.h"

MprisRootAdaptor::MprisRootAdaptor(MprisService *service)
    : QDBusAbstractAdaptor(service)
    , m_service(service)
{ }

QString MprisRootAdaptor::desktopEntry() const
{
    return QGuiApplication::desktopFileName();
}

bool MprisRootAdaptor::canQuit() const
{
    return m_service->canQuit();
}

bool MprisRootAdaptor::canRaise() const
{
    return m_service->canRaise();
}

void MprisRootAdaptor::Raise()
{
    m_service->requestRaise();
}

void MprisRootAdaptor::Quit()
{
    m_service->requestQuit();
}
