#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include "NewPlaylistAction.h"

class AppState;
class PlayerController;
class UpdaterModel;

// The menu bar's commands: titles and enabled states worked out afresh from
// the session, the engine and the updater whenever they change, so a command
// whose target is missing is disabled rather than failing.
class MenuCommands : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Built by the application object.")

    // The action of the active main window, or none (connect screen, another
    // window in front, no window).
    Q_PROPERTY(NewPlaylistAction *newPlaylistAction READ newPlaylistAction WRITE setNewPlaylistAction NOTIFY
            stateChanged)
    Q_PROPERTY(bool newPlaylistEnabled READ newPlaylistEnabled NOTIFY stateChanged)
    Q_PROPERTY(bool checkForUpdatesEnabled READ checkForUpdatesEnabled NOTIFY stateChanged)
    Q_PROPERTY(bool refreshEnabled READ refreshEnabled NOTIFY stateChanged)
    Q_PROPERTY(QString playPauseText READ playPauseText NOTIFY stateChanged)
    Q_PROPERTY(bool playPauseEnabled READ playPauseEnabled NOTIFY stateChanged)
    Q_PROPERTY(bool nextEnabled READ nextEnabled NOTIFY stateChanged)
    Q_PROPERTY(bool previousEnabled READ previousEnabled NOTIFY stateChanged)

public:
    MenuCommands(
        AppState *appState, PlayerController *player, UpdaterModel *updater, QObject *parent = nullptr);

    NewPlaylistAction *newPlaylistAction() const { return m_newPlaylistAction; }
    void setNewPlaylistAction(NewPlaylistAction *action);

    bool newPlaylistEnabled() const { return m_newPlaylistAction; }
    bool checkForUpdatesEnabled() const;
    bool refreshEnabled() const;
    QString playPauseText() const;
    bool playPauseEnabled() const;
    bool nextEnabled() const;
    bool previousEnabled() const;

    // Each does nothing while its command is disabled.
    Q_INVOKABLE void newPlaylist();
    Q_INVOKABLE void checkForUpdates();
    Q_INVOKABLE void refresh();
    Q_INVOKABLE void playPause();
    Q_INVOKABLE void next();
    Q_INVOKABLE void previous();

Q_SIGNALS:
    void stateChanged();

private:
    QPointer<AppState> m_appState;
    QPointer<PlayerController> m_player;
    QPointer<UpdaterModel> m_updater;
    QPointer<NewPlaylistAction> m_newPlaylistAction;
};
