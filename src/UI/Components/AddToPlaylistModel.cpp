#include "AddToPlaylistModel.h"

#include "Library/LibraryStore.h"

namespace {

QCoro::Task<> addSongs(QPointer<LibraryStore> library, QList<Song> songs, QString playlistId)
{
    co_await library->addSongs(std::move(songs), std::move(playlistId));
}

QCoro::Task<> addAlbum(QPointer<LibraryStore> library, Album album, QString playlistId)
{
    co_await library->addAlbum(std::move(album), std::move(playlistId));
}

} // namespace

AddToPlaylistModel::AddToPlaylistModel(QObject *parent)
    : QAbstractListModel(parent)
{ }

void AddToPlaylistModel::setLibrary(LibraryStore *library)
{
    if (m_library == library)
        return;
    disconnect(m_connection);
    m_library = library;
    if (library)
        m_connection
            = connect(library, &LibraryStore::playlistsChanged, this, &AddToPlaylistModel::playlistsChanged);
    Q_EMIT libraryChanged();
    playlistsChanged();
}

void AddToPlaylistModel::setSongs(const QList<Song> &songs)
{
    m_songs = songs;
    m_album.reset();
}

void AddToPlaylistModel::setAlbum(const Album &album)
{
    m_album = album;
    m_songs.clear();
}

QString AddToPlaylistModel::playlistIdAt(int row) const
{
    return row >= 0 && row < m_playlists.size() ? m_playlists.at(row).id : QString();
}

void AddToPlaylistModel::add(int row)
{
    const QString id = playlistIdAt(row);
    if (id.isEmpty() || !m_library)
        return;
    if (m_album)
        addAlbum(m_library, *m_album, id);
    else
        addSongs(m_library, m_songs, id);
}

void AddToPlaylistModel::playlistsChanged()
{
    const QList<Playlist> next = m_library ? m_library->playlists() : QList<Playlist>();
    const int before = rowCount();
    // The placeholder row stands alone, so going to or from it swaps every row.
    if (m_playlists.isEmpty() || next.isEmpty()) {
        if (m_playlists.isEmpty() && next.isEmpty())
            return;
        beginResetModel();
        m_playlists = next;
        endResetModel();
    } else {
        int prefix = 0;
        while (prefix < m_playlists.size() && prefix < next.size()
            && m_playlists.at(prefix).id == next.at(prefix).id)
            ++prefix;
        for (int row = 0; row < prefix; ++row) {
            if (!(m_playlists.at(row) == next.at(row))) {
                m_playlists[row] = next.at(row);
                Q_EMIT dataChanged(index(row), index(row));
            }
        }
        if (prefix < m_playlists.size()) {
            beginRemoveRows({}, prefix, int(m_playlists.size()) - 1);
            m_playlists.resize(prefix);
            endRemoveRows();
        }
        if (prefix < next.size()) {
            beginInsertRows({}, prefix, int(next.size()) - 1);
            m_playlists = next;
            endInsertRows();
        }
    }
    if (rowCount() != before)
        Q_EMIT countChanged();
}

int AddToPlaylistModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : qMax(1, int(m_playlists.size()));
}

QVariant AddToPlaylistModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    if (m_playlists.isEmpty()) {
        switch (role) {
        case TitleRole:
            return QStringLiteral("No Playlists");
        case EnabledRole:
            return false;
        case PlaylistIdRole:
            return QString();
        default:
            return {};
        }
    }
    const Playlist &playlist = m_playlists.at(index.row());
    switch (role) {
    case TitleRole:
        return playlist.name;
    case EnabledRole:
        return true;
    case PlaylistIdRole:
        return playlist.id;
    default:
        return {};
    }
}

QHash<int, QByteArray> AddToPlaylistModel::roleNames() const
{
    return {{TitleRole, "title"}, {EnabledRole, "enabled"}, {PlaylistIdRole, "playlistId"}};
}
