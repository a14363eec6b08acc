#pragma once

#include <QHash>
#include <QStringList>

#include <functional>

#include "Platform/PasswordStore.h"

// A password store in memory for unit tests: the items, a failure to answer
// saves with, and a log of every call ("password:<account>", "save:<account>",
// "delete:<account>") so tests can check what was asked and in which order.
// Install it with Keychain::setStore().
class InMemoryPasswordStore : public PasswordStore
{
public:
    QHash<QString, QString> items;
    std::optional<QString> saveFailure; // saves fail with this text, leaving no item
    std::function<void(const QString &account)> onSave; // runs as a save starts
    int deleteDelayMs = 0; // a delete removes the item this much later
    QStringList calls;

    std::optional<QString> password(const QString &account) override;
    QCoro::Task<std::optional<QString>> save(QString password, QString account) override;
    QCoro::Task<> deletePassword(QString account) override;
};
