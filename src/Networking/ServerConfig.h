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
    // The address text the account's files still go by when it is not
    // baseURL's: an address an older run stored with user info, whose files
    // could not yet follow the clean one. Empty otherwise. Never sent.
    QString filesURLText {};

    // The text that names the account everywhere: its keychain item, its
    // download folder, the owner of the saved playback session and of the
    // saved window location.
    QString accountKey() const
    {
        return accountKey(
            username, filesURLText.isEmpty() ? baseURL.toString(QUrl::FullyEncoded) : filesURLText);
    }
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
