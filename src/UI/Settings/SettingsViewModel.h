#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include "DownloadsStorageModel.h"

class AppState;
class PlayerController;
class UpdaterModel;

// The settings window: the signed-in account, the play-report and update
// switches, "Log Out", and the downloads section for the account's store.
// Signed out it offers nothing but its "Not connected." state.
class SettingsViewModel : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Built by the application object.")

    Q_PROPERTY(bool signedIn READ signedIn NOTIFY accountChanged)
    // The address as stored at sign-in (scheme added, no trailing slash).
    Q_PROPERTY(QString server READ server NOTIFY accountChanged)
    Q_PROPERTY(QString user READ user NOTIFY accountChanged)
    Q_PROPERTY(
        bool scrobbleEnabled READ scrobbleEnabled WRITE setScrobbleEnabled NOTIFY scrobbleEnabledChanged)
    Q_PROPERTY(bool automaticallyChecksForUpdates READ automaticallyChecksForUpdates WRITE
            setAutomaticallyChecksForUpdates NOTIFY automaticallyChecksForUpdatesChanged)
    // A build without an update feed never checks: its switch is off and
    // cannot be turned on, and this says why.
    Q_PROPERTY(bool updatesAvailable READ updatesAvailable CONSTANT)
    Q_PROPERTY(QString updatesUnavailableText READ updatesUnavailableText CONSTANT)
    // The signed-in account's downloads; null when there is no download store.
    Q_PROPERTY(DownloadsStorageModel *downloads READ downloads NOTIFY downloadsChanged)

public:
    SettingsViewModel(
        AppState *appState, PlayerController *player, UpdaterModel *updater, QObject *parent = nullptr);

    bool signedIn() const;
    QString server() const;
    QString user() const;
    // On unless a false has been stored; the engine reads the same key before
    // every play report.
    bool scrobbleEnabled() const;
    void setScrobbleEnabled(bool enabled);
    bool automaticallyChecksForUpdates() const;
    void setAutomaticallyChecksForUpdates(bool enabled);
    bool updatesAvailable() const;
    QString updatesUnavailableText() const
    {
        return QStringLiteral("This build has no update feed to check.");
    }
    DownloadsStorageModel *downloads() const { return m_downloads; }

    // Stops playback, forgets the saved playback session and the saved place,
    // then signs out, in that order and at once. Downloads and cached artwork
    // stay on disk for the next sign-in to the same account.
    Q_INVOKABLE void logOut();

Q_SIGNALS:
    void accountChanged();
    void scrobbleEnabledChanged();
    void automaticallyChecksForUpdatesChanged();
    void downloadsChanged();

private:
    void rebuildDownloads();

    QPointer<AppState> m_appState;
    QPointer<PlayerController> m_player;
    QPointer<UpdaterModel> m_updater;
    DownloadsStorageModel *m_downloads = nullptr;
};
