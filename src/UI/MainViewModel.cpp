#include "MainViewModel.h"

#include "NavigationModel.h"
#include "SidebarModel.h"

MainViewModel::MainViewModel(const SubsonicClient &client, QObject *parent)
    : QObject(parent)
    , m_client(client)
    , m_navigation(new NavigationModel(client.config(), nullptr, this))
    , m_sidebar(new SidebarModel(m_navigation, this))
{
}
