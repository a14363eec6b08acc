#pragma once

#include <QCoroTask>
#include <QObject>
#include <QString>
#include <QUrl>

#include <optional>

#include "Downloads/DownloadStore.h"
#include "Library/LibraryStore.h"
#include "Networking/SubsonicClient.h"

// The sign-in state of the application, one for the whole run: the signed-in
// account's client, if any, and the stores built for it. The server address and user name are kept in the
// settings ("serverURL", "username"), the password in the keychain under the
// account key; nothing else of the sign-in is stored.
class AppState : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool signedIn READ isSignedIn NOTIFY clientChanged)
    // Present exactly when a client is, and built for the current client.
    Q_PROPERTY(LibraryStore *library READ library NOTIFY libraryChanged)
    Q_PROPERTY(DownloadStore *downloads READ downloads NOTIFY downloadsChanged)
    // The keyring's own reason why the password of this sign-in could not be
    // kept (the sign-in holds for this run only); empty when there is none.
    Q_PROPERTY(QString passwordSaveError READ passwordSaveError NOTIFY passwordSaveErrorChanged)

public:
    // Restores the saved session at once, without any request.
    explicit AppState(QObject *parent = nullptr);
    ~AppState() override;

    const std::optional<SubsonicClient> &client() const { return m_client; }
    // Every assignment, also of an equal client, builds fresh stores (with
    // empty caches) after stopping the work of the ones they replace.
    void setClient(std::optional<SubsonicClient> client);
    bool isSignedIn() const { return m_client.has_value(); }
    LibraryStore *library() const { return m_library; }
    DownloadStore *downloads() const { return m_downloads; }

    QString passwordSaveError() const { return m_passwordSaveError; }
    // The interface has told the user; the notice is not shown again.
    Q_INVOKABLE void dismissPasswordSaveError();

    // Signs in: normalises the address, tests it with "ping", and only then
    // stores the address, the user name and the password and sets the client.
    // Throws SubsonicError::invalidResponse() for an address that cannot be a
    // server's, and whatever the ping throws; nothing changes then.
    QCoro::Task<> connect(QString urlString, QString username, QString password);

    // Signs out and forgets the stored sign-in; downloads stay on disk. Every
    // effect has happened when the call returns; the task ends when the
    // keyring has removed the password.
    QCoro::Task<> logout();

    // What the user typed, as the server's base URL, or nothing.
    static std::optional<QUrl> normalizeServerURL(const QString &text);
    // Starts reading the saved account's password from the keychain, so
    // that the session restored when AppState is made waits only for what is
    // left. Called first thing at launch.
    static void prepareRestore();

Q_SIGNALS:
    void clientChanged();
    void libraryChanged();
    void downloadsChanged();
    void passwordSaveErrorChanged();

private:
    void restoreSession();
    void setPasswordSaveError(const QString &text);

    std::optional<SubsonicClient> m_client;
    LibraryStore *m_library = nullptr;
    DownloadStore *m_downloads = nullptr;
    QString m_passwordSaveError;
};
