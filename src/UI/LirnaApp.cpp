#include "LirnaApp.h"

#include "TextFieldAccessible.h"

LirnaApp::LirnaApp(const QUrl &updateFeed, const QString &version, UrlSession *session,
    PlayerController *player, QObject *parent)
    : QObject(parent)
    , m_appState(new AppState(this))
    , m_player(player)
    , m_updater(new UpdaterModel(updateFeed, version, session, this))
    , m_root(new RootViewModel(m_appState, m_player, this))
    , m_artwork(new ArtworkClient(nullptr, this))
    , m_commands(new MenuCommands(m_appState, m_player, m_updater, this))
    , m_settings(new SettingsViewModel(m_appState, m_player, m_updater, this))
    , m_version(version)
{
    // The password field reads as bullets on the accessibility bus.
    TextFieldAccessible::install();
    m_player->setParent(this);
    ArtworkClient::setCurrent(m_artwork);
    m_artwork->setClient(m_appState->client());
    connect(m_appState, &AppState::clientChanged, m_artwork,
        [this] { m_artwork->setClient(m_appState->client()); });
}

void LirnaApp::runLaunchTask()
{
    m_updater->checkOnLaunch();
}

void LirnaApp::logOut()
{
    m_settings->logOut();
}
