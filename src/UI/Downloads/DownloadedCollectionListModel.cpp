#include "DownloadedCollectionListModel.h"

DownloadedCollectionListModel::DownloadedCollectionListModel(QObject *parent)
    : RecordListModel(
        {{KeyRole, "key"}, {NameRole, "name"}, {SubtitleRole, "subtitle"}, {HasSubtitleRole, "hasSubtitle"},
            {SongsRole, "songs"}, {DetailRole, "detail"}, {OpenableRole, "openable"}},
        parent)
{ }

QVariant DownloadedCollectionListModel::roleData(const DownloadedCollectionItem &item, int, int role) const
{
    switch (role) {
    case KeyRole:
        return item.collection.key;
    case NameRole:
        return item.collection.name;
    case SubtitleRole:
        return item.collection.subtitleText();
    case HasSubtitleRole:
        return item.collection.hasSubtitle();
    case SongsRole:
        return QVariant::fromValue(item.songs);
    case DetailRole:
        return DownloadsContent::songsLine(item.songs.size(), item.bytes);
    case OpenableRole:
        // A playlist page loads from the server or falls back on its copy; an
        // album page opens on the album rebuilt from its downloaded songs.
        return item.collection.key.startsWith(DownloadsContent::PlaylistPrefix)
            || (item.collection.key.startsWith(DownloadsContent::AlbumPrefix) && !item.songs.isEmpty());
    default:
        return {};
    }
}
