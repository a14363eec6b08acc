#include "SettingsViewModel.h"

#include <QSettings>

#include "App/AppState.h"
#include "Playback/PlayReporter.h"
#include "Playback/PlayerController.h"
#include "SavedLocation.h"
#include "Updates/UpdaterModel.h"

SettingsViewModel::SettingsViewModel(
    AppState *appState, PlayerController *player, UpdaterModel *updater, QObject *parent)
    : QObject(parent)
    , m_appState(appState)
    , m_player(player)
    , m_updater(updater)
{
    if (appState) {
        connect(appState, &AppState::clientChanged, this, &SettingsViewModel::accountChanged);
        connect(appState, &AppState::downloadsChanged, this, &SettingsViewModel::rebuildDownloads);
    }
    if (updater)
        connect(updater, &UpdaterModel::automaticallyChecksForUpdatesChanged, this,
            &SettingsViewModel::automaticallyChecksForUpdatesChanged);
    rebuildDownloads();
}

bool SettingsViewModel::signedIn() const
{
    return m_appState && m_appState->client();
}

QString SettingsViewModel::server() const
{
    return signedIn() ? m_appState->client()->config().baseURL.toString() : QString();
}

QString SettingsViewModel::user() const
{
    return signedIn() ? m_appState->client()->config().username : QString();
}

bool SettingsViewModel::scrobbleEnabled() const
{
    return PlayReporter::scrobbleEnabled();
}

void SettingsViewModel::setScrobbleEnabled(bool enabled)
{
    if (enabled == scrobbleEnabled())
        return;
    QSettings().setValue(QLatin1StringView(PlayReporter::EnabledKey), enabled);
    Q_EMIT scrobbleEnabledChanged();
}

bool SettingsViewModel::automaticallyChecksForUpdates() const
{
    return updatesAvailable() && m_updater->automaticallyChecksForUpdates();
}

void SettingsViewModel::setAutomaticallyChecksForUpdates(bool enabled)
{
    if (updatesAvailable())
        m_updater->setAutomaticallyChecksForUpdates(enabled);
}

bool SettingsViewModel::updatesAvailable() const
{
    return m_updater && m_updater->hasFeed();
}

void SettingsViewModel::logOut()
{
    // A load the account started (Play on an album or an artist) would
    // start its songs after the sign-out, on the connect screen or in the
    // next account's window.
    if (m_player) {
        m_player->cancelLoads();
        m_player->stop();
    }
    PlayerController::clearSavedSession();
    SavedLocation::clear();
    // Every effect has happened when the call returns; the task only goes on
    // to wait for the keyring.
    if (m_appState)
        m_appState->logout();
}

void SettingsViewModel::rebuildDownloads()
{
    // A new store (another sign-in) gets a new section, with its
    // confirmation closed.
    DownloadStore *store = m_appState ? m_appState->downloads() : nullptr;
    DownloadsStorageModel *old = m_downloads;
    m_downloads = store ? new DownloadsStorageModel(store, this) : nullptr;
    Q_EMIT downloadsChanged();
    if (old)
        old->deleteLater();
}
