#pragma once

#include <QNetworkAccessManager>
#include <QObject>

#include "Helpers/TestHttpServer.h"
#include "Networking/UrlSession.h"

// The loopback server and the session a networking suite talks through: one
// of each for the whole suite, the server emptied before every test. A suite
// derives from it beside QObject and calls these from initTestCase and init.
class NetworkingFixture
{
protected:
    // False when the server cannot listen.
    bool startServer(QObject *owner)
    {
        m_server = new TestHttpServer(owner);
        if (!m_server->listen())
            return false;
        m_session = new UrlSession(new QNetworkAccessManager(owner));
        return true;
    }

    // Forgets the last test's requests, handler and canned answers.
    void resetServer()
    {
        m_server->clearRequests();
        m_server->setHandler({});
        m_server->clearResponses();
    }

    TestHttpServer *m_server = nullptr;
    UrlSession *m_session = nullptr;
};
