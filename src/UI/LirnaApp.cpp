#include "LirnaApp.h"

LirnaApp::LirnaApp(const QUrl &updateFeed, const QString &version, UrlSession *session, QObject *parent)
    : QObject(parent)
    , m_appState(new AppState(this))
    , m_updater(new UpdaterModel(updateFeed, version, session, this))
    , m_root(new RootViewModel(m_appState, this))
{
}

void LirnaApp::runLaunchTask()
{
    m_updater->checkOnLaunch();
}
