#pragma once

#include <QObject>
#include <QUrl>
#include <QtQml/qqmlregistration.h>

#include "App/AppState.h"
#include "RootViewModel.h"
#include "Updates/UpdaterModel.h"

class UrlSession;

// The application object: the objects that live for the whole run (the
// session, the update model) and what the window's root view reads of them.
class LirnaApp : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Created by main.")

    Q_PROPERTY(AppState *appState READ appState CONSTANT)
    Q_PROPERTY(RootViewModel *root READ root CONSTANT)
    Q_PROPERTY(UpdaterModel *updater READ updater CONSTANT)

public:
    // The session is restored at once, before anything reads it.
    // `updateFeed` empty: update checks are unavailable.
    LirnaApp(const QUrl &updateFeed, const QString &version, UrlSession *session, QObject *parent = nullptr);

    AppState *appState() const { return m_appState; }
    RootViewModel *root() const { return m_root; }
    UpdaterModel *updater() const { return m_updater; }

    // The window's launch task: the once-per-run background update check.
    Q_INVOKABLE void runLaunchTask();

private:
    AppState *m_appState;
    UpdaterModel *m_updater;
    RootViewModel *m_root;
};
