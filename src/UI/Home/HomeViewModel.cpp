#include "HomeViewModel.h"

#include "Library/LibraryStore.h"
#include "PageContext.h"

HomeViewModel::HomeViewModel(PageContext *context, int advanceInterval)
    : QObject(context)
    , m_context(context)
    , m_featured(new FeaturedCarouselViewModel(context, advanceInterval, this))
{
    const std::pair<AlbumListType, QString> rows[] = {
        {AlbumListType::Recent, tr("Recently Played")},
        {AlbumListType::Newest, tr("Recently Added")},
        {AlbumListType::Frequent, tr("Most Played")},
        {AlbumListType::Random, tr("Random Albums")},
    };
    for (const auto &[type, title] : rows)
        m_rows.append(new AlbumCarouselRowModel(context, type, title));
    if (LibraryStore *library = context->library())
        connect(library, &LibraryStore::epochChanged, this, &HomeViewModel::epochChanged);
    connect(context, &PageContext::isOnTopChanged, this, [this] {
        if (m_shown && m_context && m_context->isOnTop())
            appear();
    });
}

void HomeViewModel::appear()
{
    LibraryStore *library = m_context ? m_context->library() : nullptr;
    if (!library)
        return;
    m_shown = true;
    // Each call only starts a load in the store when nothing is cached or
    // loading, so the rows load side by side and a cached row not at all.
    library->ensureStarredLoaded();
    for (AlbumCarouselRowModel *row : std::as_const(m_rows))
        library->ensureHomeRow(row->listType());
    m_featured->activate();
}

void HomeViewModel::epochChanged()
{
    // A refresh emptied every list: the page loads again if it was shown.
    if (m_shown)
        appear();
}
