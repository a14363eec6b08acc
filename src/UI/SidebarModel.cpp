#include "SidebarModel.h"

#include "NavigationModel.h"

SidebarModel::SidebarModel(NavigationModel *navigation, QObject *parent)
    : QAbstractListModel(parent)
    , m_navigation(navigation)
{
    rebuildFixedRows();
    if (m_navigation)
        connect(m_navigation, &NavigationModel::selectionChanged, this, &SidebarModel::selectionChanged);
}

void SidebarModel::rebuildFixedRows()
{
    for (SidebarItem item : SidebarItems::firstGroup())
        m_fixedRows.append(Row {Row::Kind::Item, item, {}, -1});
    m_fixedRows.append(Row {Row::Kind::Header, SidebarItem::Home, QStringLiteral("Presets"), -1});
    for (SidebarItem item : SidebarItems::presets())
        m_fixedRows.append(Row {Row::Kind::Item, item, {}, -1});
    m_fixedRows.append(Row {Row::Kind::Header, SidebarItem::Home, QStringLiteral("Playlists"), -1});
}

void SidebarModel::setPlaylists(const QList<Playlist> &playlists)
{
    if (playlists == m_playlists)
        return;
    const int first = int(m_fixedRows.size());
    if (!m_playlists.isEmpty()) {
        beginRemoveRows({}, first, first + int(m_playlists.size()) - 1);
        m_playlists.clear();
        endRemoveRows();
    }
    if (!playlists.isEmpty()) {
        beginInsertRows({}, first, first + int(playlists.size()) - 1);
        m_playlists = playlists;
        endInsertRows();
    }
}

SidebarModel::Row SidebarModel::rowAt(int row) const
{
    if (row < m_fixedRows.size())
        return m_fixedRows.at(row);
    return Row {Row::Kind::Playlist, SidebarItem::Home, {}, row - int(m_fixedRows.size())};
}

std::optional<SidebarSelection> SidebarModel::selectionAt(int row) const
{
    if (row < 0 || row >= rowCount())
        return std::nullopt;
    const Row r = rowAt(row);
    switch (r.kind) {
    case Row::Kind::Item:
        return SidebarSelection::item(r.item);
    case Row::Kind::Playlist:
        return SidebarSelection::playlist(m_playlists.at(r.playlist).id);
    case Row::Kind::Header:
        break;
    }
    return std::nullopt;
}

void SidebarModel::activate(int row)
{
    const std::optional<SidebarSelection> selection = selectionAt(row);
    if (selection && m_navigation)
        m_navigation->setSelection(selection);
}

QString SidebarModel::playlistNameAt(int row) const
{
    if (row < m_fixedRows.size() || row >= rowCount())
        return {};
    return m_playlists.at(row - m_fixedRows.size()).name;
}

int SidebarModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid())
        return 0;
    return int(m_fixedRows.size() + m_playlists.size());
}

QVariant SidebarModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const Row r = rowAt(index.row());
    switch (role) {
    case KindRole:
        return r.kind == Row::Kind::Item  ? QStringLiteral("item")
            : r.kind == Row::Kind::Header ? QStringLiteral("header")
                                          : QStringLiteral("playlist");
    case TitleRole:
    case Qt::DisplayRole:
        if (r.kind == Row::Kind::Item)
            return SidebarItems::title(r.item);
        if (r.kind == Row::Kind::Header)
            return r.header;
        return m_playlists.at(r.playlist).name;
    case IconRole:
        if (r.kind == Row::Kind::Item)
            return SidebarItems::icon(r.item);
        if (r.kind == Row::Kind::Playlist)
            return QStringLiteral("music.note.list");
        return QString();
    case SelectedRole: {
        const std::optional<SidebarSelection> selection = selectionAt(index.row());
        return selection && m_navigation && m_navigation->selection() == selection;
    }
    case PlaylistIdRole:
        return r.kind == Row::Kind::Playlist ? m_playlists.at(r.playlist).id : QString();
    }
    return {};
}

QHash<int, QByteArray> SidebarModel::roleNames() const
{
    return {{KindRole, "kind"}, {TitleRole, "title"}, {IconRole, "icon"}, {SelectedRole, "selected"},
        {PlaylistIdRole, "playlistId"}};
}

void SidebarModel::selectionChanged()
{
    if (rowCount() > 0)
        Q_EMIT dataChanged(index(0), index(rowCount() - 1), {SelectedRole});
}
