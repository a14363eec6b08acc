#pragma once

#include <QCoroTask>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <optional>

#include "Helpers/Await.h"
#include "Models/Album.h"
#include "Models/Playlist.h"
#include "Networking/ServerConfig.h"
#include "Networking/SubsonicClient.h"
#include "Networking/SubsonicError.h"
#include "Networking/TransportError.h"

// The supysonic server that the ctest fixture started: its address (the
// token shim in front of it) and the two test accounts, read from the file
// named by LIRNA_INTEGRATION_SERVER.
class IntegrationServer
{
public:
    struct Account
    {
        QString username;
        QString password;
    };

    static constexpr auto EnvironmentVariable = "LIRNA_INTEGRATION_SERVER";

    // True when the suite runs under the fixture (the variable is set).
    static bool isConfigured();
    // Reads the server file; an empty result sets `error`.
    static std::optional<IntegrationServer> load(QString *error);

    QUrl url() const { return m_url; }
    QList<Account> accounts() const { return m_accounts; }
    // The folder of the served music files.
    QString libraryPath() const { return m_libraryPath; }
    // The served file of one song of `album`, named as the library generator names it.
    QString libraryFile(const Album &album, const Song &song) const;
    // The client configuration of one account (0: the administrator, 1: the second user).
    ServerConfig config(int account = 0) const;

private:
    QUrl m_url;
    QList<Account> m_accounts;
    QString m_libraryPath;
};

// The nginx the fixture started in front of that server with its default
// limits, read from the file named by LIRNA_INTEGRATION_FRONT, and its log.
class IntegrationFront
{
public:
    static constexpr auto EnvironmentVariable = "LIRNA_INTEGRATION_FRONT";

    // One line of the access log: no query, which carries the signing.
    struct Logged
    {
        QByteArray method;
        QByteArray path;
        int status = 0;
        qint64 length = 0; // the request's bytes, head and body
    };

    static std::optional<IntegrationFront> load(QString *error);

    QUrl url() const { return m_url; }
    // How far the log has grown, and the requests logged since `offset`.
    qint64 logSize() const;
    QList<Logged> loggedSince(qint64 offset) const;

private:
    QUrl m_url;
    QString m_accessLog;
};

// In a suite's initTestCase: skips the suite when it runs outside the
// fixture, else loads the server into `server` (a std::optional) or fails.
#define LIRNA_LOAD_INTEGRATION_SERVER(server)                                                                \
    do {                                                                                                     \
        if (!IntegrationServer::isConfigured())                                                              \
            QSKIP("Needs the supysonic server of the ctest fixture: run it with ctest.");                    \
        QString lirnaError;                                                                                  \
        (server) = IntegrationServer::load(&lirnaError);                                                     \
        QVERIFY2((server), qPrintable(lirnaError));                                                          \
    } while (false)

// The start of a suite that draws pages against the server: the Basic style
// (the suite includes QQuickStyle), test-mode folders, the QML warning guard,
// then the server.
#define LIRNA_START_PAGE_SUITE(server, warnings)                                                             \
    do {                                                                                                     \
        QQuickStyle::setStyle(QStringLiteral("Basic"));                                                      \
        QStandardPaths::setTestModeEnabled(true);                                                            \
        (warnings).install();                                                                                \
        LIRNA_LOAD_INTEGRATION_SERVER(server);                                                               \
    } while (false)

// Every album of the library, with its songs, by name.
QHash<QString, Album> albumsByName(const SubsonicClient &client);

// The server's playlists named exactly `name`.
QList<Playlist> playlistsNamed(const SubsonicClient &client, const QString &name);
// Deletes every playlist named one of `names`: what a suite made, left over
// from an earlier run or test.
void deletePlaylistsNamed(const SubsonicClient &client, const QStringList &names);
// Creates a playlist named `name` and returns its id (empty when the server
// lists none of that name afterwards).
QString createPlaylistNamed(const SubsonicClient &client, const QString &name);

// A playlist made on the server for one test and deleted again when this
// goes out of scope.
class ScratchPlaylist
{
public:
    // Holding `songIds`, in that order, when any are given.
    ScratchPlaylist(const SubsonicClient &client, const QString &name, const QStringList &songIds = {})
        : m_client(client)
        , m_id(createPlaylistNamed(client, name))
    {
        if (!m_id.isEmpty() && !songIds.isEmpty())
            TestAwait::await(m_client.replacePlaylistSongs(m_id, songIds));
    }
    ~ScratchPlaylist()
    {
        if (!m_id.isEmpty())
            TestAwait::await(m_client.deletePlaylist(m_id));
    }
    ScratchPlaylist(const ScratchPlaylist &) = delete;
    ScratchPlaylist &operator=(const ScratchPlaylist &) = delete;

    // Empty when the server did not make it.
    QString id() const { return m_id; }

private:
    SubsonicClient m_client;
    QString m_id;
};

// Runs `task` to its end and returns the SubsonicError it threw, or nothing
// when it succeeded or threw something else (`other` then says what).
template<typename T>
std::optional<SubsonicError> subsonicErrorOf(QCoro::Task<T> task, QString *other = nullptr)
{
    try {
        TestAwait::await(std::move(task));
        if (other)
            *other = QStringLiteral("the call succeeded");
    } catch (const SubsonicError &error) {
        return error;
    } catch (const TransportError &error) {
        if (other)
            *other = QStringLiteral("transport error: ") + error.localizedDescription();
    }
    return std::nullopt;
}
