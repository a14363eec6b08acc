#pragma once

#include <QCoroTask>
#include <QList>
#include <QString>
#include <QUrl>

#include <optional>

#include "Helpers/Await.h"
#include "Models/Album.h"
#include "Networking/ServerConfig.h"
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
