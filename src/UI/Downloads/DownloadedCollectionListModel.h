#pragma once

#include <QtQml/qqmlregistration.h>

#include "Components/RecordListModel.h"
#include "DownloadsContent.h"

// One section of the downloads page: a tile per downloaded collection, by key.
class DownloadedCollectionListModel : public RecordListModel<DownloadedCollectionItem>
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Owned by the downloads page's view model.")

public:
    enum Role {
        KeyRole = Qt::UserRole + 1,
        NameRole,
        SubtitleRole,
        HasSubtitleRole,
        // The songs, for the collection's artwork.
        SongsRole,
        // "12 songs · 48 MB"
        DetailRole,
        // Whether the artwork and the name open the album or playlist page.
        OpenableRole,
    };
    Q_ENUM(Role)

    explicit DownloadedCollectionListModel(QObject *parent = nullptr);

    // Null when no row has the key.
    const DownloadedCollectionItem *find(const QString &key) const { return recordAt(rowOf(key)); }

protected:
    QString keyOf(const DownloadedCollectionItem &item) const override { return item.collection.key; }
    QVariant roleData(const DownloadedCollectionItem &item, int row, int role) const override;
};
