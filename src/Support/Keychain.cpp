#include "Keychain.h"

#include "Platform/KeyringPasswordStore.h"

namespace {

PasswordStore *s_store = nullptr;

PasswordStore *keyring()
{
    static KeyringPasswordStore store;
    return &store;
}

} // namespace

PasswordStore *Keychain::store()
{
    return s_store ? s_store : keyring();
}

void Keychain::setStore(PasswordStore *store)
{
    s_store = store;
}

std::optional<QString> Keychain::password(const QString &account)
{
    return store()->password(account);
}

void Keychain::prepareRead(const QString &account)
{
    store()->prepareRead(account);
}

QCoro::Task<std::optional<QString>> Keychain::save(QString password, QString account)
{
    return store()->save(std::move(password), std::move(account));
}

QCoro::Task<> Keychain::deletePassword(QString account)
{
    return store()->deletePassword(std::move(account));
}
