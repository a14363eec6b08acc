#pragma once

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include "NavigationModel.h"
#include "Networking/SubsonicClient.h"
#include "SidebarModel.h"

// The state of one main window for one signed-in client: its navigation
// (restored from the account's saved place) and its sidebar. A new one is
// built for every sign-in, so another server starts with fresh view state.
class MainViewModel : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Built by the root view's model.")

    Q_PROPERTY(NavigationModel *navigation READ navigation CONSTANT)
    Q_PROPERTY(SidebarModel *sidebar READ sidebar CONSTANT)
    Q_PROPERTY(QString serverAddress READ serverAddress CONSTANT)

public:
    explicit MainViewModel(const SubsonicClient &client, QObject *parent = nullptr);

    const SubsonicClient &client() const { return m_client; }
    NavigationModel *navigation() const { return m_navigation; }
    SidebarModel *sidebar() const { return m_sidebar; }
    QString serverAddress() const { return m_client.config().baseURL.toString(); }

private:
    SubsonicClient m_client;
    NavigationModel *m_navigation;
    SidebarModel *m_sidebar;
};
