#pragma once

#include <QtQml/qqmlregistration.h>

#include "Models/Album.h"
#include "UI/Components/RecordListModel.h"

// The albums of a grid or carousel, one tile or card each, keyed by album id.
class AlbumListModel : public RecordListModel<Album>
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Owned by an album grid's or carousel's view model.")

public:
    enum Role {
        AlbumIdRole = Qt::UserRole + 1,
        NameRole,
        ArtistRole, // empty when the album has none
        HasArtistLinkRole, // the artist is known by id, so it can be opened
        CoverArtRole, // empty when the album has none
        YearRole, // plain digits, empty when the album has none
    };

    explicit AlbumListModel(QObject *parent = nullptr);

protected:
    QString keyOf(const Album &album) const override { return album.id; }
    QVariant roleData(const Album &album, int row, int role) const override;
};
