#pragma once

#include <QAbstractListModel>
#include <QPointer>
#include <QtQml/qqmlregistration.h>

#include <optional>

#include "Models/Album.h"
#include "Models/Playlist.h"
#include "Models/Song.h"

#include "Library/LibraryStore.h"

// The items of the "Add to Playlist" submenu: one per playlist of the store,
// in its order, keyed by id (two playlists of one name stay two items), or
// the single disabled item "No Playlists" while the store holds none. It
// never loads the playlists itself. What the menu adds is set in C++ by the
// page's view model: a list of songs or an album. add(row) starts the store's
// operation, which outlives the menu and reports its own failures.
class AddToPlaylistModel : public QAbstractListModel
{
    Q_OBJECT
    QML_ELEMENT

    Q_PROPERTY(LibraryStore *library READ library WRITE setLibrary NOTIFY libraryChanged)
    Q_PROPERTY(int count READ count NOTIFY countChanged)

public:
    enum Role { TitleRole = Qt::UserRole + 1, EnabledRole, PlaylistIdRole };

    explicit AddToPlaylistModel(QObject *parent = nullptr);

    LibraryStore *library() const { return m_library; }
    void setLibrary(LibraryStore *library);

    void setSongs(const QList<Song> &songs);
    void setAlbum(const Album &album);

    int count() const { return rowCount(); }
    // The playlist of a row; empty for "No Playlists".
    Q_INVOKABLE QString playlistIdAt(int row) const;
    // Adds the content to the row's playlist.
    Q_INVOKABLE void add(int row);

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

Q_SIGNALS:
    void libraryChanged();
    void countChanged();

private:
    void playlistsChanged();

    QPointer<LibraryStore> m_library;
    QMetaObject::Connection m_connection;
    QList<Playlist> m_playlists;
    QList<Song> m_songs;
    std::optional<Album> m_album;
};
