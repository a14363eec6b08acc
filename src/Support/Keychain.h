#pragma once

#include <QCoroTask>
#include <QString>

#include <optional>

class PasswordStore;

// The account's password lives only in the keychain, one item per account key,
// never in the settings or any file. These calls go to the process's password
// store: the system keyring, unless a test has put another in its place.
class Keychain
{
public:
    Keychain() = delete;

    static std::optional<QString> password(const QString &account);
    // Starts reading the password of `account` ahead of password().
    static void prepareRead(const QString &account);
    // Resolves to the keyring's reason when it could not keep the password.
    static QCoro::Task<std::optional<QString>> save(QString password, QString account);
    // Resolves once the keyring has answered; nothing else waits meanwhile.
    static QCoro::Task<> deletePassword(QString account);

    static PasswordStore *store();
    // Replaces the store (not owned); nullptr goes back to the system keyring.
    static void setStore(PasswordStore *store);
};
