#include "WindowSuite.h"

#include <QQuickStyle>
#include <QStandardPaths>

#include "Support/Keychain.h"

bool WindowSuite::startWindowSuite()
{
    m_warnings.install();
    QStandardPaths::setTestModeEnabled(true);
    QQuickStyle::setStyle(QStringLiteral("Basic"));
    if (!m_server.listen())
        return false;
    m_session = std::make_unique<UrlSession>(&m_manager, 5000);
    Keychain::setStore(&m_keychain);
    m_server.setResponse("/rest/getPlaylists", TestHttpServer::ok("\"playlists\":{}"));
    m_server.setResponse("/rest/getStarred2", TestHttpServer::ok("\"starred2\":{}"));
    return true;
}
