#include "UpdaterModel.h"

UpdaterModel::UpdaterModel(
    const QUrl &feedUrl, const QString &currentVersion, UrlSession *session, QObject *parent)
    : QObject(parent)
    , m_controller(new Updater(feedUrl, currentVersion, session, this))
    , m_currentVersion(currentVersion)
{
    m_canCheckForUpdates = m_controller->canCheckForUpdates();
    connect(m_controller, &Updater::canCheckForUpdatesChanged, this, [this] {
        const bool can = m_controller->canCheckForUpdates();
        if (can == m_canCheckForUpdates)
            return;
        m_canCheckForUpdates = can;
        Q_EMIT canCheckForUpdatesChanged();
    });
    connect(m_controller, &Updater::automaticallyChecksForUpdatesChanged, this,
        &UpdaterModel::automaticallyChecksForUpdatesChanged);
    connect(m_controller, &Updater::checkFinished, this,
        [this](bool, const Updater::Result &result) { showResult(result); });
}

void UpdaterModel::checkOnLaunch()
{
    if (m_hasCheckedOnLaunch)
        return;
    m_hasCheckedOnLaunch = true;
    if (m_controller->automaticallyChecksForUpdates())
        m_controller->checkForUpdatesInBackground();
}

void UpdaterModel::checkForUpdates()
{
    m_controller->checkForUpdates();
}

void UpdaterModel::showResult(const Updater::Result &result)
{
    switch (result.outcome) {
    case Updater::Outcome::UpToDate:
        m_resultTitle = QStringLiteral("You’re up to date!");
        m_resultText
            = QStringLiteral("Lirna %1 is currently the newest version available.").arg(m_currentVersion);
        m_resultLink = QUrl();
        break;
    case Updater::Outcome::UpdateAvailable:
        m_resultTitle = QStringLiteral("A new version of Lirna is available!");
        m_resultText = QStringLiteral("Lirna %1 is now available — you have %2.")
                           .arg(result.release->displayVersion, m_currentVersion);
        m_resultLink = result.release->link;
        break;
    case Updater::Outcome::Failed:
        m_resultTitle = QStringLiteral("Update Error!");
        m_resultText
            = QStringLiteral("An error occurred in retrieving update information. Please try again later.");
        m_resultLink = QUrl();
        break;
    }
    Q_EMIT resultChanged();
    Q_EMIT resultReady();
}
