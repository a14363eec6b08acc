#pragma once

#include <QJsonObject>
#include <QMetaType>
#include <QString>

#include <optional>

#include "Models/AlbumListType.h"

// The navigation value that opens the paged album grid of one list type
// under a title.
struct AlbumGridDestination
{
    AlbumListType listType = AlbumListType::Newest;
    QString title;

    // {"listType": "newest", "title": "Recently Added"}; both keys required.
    static std::optional<AlbumGridDestination> fromJson(const QJsonValue &value);
    QJsonObject toJson() const;

    friend bool operator==(const AlbumGridDestination &, const AlbumGridDestination &) = default;
};

size_t qHash(const AlbumGridDestination &destination, size_t seed = 0);

Q_DECLARE_METATYPE(AlbumGridDestination)
