#pragma once

#include <QNetworkAccessManager>
#include <QObject>

#include <memory>

#include "Helpers/InMemoryPasswordStore.h"
#include "Helpers/TestHttpServer.h"
#include "Helpers/UI/QmlWarningGuard.h"
#include "Networking/UrlSession.h"

// What the suites that load the program's whole window share: a loopback
// server with an empty library, a session over it, a keychain in memory and
// the QML warning guard.
class WindowSuite : public QObject
{
protected:
    // Call from initTestCase(): warnings caught, test-mode folders, the Basic
    // style, the server listening with no playlists and no likes.
    bool startWindowSuite();

    TestHttpServer m_server;
    QNetworkAccessManager m_manager;
    std::unique_ptr<UrlSession> m_session;
    InMemoryPasswordStore m_keychain;
    QmlWarningGuard m_warnings;
};
