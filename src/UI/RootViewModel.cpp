#include "RootViewModel.h"

#include "MainViewModel.h"

RootViewModel::RootViewModel(ConnectViewModel::SignIn signIn, QObject *parent)
    : QObject(parent)
    , m_signIn(std::move(signIn))
    , m_connectView(new ConnectViewModel(m_signIn, this))
{
}

void RootViewModel::setClient(const std::optional<SubsonicClient> &client)
{
    const bool sameServer = client && m_client && m_mainView
        && client->config().baseURL.toString(QUrl::FullyEncoded)
            == m_client->config().baseURL.toString(QUrl::FullyEncoded);
    m_client = client;
    if (sameServer)
        return;

    // The views let go of the old model (the property turns null or new)
    // before it is deleted, after the current event.
    QPointer<ConnectViewModel> oldConnect = m_connectView;
    QPointer<MainViewModel> oldMain = m_mainView;
    if (client) {
        m_connectView = nullptr;
        m_mainView = new MainViewModel(*client, this);
    } else {
        m_mainView = nullptr;
        m_connectView = oldConnect ? oldConnect.data() : new ConnectViewModel(m_signIn, this);
    }
    if (m_connectView != oldConnect) {
        Q_EMIT connectViewChanged();
        if (oldConnect)
            oldConnect->deleteLater();
    }
    if (m_mainView != oldMain) {
        Q_EMIT mainViewChanged();
        if (oldMain)
            oldMain->deleteLater();
    }
}
