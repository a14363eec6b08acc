#include "ArtistListModel.h"

ArtistListModel::ArtistListModel(QObject *parent)
    : RecordListModel({{ArtistIdRole, "artistId"}, {NameRole, "name"}, {CoverArtRole, "coverArt"}}, parent)
{ }

QVariant ArtistListModel::roleData(const Artist &artist, int, int role) const
{
    switch (role) {
    case ArtistIdRole:
        return artist.id;
    case NameRole:
        return artist.name;
    case CoverArtRole:
        return artist.coverArt.value_or(QString());
    default:
        return {};
    }
}
