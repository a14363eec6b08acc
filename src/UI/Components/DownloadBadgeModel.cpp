#include "DownloadBadgeModel.h"

#include "Downloads/DownloadStore.h"

DownloadBadgeModel::DownloadBadgeModel(QObject *parent)
    : QObject(parent)
{ }

void DownloadBadgeModel::setDownloads(DownloadStore *downloads)
{
    if (m_downloads == downloads)
        return;
    disconnect(m_connection);
    m_downloads = downloads;
    if (downloads)
        m_connection = connect(downloads, &DownloadStore::revisionChanged, this, &DownloadBadgeModel::update);
    Q_EMIT inputsChanged();
    if (downloads)
        update();
    else
        show({});
}

void DownloadBadgeModel::setAlbumId(const QString &id)
{
    if (m_albumId == id)
        return;
    m_albumId = id;
    Q_EMIT inputsChanged();
    update();
}

void DownloadBadgeModel::setPlaylistId(const QString &id)
{
    if (m_playlistId == id)
        return;
    m_playlistId = id;
    Q_EMIT inputsChanged();
    update();
}

void DownloadBadgeModel::setSongIds(const QStringList &ids)
{
    if (m_songIds == ids)
        return;
    m_songIds = ids;
    Q_EMIT inputsChanged();
    update();
}

void DownloadBadgeModel::setState(const DownloadBadgeState &state)
{
    if (!m_downloads)
        show(state);
}

void DownloadBadgeModel::update()
{
    if (!m_downloads)
        return;
    DownloadBadgeState next;
    if (!m_albumId.isEmpty()) {
        next = DownloadBadgeState::decide(
            m_downloads->manifest().isDownloaded(QStringLiteral("album:") + m_albumId),
            m_downloads->progressAlbumId(m_albumId), m_downloads->stateAlbumId(m_albumId, m_songIds));
    } else if (!m_playlistId.isEmpty()) {
        next = DownloadBadgeState::decide(
            m_downloads->manifest().isDownloaded(QStringLiteral("playlist:") + m_playlistId),
            m_downloads->progressPlaylistId(m_playlistId),
            m_downloads->statePlaylistId(m_playlistId, m_songIds));
    }
    show(next);
}

void DownloadBadgeModel::show(const DownloadBadgeState &next)
{
    const bool changed = next.kind != m_state.kind || next.completed != m_state.completed
        || next.total != m_state.total || next.tooltip != m_state.tooltip;
    m_state = next;
    if (changed)
        Q_EMIT stateChanged();
}
