#pragma once

#include <QCoroTask>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

#include <optional>

class UrlSession;

// Checks a release feed (an RSS "appcast" whose items carry versioned
// enclosures) for a version newer than the running one. Without a feed
// address checks are unavailable and nothing is ever sent. The automatic-check
// choice is kept in the settings.
class Updater : public QObject
{
    Q_OBJECT

public:
    struct Release
    {
        QString version; // the version compared ("sparkle:version")
        QString displayVersion; // "sparkle:shortVersionString", else the version
        QUrl link; // where the release can be fetched; http(s) only, else empty
    };

    enum class Outcome { UpToDate, UpdateAvailable, Failed };

    struct Result
    {
        Outcome outcome = Outcome::Failed;
        std::optional<Release> release; // the newest release offered by the feed
    };

    Updater(QUrl feedUrl, QString currentVersion, UrlSession *session, QObject *parent = nullptr);

    // A feed is configured and no check runs.
    bool canCheckForUpdates() const;
    // This build names a feed to check at all.
    bool hasFeed() const { return !m_feedUrl.isEmpty(); }
    bool automaticallyChecksForUpdates() const;
    void setAutomaticallyChecksForUpdates(bool enabled);

    // A silent check: reports only when a newer version exists.
    void checkForUpdatesInBackground();
    // A check the user asked for: always reports its result.
    void checkForUpdates();

    // The newest release of an appcast, or none when it offers no readable one.
    static std::optional<Release> newestRelease(const QByteArray &feed);
    // Whether `candidate` is a later version than `current` (numeric parts).
    static bool isNewer(const QString &candidate, const QString &current);

Q_SIGNALS:
    void canCheckForUpdatesChanged();
    void automaticallyChecksForUpdatesChanged();
    void checkFinished(bool userInitiated, const Updater::Result &result);

private:
    static QCoro::Task<> runCheck(
        QPointer<Updater> self, QUrl feedUrl, UrlSession *session, bool userInitiated);
    void setChecking(bool checking);

    QUrl m_feedUrl;
    QString m_currentVersion;
    UrlSession *m_session;
    bool m_checking = false;
};
