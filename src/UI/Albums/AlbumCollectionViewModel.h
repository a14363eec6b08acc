#pragma once

#include <QObject>
#include <QPointer>
#include <QVariantMap>
#include <QtQml/qqmlregistration.h>

#include "AlbumListModel.h"

class PageContext;

// What the album tiles of a grid page ask of their page, by row: the album
// page, the artist page, playback, the like toggle and the drag payload. The
// grid pages derive from it and fill `albums`.
class AlbumCollectionViewModel : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The base of the album grid pages' view models.")

    Q_PROPERTY(AlbumListModel *albums READ albums CONSTANT)
    Q_PROPERTY(QString title READ title CONSTANT)

public:
    // The page's centred notice instead of the grid.
    enum class Overlay { None, Loading, Failed, Empty };
    Q_ENUM(Overlay)

    AlbumListModel *albums() { return &m_albums; }
    int albumCount() const { return m_albums.count(); }
    virtual QString title() const = 0;

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

protected:
    explicit AlbumCollectionViewModel(PageContext *context);

    PageContext *context() const { return m_context; }

private:
    QPointer<PageContext> m_context;
    AlbumListModel m_albums;
};
