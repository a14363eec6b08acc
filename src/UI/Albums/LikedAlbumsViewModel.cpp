#include "LikedAlbumsViewModel.h"

#include "Library/LibraryStore.h"
#include "PageContext.h"

LikedAlbumsViewModel::LikedAlbumsViewModel(PageContext *context)
    : AlbumCollectionViewModel(context)
{
    if (LibraryStore *library = context->library()) {
        connect(library, &LibraryStore::starredAlbumsChanged, this, &LikedAlbumsViewModel::sync);
        connect(library, &LibraryStore::starredLoadedChanged, this, &LikedAlbumsViewModel::stateChanged);
        connect(library, &LibraryStore::starredErrorChanged, this, &LikedAlbumsViewModel::stateChanged);
        connect(library, &LibraryStore::epochChanged, this, [this] {
            if (m_shown)
                appear();
        });
    }
    sync();
}

QString LikedAlbumsViewModel::title() const
{
    return tr("Liked Albums");
}

AlbumCollectionViewModel::Overlay LikedAlbumsViewModel::overlay() const
{
    LibraryStore *library = context() ? context()->library() : nullptr;
    if (!library || !library->starredAlbums().isEmpty())
        return Overlay::None;
    if (!library->starredLoaded())
        return Overlay::Loading;
    if (library->starredError())
        return Overlay::Failed;
    return Overlay::Empty;
}

QString LikedAlbumsViewModel::errorMessage() const
{
    LibraryStore *library = context() ? context()->library() : nullptr;
    return library ? library->starredError().value_or(QString()) : QString();
}

void LikedAlbumsViewModel::appear()
{
    m_shown = true;
    if (LibraryStore *library = context() ? context()->library() : nullptr)
        library->ensureStarredLoaded();
}

void LikedAlbumsViewModel::sync()
{
    LibraryStore *library = context() ? context()->library() : nullptr;
    if (!library)
        return;
    // A like is one row inserted at the front, an unlike one row removed.
    albums()->setRecords(library->starredAlbums());
    Q_EMIT stateChanged();
}
