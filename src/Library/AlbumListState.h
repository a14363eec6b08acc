#pragma once

#include <QList>
#include <QMetaType>
#include <QObject>
#include <QString>

#include <optional>

#include "Models/Album.h"

// The paging state of one album list: what was fetched so far, whether the
// server has more, whether a page is loading, and the last page's error text.
// Deliberately not comparable: every write of a list notifies.
struct AlbumListState
{
    Q_GADGET
    Q_PROPERTY(QList<Album> albums MEMBER albums)
    Q_PROPERTY(bool reachedEnd MEMBER reachedEnd)
    Q_PROPERTY(bool isLoading MEMBER isLoading)
    Q_PROPERTY(QString errorMessage READ errorText)
public:
    QList<Album> albums;
    bool reachedEnd = false;
    bool isLoading = false;
    std::optional<QString> errorMessage;

    QString errorText() const { return errorMessage.value_or(QString()); }

    bool operator==(const AlbumListState &) const = delete;
};

Q_DECLARE_METATYPE(AlbumListState)
