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

    // The text that names the account everywhere: its keychain item, its
    // download folder, the owner of the saved playback session and of the
    // saved window location.
    QString accountKey() const { return accountKey(username, baseURL.toString(QUrl::FullyEncoded)); }
    // The same from the address's stored text: the user name, "@" and the
    // text, joined as they are (no escaping). The session builds it from the
    // one text it stores, never from a re-serialised URL, so that the key is
    // the same at sign-in, at launch and at sign-out.
    static QString accountKey(const QString &username, const QString &serverURLText)
    {
        return username + u'@' + serverURLText;
    }

    friend bool operator==(const ServerConfig &, const ServerConfig &) = default;
};
