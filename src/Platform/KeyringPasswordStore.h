#pragma once

#include <memory>

#include "Platform/PasswordStore.h"

// The password store on the desktop's Secret Service (the real Keychain on
// macOS), through QtKeychain: one generic item per account under the
// application's service name. There is no plain-text fallback: when the
// keyring cannot keep a password, saving reports its reason and nothing is
// written anywhere else.
//
// Reads wait for the keyring on the spot, for a bounded time, so the session
// can be restored before the interface loads; saves and deletes are awaited.
class KeyringPasswordStore : public PasswordStore
{
public:
    static constexpr auto Service = "co.quorvane.lirna";
    static constexpr int ReadTimeoutMs = 10'000;
    static constexpr int DeleteTimeoutMs = 5'000;
    static constexpr int SaveTimeoutMs = 30'000;

    KeyringPasswordStore();
    ~KeyringPasswordStore() override;
    Q_DISABLE_COPY_MOVE(KeyringPasswordStore)

    std::optional<QString> password(const QString &account) override;
    void prepareRead(const QString &account) override;
    QCoro::Task<std::optional<QString>> save(QString password, QString account) override;
    QCoro::Task<> deletePassword(QString account) override;

private:
    struct PreparedRead;
    void dropPreparedRead();

    std::unique_ptr<PreparedRead> m_prepared;
};
