#include "InMemoryPasswordStore.h"

#include <QCoroTimer>

#include <chrono>

std::optional<QString> InMemoryPasswordStore::password(const QString &account)
{
    calls.append(QStringLiteral("password:") + account);
    const auto it = items.constFind(account);
    if (it == items.constEnd())
        return std::nullopt;
    return *it;
}

QCoro::Task<std::optional<QString>> InMemoryPasswordStore::save(QString password, QString account)
{
    calls.append(QStringLiteral("save:") + account);
    if (onSave)
        onSave(account);
    items.remove(account);
    // A copy: QCoro's co_return moves from an lvalue, which would empty the member.
    if (saveFailure)
        co_return std::optional<QString>(saveFailure);
    items.insert(account, password);
    co_return std::nullopt;
}

QCoro::Task<> InMemoryPasswordStore::deletePassword(QString account)
{
    calls.append(QStringLiteral("delete:") + account);
    if (deleteDelayMs > 0)
        co_await QCoro::sleepFor(std::chrono::milliseconds(deleteDelayMs));
    items.remove(account);
}
