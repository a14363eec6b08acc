#include "SidebarModel.h"

#include "NavigationModel.h"

SidebarModel::SidebarModel(NavigationModel *navigation, QObject *parent)
    : RecordListModelBase(
        {{KindRole, "kind"}, {TitleRole, "title"}, {IconRole, "icon"}, {SelectedRole, "selected"},
            {PlaylistIdRole, "playlistId"}, {HeaderRole, "header"}},
        parent)
    , m_navigation(navigation)
{
    rebuildFixedRows();
    m_shownSelection = m_navigation ? m_navigation->selection() : std::nullopt;
    if (m_navigation)
        connect(m_navigation, &NavigationModel::selectionChanged, this, &SidebarModel::selectionChanged);
}

void SidebarModel::rebuildFixedRows()
{
    for (SidebarItem item : SidebarItems::firstGroup())
        m_fixedRows.append(Row {Row::Kind::Item, item, NoHeader, -1});
    m_fixedRows.append(Row {Row::Kind::Header, SidebarItem::Home, PresetsHeader, -1});
    for (SidebarItem item : SidebarItems::presets())
        m_fixedRows.append(Row {Row::Kind::Item, item, NoHeader, -1});
    m_fixedRows.append(Row {Row::Kind::Header, SidebarItem::Home, PlaylistsHeader, -1});
}

void SidebarModel::setPlaylists(const QList<Playlist> &playlists)
{
    replaceRecords(m_playlists, playlists, int(m_fixedRows.size()), [](const Playlist &p) { return p.id; });
}

SidebarModel::Row SidebarModel::rowAt(int row) const
{
    if (row < m_fixedRows.size())
        return m_fixedRows.at(row);
    return Row {Row::Kind::Playlist, SidebarItem::Home, NoHeader, row - int(m_fixedRows.size())};
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
            return r.header == PresetsHeader ? QStringLiteral("Presets") : QStringLiteral("Playlists");
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
    case HeaderRole:
        return int(r.header);
    }
    return {};
}

int SidebarModel::rowOf(const std::optional<SidebarSelection> &selection) const
{
    if (!selection)
        return -1;
    for (int row = 0; row < rowCount(); ++row) {
        if (selectionAt(row) == selection)
            return row;
    }
    return -1;
}

// Only the rows that were and are selected change.
void SidebarModel::selectionChanged()
{
    const int before = rowOf(m_shownSelection);
    m_shownSelection = m_navigation ? m_navigation->selection() : std::nullopt;
    const int after = rowOf(m_shownSelection);
    if (before >= 0)
        rowChanged(before, {SelectedRole});
    if (after >= 0 && after != before)
        rowChanged(after, {SelectedRole});
}
