#pragma once

#include <QString>
#include <QUrl>

// The server's root address as the session object normalised it, and the
// account on it. The password stays in memory; it is never sent.
struct ServerConfig
{
    QUrl baseURL;
    QString username;
    QString password;

    friend bool operator==(const ServerConfig &, const ServerConfig &) = default;
};
