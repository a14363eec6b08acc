#include "LirnaApp.h"

#include "Networking/SubsonicClient.h"
#include "RootViewModel.h"
#include "Updates/UpdaterModel.h"

LirnaApp::LirnaApp(const QUrl &updateFeed, const QString &version, UrlSession *session, QObject *parent)
    : QObject(parent)
    , m_session(session)
    , m_updater(new UpdaterModel(updateFeed, version, session, this))
    , m_root(new RootViewModel(
          [this](const QString &url, const QString &user, const QString &password) {
              return signIn(url, user, password);
          },
          this))
{
}

void LirnaApp::runLaunchTask()
{
    m_updater->checkOnLaunch();
}

QCoro::Task<> LirnaApp::signIn(QString urlString, QString username, QString password)
{
    // Until the session object takes this over: the same address rules and
    // the "ping", but nothing is stored.
    QString text = urlString.trimmed();
    if (!text.contains(QStringLiteral("://")))
        text.prepend(QStringLiteral("https://"));
    while (text.endsWith(u'/'))
        text.chop(1);
    const QUrl url(text);
    if (text.isEmpty() || !url.isValid() || url.host().isEmpty())
        throw SubsonicError::invalidResponse();
    const SubsonicClient client(ServerConfig{url, username, password}, m_session);
    co_await client.ping();
    m_root->setClient(client);
}
