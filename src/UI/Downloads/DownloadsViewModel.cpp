#include "DownloadsViewModel.h"

#include "Albums/AlbumGridLayout.h"
#include "Downloads/DownloadStore.h"
#include "PageContext.h"
#include "Playback/PlayerController.h"

DownloadsViewModel::DownloadsViewModel(PageContext *context, QCollator collator)
    : QObject(context)
    , m_context(context)
    , m_collator(std::move(collator))
    , m_albums(this)
    , m_playlists(this)
{
    if (DownloadStore *downloads = context->downloads())
        connect(downloads, &DownloadStore::manifestChanged, this, &DownloadsViewModel::sync);
    sync();
}

QString DownloadsViewModel::summary() const
{
    return DownloadsContent::summaryLine(m_collectionCount, m_totalBytes);
}

int DownloadsViewModel::columnCount(double width) const
{
    return AlbumGridLayout::columns(width);
}

double DownloadsViewModel::tileWidth(double width) const
{
    return AlbumGridLayout::tileWidth(width);
}

void DownloadsViewModel::sync()
{
    DownloadStore *downloads = m_context ? m_context->downloads() : nullptr;
    DownloadsContent::Sections sections = downloads
        ? DownloadsContent::build(downloads->manifest(), m_collator)
        : DownloadsContent::Sections {};
    // A removal is one row removed; a finished download one row inserted.
    m_albums.setRecords(std::move(sections.albums));
    m_playlists.setRecords(std::move(sections.playlists));
    if (sections.collectionCount != m_collectionCount || sections.totalBytes != m_totalBytes) {
        m_collectionCount = sections.collectionCount;
        m_totalBytes = sections.totalBytes;
        Q_EMIT contentChanged();
    }
}

const DownloadedCollectionItem *DownloadsViewModel::find(const QString &key) const
{
    if (const DownloadedCollectionItem *album = m_albums.find(key))
        return album;
    return m_playlists.find(key);
}

void DownloadsViewModel::open(const QString &key) const
{
    if (!m_context || !find(key))
        return;
    const QString id = DownloadsContent::collectionId(key);
    if (key.startsWith(DownloadsContent::PlaylistPrefix)) {
        m_context->openPlaylist(id);
        return;
    }
    DownloadStore *downloads = m_context->downloads();
    if (!downloads || !key.startsWith(DownloadsContent::AlbumPrefix))
        return;
    if (const std::optional<Album> album = downloads->localAlbum(id))
        m_context->openAlbum(*album);
}

void DownloadsViewModel::play(const QString &key) const
{
    const DownloadedCollectionItem *item = find(key);
    if (!item || item->songs.isEmpty() || !m_context || !m_context->player())
        return;
    m_context->player()->play(
        item->songs, m_context->client(), 0, DownloadsContent::source(item->collection));
}

void DownloadsViewModel::shuffle(const QString &key) const
{
    if (const DownloadedCollectionItem *item = find(key); item && m_context && m_context->player())
        m_context->player()->playShuffled(
            item->songs, m_context->client(), DownloadsContent::source(item->collection));
}

void DownloadsViewModel::playNext(const QString &key) const
{
    if (const DownloadedCollectionItem *item = find(key); item && m_context && m_context->player())
        m_context->player()->playNext(item->songs, m_context->client());
}

void DownloadsViewModel::playLast(const QString &key) const
{
    if (const DownloadedCollectionItem *item = find(key); item && m_context && m_context->player())
        m_context->player()->playLast(item->songs, m_context->client());
}

void DownloadsViewModel::removeDownload(const QString &key) const
{
    if (DownloadStore *downloads = m_context ? m_context->downloads() : nullptr)
        downloads->removeDownloadKey(key);
}
