#include "AlbumListModel.h"

AlbumListModel::AlbumListModel(QObject *parent)
    : RecordListModel(
        {{AlbumIdRole, "albumId"}, {NameRole, "name"}, {ArtistRole, "artist"},
            {HasArtistLinkRole, "hasArtistLink"}, {CoverArtRole, "coverArt"}, {YearRole, "year"}},
        parent)
{ }

QVariant AlbumListModel::roleData(const Album &album, int, int role) const
{
    switch (role) {
    case AlbumIdRole:
        return album.id;
    case NameRole:
        return album.name;
    case ArtistRole:
        return album.artist.value_or(QString());
    case HasArtistLinkRole:
        return album.artist.has_value() && album.artistId.has_value() && !album.artistId->isEmpty();
    case CoverArtRole:
        return album.coverArt.value_or(QString());
    case YearRole:
        // No grouping separators: 2024, never 2,024.
        return album.year ? QString::number(*album.year) : QString();
    default:
        return {};
    }
}
