#pragma once

#include <QObject>
#include <QPointer>
#include <QVariant>
#include <QtQml/qqmlregistration.h>

#include "Models/Album.h"

#include "Library/LibraryStore.h"

// Albums dropped on a playlist: their songs are added to it, album after
// album in the order of the drop, each fully before the next, to the playlist
// named at the drop. A failed album is recorded by the store and the next one
// goes on. The work outlives the drop target (a row that is rebuilt or gone).
class PlaylistDropHandler : public QObject
{
    Q_OBJECT
    QML_ELEMENT

    Q_PROPERTY(LibraryStore *library READ library WRITE setLibrary NOTIFY libraryChanged)

public:
    explicit PlaylistDropHandler(QObject *parent = nullptr);

    LibraryStore *library() const { return m_library; }
    void setLibrary(LibraryStore *library);

    // `payload` is the album drag's data (text or bytes, as the drop gives
    // it). False, and nothing done, when it carries no albums or no playlist
    // is named; otherwise true at once, with the additions started.
    Q_INVOKABLE bool dropAlbums(const QString &playlistId, const QVariant &payload);
    bool dropAlbums(const QString &playlistId, const QList<Album> &albums);

Q_SIGNALS:
    void libraryChanged();
    // Every album of a drop was handed to the store (for tests and callers
    // that wait).
    void dropHandled(const QString &playlistId);

private:
    QPointer<LibraryStore> m_library;
};
