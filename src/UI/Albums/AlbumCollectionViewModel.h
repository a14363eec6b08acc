#pragma once

#include <QObject>
#include <QPointer>
#include <QVariantMap>
#include <QtQml/qqmlregistration.h>

#include "AlbumListModel.h"
#include "Components/AddToPlaylistModel.h"
#include "Components/DownloadMenuModel.h"

class PageContext;

// What the album tiles of a grid page ask of their page, by row: the album
// page, the artist page, playback, the like toggle, the drag payload and the
// album's "Add to Playlist" and download menu items. The grid pages derive
// from it and fill `albums`.
class AlbumCollectionViewModel : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The base of the album grid pages' view models.")

    Q_PROPERTY(AlbumListModel *albums READ albums CONSTANT)
    Q_PROPERTY(QString title READ title CONSTANT)
    // For the tiles' download badges.
    Q_PROPERTY(DownloadStore *downloads READ downloads NOTIFY storesChanged)
    // The context menu's "Add to Playlist" and download items, for the
    // album whose menu opened last (prepareMenu).
    Q_PROPERTY(AddToPlaylistModel *menuPlaylists READ menuPlaylists CONSTANT)
    Q_PROPERTY(DownloadMenuModel *menuDownloads READ menuDownloads CONSTANT)

public:
    // The page's centred notice instead of the grid.
    enum class Overlay { None, Loading, Failed, Empty };
    Q_ENUM(Overlay)

    AlbumListModel *albums() { return &m_albums; }
    int albumCount() const { return m_albums.count(); }
    virtual QString title() const = 0;
    DownloadStore *downloads() const;
    AddToPlaylistModel *menuPlaylists() const { return m_menuPlaylists; }
    DownloadMenuModel *menuDownloads() const { return m_menuDownloads; }

    // The column helper, for the grid's cell size.
    Q_INVOKABLE int columnCount(double width) const;
    Q_INVOKABLE double tileWidth(double width) const;
    // The tile of `row` came into view (a paged grid asks for more at its end).
    Q_INVOKABLE virtual void tileAppeared(int row) { Q_UNUSED(row) }

    Q_INVOKABLE void openAlbum(int row) const;
    Q_INVOKABLE void openArtist(int row) const;
    Q_INVOKABLE void play(int row, bool shuffled = false) const;
    Q_INVOKABLE void playNext(int row, bool atEnd) const;
    Q_INVOKABLE bool isLiked(int row) const;
    Q_INVOKABLE void toggleLike(int row) const;
    // The drag data of the album at `row` (Drag.mimeData); empty for no row.
    Q_INVOKABLE QVariantMap dragData(int row) const;
    // Points the menu's playlist and download items at the album of `row`.
    Q_INVOKABLE void prepareMenu(int row);

Q_SIGNALS:
    void storesChanged();

protected:
    explicit AlbumCollectionViewModel(PageContext *context);

    PageContext *context() const { return m_context; }

private:
    void useStores();

    QPointer<PageContext> m_context;
    AlbumListModel m_albums;
    AddToPlaylistModel *m_menuPlaylists;
    DownloadMenuModel *m_menuDownloads;
};
