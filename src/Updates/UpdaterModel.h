#pragma once

#include <QObject>
#include <QString>
#include <QUrl>

#include "Platform/Updater.h"

class UrlSession;

// The application's one connection to the updater: it mirrors whether a check
// can start now, runs the launch check once per run, starts the user's checks
// and holds what the small result dialog shows.
class UpdaterModel : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool canCheckForUpdates READ canCheckForUpdates NOTIFY canCheckForUpdatesChanged)
    Q_PROPERTY(bool automaticallyChecksForUpdates READ automaticallyChecksForUpdates WRITE
            setAutomaticallyChecksForUpdates NOTIFY automaticallyChecksForUpdatesChanged)
    Q_PROPERTY(QString resultTitle READ resultTitle NOTIFY resultChanged)
    Q_PROPERTY(QString resultText READ resultText NOTIFY resultChanged)
    Q_PROPERTY(QUrl resultLink READ resultLink NOTIFY resultChanged)

public:
    // An empty feed address makes checks unavailable.
    UpdaterModel(
        const QUrl &feedUrl, const QString &currentVersion, UrlSession *session, QObject *parent = nullptr);

    Updater *controller() const { return m_controller; }
    bool canCheckForUpdates() const { return m_canCheckForUpdates; }
    bool hasFeed() const { return m_controller->hasFeed(); }
    bool hasCheckedOnLaunch() const { return m_hasCheckedOnLaunch; }
    bool automaticallyChecksForUpdates() const { return m_controller->automaticallyChecksForUpdates(); }
    void setAutomaticallyChecksForUpdates(bool enabled)
    {
        m_controller->setAutomaticallyChecksForUpdates(enabled);
    }

    // Once per run: a background check when automatic checks are on.
    Q_INVOKABLE void checkOnLaunch();
    // "Check for Updates…".
    Q_INVOKABLE void checkForUpdates();

    QString resultTitle() const { return m_resultTitle; }
    QString resultText() const { return m_resultText; }
    QUrl resultLink() const { return m_resultLink; }

Q_SIGNALS:
    void canCheckForUpdatesChanged();
    void automaticallyChecksForUpdatesChanged();
    void resultChanged();
    // A result to show: the user's check ended, or a newer version was found.
    void resultReady();

private:
    void showResult(const Updater::Result &result);

    Updater *m_controller;
    QString m_currentVersion;
    bool m_canCheckForUpdates = false;
    bool m_hasCheckedOnLaunch = false;
    QString m_resultTitle;
    QString m_resultText;
    QUrl m_resultLink;
};
