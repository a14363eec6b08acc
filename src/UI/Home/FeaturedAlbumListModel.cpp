#include "FeaturedAlbumListModel.h"

FeaturedAlbumListModel::FeaturedAlbumListModel(QObject *parent)
    : RecordListModel(
        {{AlbumIdRole, "albumId"}, {NameRole, "name"}, {ArtistRole, "artist"},
            {HasArtistLinkRole, "hasArtistLink"}, {YearRole, "year"}, {CoverArtRole, "coverArt"}},
        parent)
{ }

QVariant FeaturedAlbumListModel::roleData(const Album &album, int, int role) const
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
    case YearRole:
        // No grouping separators: 2024, never 2,024.
        return album.year ? QString::number(*album.year) : QString();
    case CoverArtRole:
        return album.coverArt.value_or(QString());
    default:
        return {};
    }
}
