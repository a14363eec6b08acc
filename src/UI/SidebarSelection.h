#pragma once

#include <QJsonObject>
#include <QMetaType>
#include <QString>

#include <optional>

#include "SidebarItem.h"

// What the sidebar has selected: one of the fixed entries or a server
// playlist by its id.
class SidebarSelection
{
public:
    enum class Kind { Item, Playlist };

    static SidebarSelection item(SidebarItem item);
    static SidebarSelection playlist(const QString &id);

    Kind kind() const { return m_kind; }
    bool isItem() const { return m_kind == Kind::Item; }
    bool isPlaylist() const { return m_kind == Kind::Playlist; }
    // The entry of an item selection (Home for a playlist).
    SidebarItem sidebarItem() const { return m_item; }
    // The playlist id of a playlist selection (empty for an item).
    QString playlistId() const { return m_playlistId; }

    // {"item":{"_0":"albums"}} or {"playlist":{"_0":"<id>"}}. Reading fails
    // unless the object has exactly one key naming a case, whose value is an
    // object holding the payload text under "_0" (an item text must name a case).
    static std::optional<SidebarSelection> fromJson(const QJsonValue &value);
    QJsonObject toJson() const;

    friend bool operator==(const SidebarSelection &a, const SidebarSelection &b)
    {
        if (a.m_kind != b.m_kind)
            return false;
        return a.m_kind == Kind::Item ? a.m_item == b.m_item : a.m_playlistId == b.m_playlistId;
    }

private:
    SidebarSelection() = default;

    Kind m_kind = Kind::Item;
    SidebarItem m_item = SidebarItem::Home;
    QString m_playlistId;
};

size_t qHash(const SidebarSelection &selection, size_t seed = 0);

Q_DECLARE_METATYPE(SidebarSelection)
