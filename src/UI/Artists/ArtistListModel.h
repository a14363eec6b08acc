#pragma once

#include <QtQml/qqmlregistration.h>

#include "Models/Artist.h"
#include "UI/Components/RecordListModel.h"

// The artists of the browser's list, one row each, keyed by artist id.
class ArtistListModel : public RecordListModel<Artist>
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Owned by the artists browser's view model.")

public:
    enum Role {
        ArtistIdRole = Qt::UserRole + 1,
        NameRole,
        CoverArtRole, // empty when the artist has no picture
    };

    explicit ArtistListModel(QObject *parent = nullptr);

protected:
    QString keyOf(const Artist &artist) const override { return artist.id; }
    QVariant roleData(const Artist &artist, int row, int role) const override;
};
