#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

#include "NavigationDestination.h"
#include "Networking/ServerConfig.h"
#include "SidebarSelection.h"

// The saved navigation place of one account: the sidebar selection and the
// pages pushed above it. One place per machine user ("location.json"); it
// belongs to the account whose key it names.
struct SavedLocation
{
    QString serverKey;
    SidebarSelection selection = SidebarSelection::item(SidebarItem::Home);
    NavigationPath path;

    // The account key: user name, "@" and the server address's text.
    static QString accountKey(const ServerConfig &config);

    // {"serverKey": ..., "selection": ..., "path": [...]}, keys in that order.
    static std::optional<SavedLocation> decode(const QByteArray &data);
    QByteArray encode() const;

    // The place saved for this account, if any (the file of the run).
    static std::optional<SavedLocation> restorable(const ServerConfig &config);
    // Records the current place; with no selection nothing changes.
    static void save(const std::optional<SidebarSelection> &selection, const NavigationPath &path,
        const ServerConfig &config);
    // Forgets the saved place (sign-out).
    static void clear();

    friend bool operator==(const SavedLocation &, const SavedLocation &) = default;
};
