#include "AlbumCarouselRowModel.h"

#include "AlbumGridDestination.h"
#include "CarouselPager.h"
#include "Library/LibraryStore.h"
#include "PageContext.h"

AlbumCarouselRowModel::AlbumCarouselRowModel(PageContext *context, AlbumListType listType, QString title)
    : AlbumCollectionViewModel(context)
    , m_listType(listType)
    , m_title(std::move(title))
{
    if (LibraryStore *library = context->library()) {
        for (auto signal : {&LibraryStore::albumListsChanged, &LibraryStore::homeRandomAlbumsChanged,
                 &LibraryStore::homeRandomErrorChanged, &LibraryStore::homeRandomTaskChanged,
                 &LibraryStore::reachabilityChanged})
            connect(library, signal, this, &AlbumCarouselRowModel::sync);
    }
    sync();
}

QString AlbumCarouselRowModel::listTypeName() const
{
    return AlbumListTypes::rawValue(m_listType);
}

void AlbumCarouselRowModel::sync()
{
    LibraryStore *library = context() ? context()->library() : nullptr;
    if (!library)
        return;
    const AlbumListState state = library->homeRowState(m_listType);
    albums()->setRecords(state.albums.mid(0, MaxCards));
    // Display lists the cases in the pager's order.
    const Display display = Display(CarouselPager::rowCase(!state.albums.isEmpty(),
        library->reachability().isFailing(), state.isLoading, state.errorMessage.has_value()));
    const QString error = state.errorText();
    if (display == m_display && error == m_errorMessage)
        return;
    m_display = display;
    m_errorMessage = error;
    Q_EMIT stateChanged();
}

void AlbumCarouselRowModel::openGrid() const
{
    if (context())
        context()->pushGrid(AlbumGridDestination {m_listType, m_title});
}

void AlbumCarouselRowModel::retry() const
{
    if (context() && context()->library())
        context()->library()->ensureHomeRow(m_listType);
}

bool AlbumCarouselRowModel::canScrollLeft(double offset) const
{
    return CarouselPager::canScrollLeft({offset, 0, 0});
}

bool AlbumCarouselRowModel::canScrollRight(double offset, double contentWidth, double containerWidth) const
{
    return CarouselPager::canScrollRight({offset, contentWidth, containerWidth});
}

double AlbumCarouselRowModel::pageOffset(
    int by, double step, double offset, double contentWidth, double containerWidth) const
{
    const CarouselPager::ScrollMetrics metrics {offset, contentWidth, containerWidth};
    const std::optional<int> target = CarouselPager::scrollTarget(metrics, albumCount(), step, by);
    return target ? CarouselPager::offsetOf(*target, metrics, step) : -1;
}

double AlbumCarouselRowModel::wheelOffset(
    double angleDelta, double pixelDelta, double offset, double contentWidth, double containerWidth) const
{
    return CarouselPager::wheeledOffset({offset, contentWidth, containerWidth}, angleDelta, pixelDelta);
}
