#include "DownloadMenuModel.h"

#include "Downloads/DownloadStore.h"

DownloadMenuModel::DownloadMenuModel(QObject *parent)
    : QAbstractListModel(parent)
{ }

void DownloadMenuModel::setDownloads(DownloadStore *downloads)
{
    if (m_downloads == downloads)
        return;
    disconnect(m_connection);
    m_downloads = downloads;
    if (downloads)
        m_connection = connect(downloads, &DownloadStore::revisionChanged, this, &DownloadMenuModel::update);
    Q_EMIT inputsChanged();
    update();
}

void DownloadMenuModel::setPlaylistId(const QString &id)
{
    if (m_playlistId == id)
        return;
    m_playlistId = id;
    Q_EMIT inputsChanged();
    update();
}

void DownloadMenuModel::setPlaylistName(const QString &name)
{
    if (m_playlistName == name)
        return;
    m_playlistName = name;
    Q_EMIT inputsChanged();
}

void DownloadMenuModel::setSongIds(const QStringList &ids)
{
    if (m_songIds == ids)
        return;
    m_songIds = ids;
    Q_EMIT inputsChanged();
    update();
}

void DownloadMenuModel::setAlbum(const std::optional<Album> &album)
{
    m_album = album;
    Q_EMIT inputsChanged();
    update();
}

void DownloadMenuModel::trigger(int row)
{
    if (!m_downloads || row < 0 || row >= m_items.size())
        return;
    const DownloadMenuItem::Action action = m_items.at(row).action;
    if (action == DownloadMenuItem::Action::None)
        return;
    if (m_album) {
        if (action == DownloadMenuItem::Action::Download)
            m_downloads->downloadAlbum(*m_album);
        else
            m_downloads->removeDownloadAlbumId(m_album->id);
    } else if (!m_playlistId.isEmpty()) {
        if (action == DownloadMenuItem::Action::Download)
            m_downloads->downloadPlaylist(m_playlistId, m_playlistName);
        else
            m_downloads->removeDownloadPlaylistId(m_playlistId);
    }
}

void DownloadMenuModel::update()
{
    QList<DownloadMenuItem> next;
    if (m_downloads && m_album) {
        next = DownloadMenuItems::album(m_downloads->progressAlbumId(m_album->id),
            m_downloads->manifest().isDownloaded(QStringLiteral("album:") + m_album->id));
    } else if (m_downloads && !m_playlistId.isEmpty()) {
        next = DownloadMenuItems::playlist(m_downloads->progressPlaylistId(m_playlistId),
            m_downloads->statePlaylistId(m_playlistId, m_songIds),
            m_downloads->manifest().isDownloaded(QStringLiteral("playlist:") + m_playlistId));
    }
    // Rows change in place where both lists have one; the rest come or go.
    const qsizetype before = m_items.size();
    const int common = int(qMin(m_items.size(), next.size()));
    if (next.size() < m_items.size()) {
        beginRemoveRows({}, common, int(m_items.size()) - 1);
        m_items.resize(common);
        endRemoveRows();
    }
    for (int row = 0; row < common; ++row) {
        if (m_items.at(row) != next.at(row)) {
            m_items[row] = next.at(row);
            Q_EMIT dataChanged(index(row), index(row));
        }
    }
    if (next.size() > m_items.size()) {
        beginInsertRows({}, common, int(next.size()) - 1);
        m_items = next;
        endInsertRows();
    }
    if (before != next.size())
        Q_EMIT countChanged();
}

int DownloadMenuModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_items.size());
}

QVariant DownloadMenuModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const DownloadMenuItem &item = m_items.at(index.row());
    switch (role) {
    case TextRole:
        return item.text;
    case EnabledRole:
        return item.enabled;
    case DestructiveRole:
        return item.destructive;
    default:
        return {};
    }
}

QHash<int, QByteArray> DownloadMenuModel::roleNames() const
{
    return {{TextRole, "text"}, {EnabledRole, "enabled"}, {DestructiveRole, "destructive"}};
}
