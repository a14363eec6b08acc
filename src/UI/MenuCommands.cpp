#include "MenuCommands.h"

#include "App/AppState.h"
#include "Library/LibraryStore.h"
#include "Playback/PlayerController.h"
#include "Updates/UpdaterModel.h"

MenuCommands::MenuCommands(
    AppState *appState, PlayerController *player, UpdaterModel *updater, QObject *parent)
    : QObject(parent)
    , m_appState(appState)
    , m_player(player)
    , m_updater(updater)
{
    // Every title and enabled state is read from these at the moment the menu
    // asks, so one change signal is enough.
    if (appState)
        connect(appState, &AppState::libraryChanged, this, &MenuCommands::stateChanged);
    if (player) {
        connect(player, &PlayerController::isPlayingChanged, this, &MenuCommands::stateChanged);
        connect(player, &PlayerController::currentIndexChanged, this, &MenuCommands::stateChanged);
        connect(player, &PlayerController::queueChanged, this, &MenuCommands::stateChanged);
    }
    if (updater)
        connect(updater, &UpdaterModel::canCheckForUpdatesChanged, this, &MenuCommands::stateChanged);
}

void MenuCommands::setNewPlaylistAction(NewPlaylistAction *action)
{
    if (action == m_newPlaylistAction)
        return;
    if (m_newPlaylistAction)
        disconnect(m_newPlaylistAction, nullptr, this, nullptr);
    m_newPlaylistAction = action;
    // A window that goes away withdraws its action with it.
    if (action)
        connect(action, &QObject::destroyed, this, &MenuCommands::stateChanged);
    Q_EMIT stateChanged();
}

bool MenuCommands::checkForUpdatesEnabled() const
{
    return m_updater && m_updater->canCheckForUpdates();
}

bool MenuCommands::refreshEnabled() const
{
    return m_appState && m_appState->library();
}

QString MenuCommands::playPauseText() const
{
    return m_player && m_player->isPlaying() ? QStringLiteral("Pause") : QStringLiteral("Play");
}

bool MenuCommands::playPauseEnabled() const
{
    return m_player && m_player->currentSong().has_value();
}

bool MenuCommands::nextEnabled() const
{
    // Not offered on the last song even with repeat all, though the engine
    // would wrap there.
    return m_player && !m_player->upNext().isEmpty();
}

bool MenuCommands::previousEnabled() const
{
    return playPauseEnabled();
}

void MenuCommands::newPlaylist()
{
    if (m_newPlaylistAction)
        m_newPlaylistAction->trigger();
}

void MenuCommands::checkForUpdates()
{
    if (checkForUpdatesEnabled())
        m_updater->checkForUpdates();
}

void MenuCommands::refresh()
{
    if (refreshEnabled())
        m_appState->library()->refresh();
}

void MenuCommands::playPause()
{
    if (playPauseEnabled())
        m_player->togglePlayPause();
}

void MenuCommands::next()
{
    if (nextEnabled())
        m_player->next();
}

void MenuCommands::previous()
{
    if (previousEnabled())
        m_player->previous();
}
