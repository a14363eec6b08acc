#include "SidebarSelection.h"

#include "Models/RecordHash.h"

using namespace Qt::StringLiterals;

SidebarSelection SidebarSelection::item(SidebarItem item)
{
    SidebarSelection s;
    s.m_kind = Kind::Item;
    s.m_item = item;
    return s;
}

SidebarSelection SidebarSelection::playlist(const QString &id)
{
    SidebarSelection s;
    s.m_kind = Kind::Playlist;
    s.m_playlistId = id;
    return s;
}

std::optional<SidebarSelection> SidebarSelection::fromJson(const QJsonValue &value)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject o = value.toObject();
    if (o.size() != 1)
        return std::nullopt;
    const QString key = o.constBegin().key();
    const QJsonValue payload = o.constBegin().value();
    if (!payload.isObject())
        return std::nullopt;
    const QJsonValue text = payload.toObject().value("_0"_L1);
    if (!text.isString())
        return std::nullopt;
    if (key == "item"_L1) {
        const std::optional<SidebarItem> item = SidebarItems::fromRawValue(text.toString());
        if (!item)
            return std::nullopt;
        return SidebarSelection::item(*item);
    }
    if (key == "playlist"_L1)
        return SidebarSelection::playlist(text.toString());
    return std::nullopt;
}

QJsonObject SidebarSelection::toJson() const
{
    if (m_kind == Kind::Item)
        return QJsonObject {{"item"_L1, QJsonObject {{"_0"_L1, SidebarItems::rawValue(m_item)}}}};
    return QJsonObject {{"playlist"_L1, QJsonObject {{"_0"_L1, m_playlistId}}}};
}

size_t qHash(const SidebarSelection &selection, size_t seed)
{
    if (selection.isItem())
        return (RecordHash(seed) << 0 << SidebarItems::rawValue(selection.sidebarItem())).value();
    return (RecordHash(seed) << 1 << selection.playlistId()).value();
}
