#pragma once

#include <QObject>
#include <QUrl>
#include <QtQml/qqmlregistration.h>

#include "App/AppState.h"
#include "Components/ArtworkClient.h"
#include "MenuCommands.h"
#include "Playback/PlayerController.h"
#include "RootViewModel.h"
#include "Settings/SettingsViewModel.h"
#include "Updates/UpdaterModel.h"

class UrlSession;

// The application object: the objects that live for the whole run (the
// session, the playback engine, the update model) and what the window's root
// view reads of them.
class LirnaApp : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Created by main.")

    Q_PROPERTY(AppState *appState READ appState CONSTANT)
    Q_PROPERTY(PlayerController *player READ player CONSTANT)
    Q_PROPERTY(RootViewModel *root READ root CONSTANT)
    Q_PROPERTY(UpdaterModel *updater READ updater CONSTANT)
    Q_PROPERTY(ArtworkClient *artwork READ artwork CONSTANT)
    Q_PROPERTY(MenuCommands *commands READ commands CONSTANT)
    Q_PROPERTY(SettingsViewModel *settings READ settings CONSTANT)
    Q_PROPERTY(QString version READ version CONSTANT)

public:
    // Created in this order: the session (restored at once, before anything
    // reads it), then the update model; the playback engine `player` is built
    // by the caller with its platform player and taken over. `updateFeed`
    // empty: update checks are unavailable.
    LirnaApp(const QUrl &updateFeed, const QString &version, UrlSession *session, PlayerController *player,
        QObject *parent = nullptr);

    AppState *appState() const { return m_appState; }
    PlayerController *player() const { return m_player; }
    RootViewModel *root() const { return m_root; }
    UpdaterModel *updater() const { return m_updater; }
    // The cover images' client, kept on the signed-in account; it is also
    // ArtworkClient::current(), which cover images use when given none.
    ArtworkClient *artwork() const { return m_artwork; }
    // The menu bar's commands over the session, the engine and the updater.
    MenuCommands *commands() const { return m_commands; }
    // The settings window's model.
    SettingsViewModel *settings() const { return m_settings; }
    // The program's version, as "About Lirna" shows it.
    QString version() const { return m_version; }

    // The window's launch task: the once-per-run background update check.
    Q_INVOKABLE void runLaunchTask();
    // "Log Out": stops playback, forgets the saved playback session and the
    // saved place, then signs out. Downloads and cached artwork stay.
    Q_INVOKABLE void logOut();

private:
    AppState *m_appState;
    PlayerController *m_player;
    UpdaterModel *m_updater;
    RootViewModel *m_root;
    ArtworkClient *m_artwork;
    MenuCommands *m_commands;
    SettingsViewModel *m_settings;
    QString m_version;
};
