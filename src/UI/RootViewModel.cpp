#include "RootViewModel.h"

#include "App/AppState.h"
#include "Playback/PlayerController.h"

RootViewModel::RootViewModel(AppState *appState, PlayerController *player, QObject *parent)
    : QObject(parent)
    , m_appState(appState)
    , m_player(player)
{
    m_signIn = [state = m_appState](const QString &url, const QString &user, const QString &password) {
        if (!state)
            throw SubsonicError::invalidResponse();
        return state->connect(url, user, password);
    };
    connect(appState, &AppState::clientChanged, this, &RootViewModel::sessionChanged);
    connect(appState, &AppState::libraryChanged, this, &RootViewModel::sessionChanged);
    connect(appState, &AppState::downloadsChanged, this, &RootViewModel::sessionChanged);
    sessionChanged();
}

void RootViewModel::sessionChanged()
{
    QPointer<ConnectViewModel> oldConnect = m_connectView;
    QPointer<MainViewModel> oldMain = m_mainView;

    const std::optional<SubsonicClient> client = m_appState ? m_appState->client() : std::nullopt;
    LibraryStore *library = m_appState ? m_appState->library() : nullptr;
    DownloadStore *downloads = m_appState ? m_appState->downloads() : nullptr;
    if (client && library && downloads) {
        const QString identity = client->config().baseURL.toString(QUrl::FullyEncoded);
        if (m_mainView && identity == m_identity) {
            m_mainView->setStores(*client, library, downloads);
        } else {
            m_identity = identity;
            m_mainView = new MainViewModel(*client, library, downloads, m_player, this);
        }
        m_connectView = nullptr;
    } else {
        m_mainView = nullptr;
        if (!m_connectView)
            m_connectView = new ConnectViewModel(m_signIn, this);
    }

    // The views let go of an old model (the property turns null or new)
    // before it is deleted, after the current event.
    if (m_connectView == oldConnect && m_mainView == oldMain)
        return;
    Q_EMIT screenChanged();
    if (oldConnect && oldConnect != m_connectView)
        oldConnect->deleteLater();
    if (oldMain && oldMain != m_mainView)
        oldMain->deleteLater();
}

QObject *RootViewModel::screen() const
{
    if (m_mainView)
        return m_mainView;
    return m_connectView;
}
