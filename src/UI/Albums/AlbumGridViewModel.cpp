#include "AlbumGridViewModel.h"

#include "Library/LibraryStore.h"
#include "PageContext.h"

AlbumGridViewModel::AlbumGridViewModel(PageContext *context, AlbumGridDestination destination)
    : AlbumCollectionViewModel(context)
    , m_destination(std::move(destination))
{
    if (LibraryStore *library = context->library()) {
        connect(library, &LibraryStore::albumListsChanged, this, &AlbumGridViewModel::sync);
        connect(library, &LibraryStore::epochChanged, this, &AlbumGridViewModel::epochChanged);
    }
    sync();
}

AlbumGridViewModel::Overlay AlbumGridViewModel::overlay() const
{
    if (albumCount() > 0)
        return Overlay::None;
    if (m_loading)
        return Overlay::Loading;
    if (!m_errorMessage.isNull())
        return Overlay::Failed;
    if (m_reachedEnd)
        return Overlay::Empty;
    return Overlay::None;
}

void AlbumGridViewModel::appear()
{
    LibraryStore *library = context() ? context()->library() : nullptr;
    if (!library)
        return;
    m_shown = true;
    m_epoch = library->epoch();
    library->ensureStarredLoaded();
    if (library->albumList(m_destination.listType).albums.isEmpty())
        library->loadMoreAlbums(m_destination.listType);
}

void AlbumGridViewModel::tileAppeared(int row)
{
    LibraryStore *library = context() ? context()->library() : nullptr;
    const int count = albums()->count();
    if (library && count > 0 && row == count - 1)
        library->loadMoreAlbums(m_destination.listType);
}

void AlbumGridViewModel::epochChanged()
{
    // A refresh cleared every list: a page on screen loads its first page again.
    if (m_shown && context() && context()->library() && context()->library()->epoch() != m_epoch)
        appear();
}

void AlbumGridViewModel::sync()
{
    LibraryStore *library = context() ? context()->library() : nullptr;
    if (!library)
        return;
    AlbumListState state = library->albumList(m_destination.listType);
    // The store only ever adds to the end of a list (or empties it on a
    // refresh), so this is an insertion at the end: tiles on screen stay.
    albums()->setRecords(std::move(state.albums));
    m_loading = state.isLoading;
    m_reachedEnd = state.reachedEnd;
    m_errorMessage = state.errorMessage ? *state.errorMessage : QString();
    Q_EMIT stateChanged();
}
