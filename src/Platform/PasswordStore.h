#pragma once

#include <QCoroTask>
#include <QString>

#include <optional>

// Where an account's password is kept: the system keyring in the application,
// an in-memory map in unit tests. One secret per account key; nothing else of
// the sign-in is ever handed to it.
class PasswordStore
{
public:
    virtual ~PasswordStore() = default;

    // The password stored for `account`, or nothing: never saved, deleted,
    // unreadable, not valid UTF-8, or the keyring did not answer in time.
    virtual std::optional<QString> password(const QString &account) = 0;
    // Starts reading the password of `account` ahead of a password() call for
    // it, which then waits only for what is left (at launch the keyring
    // answers while the rest of the program is set up). A store that answers
    // at once does nothing here.
    virtual void prepareRead(const QString &account) { Q_UNUSED(account) }

    // Stores (or replaces) the password of `account`. Resolves to nothing on
    // success, otherwise to the keyring's own description of why it could not
    // keep the password; the old item is gone either way.
    virtual QCoro::Task<std::optional<QString>> save(QString password, QString account) = 0;

    // Removes the item of `account`; resolves once the keyring has answered
    // (or did not in time). A failure is ignored: a later save for the same
    // account replaces the old item anyway.
    virtual QCoro::Task<> deletePassword(QString account) = 0;
};
