#pragma once

#include <QCoroTask>
#include <QObject>
#include <QUrl>
#include <QtQml/qqmlregistration.h>

#include "RootViewModel.h"
#include "Updates/UpdaterModel.h"

class UrlSession;

// The application object: the long-lived objects of the run and what the
// window's root view reads of them.
class LirnaApp : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Created by main.")

    Q_PROPERTY(RootViewModel *root READ root CONSTANT)
    Q_PROPERTY(UpdaterModel *updater READ updater CONSTANT)

public:
    // `updateFeed` empty: update checks are unavailable.
    LirnaApp(const QUrl &updateFeed, const QString &version, UrlSession *session, QObject *parent = nullptr);

    RootViewModel *root() const { return m_root; }
    UpdaterModel *updater() const { return m_updater; }

    // The window's launch task: the once-per-run background update check.
    Q_INVOKABLE void runLaunchTask();

private:
    QCoro::Task<> signIn(QString urlString, QString username, QString password);

    UrlSession *m_session;
    UpdaterModel *m_updater;
    RootViewModel *m_root;
};
