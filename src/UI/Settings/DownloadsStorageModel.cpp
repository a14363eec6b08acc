#include "DownloadsStorageModel.h"

#include "Downloads/DownloadStore.h"
#include "Support/ByteCountText.h"

DownloadsStorageModel::DownloadsStorageModel(DownloadStore *downloads, QObject *parent)
    : RecordListModel({{KeyRole, "key"}, {NameRole, "name"}, {SubtitleRole, "subtitle"},
                          {HasSubtitleRole, "hasSubtitle"}, {SizeRole, "size"}},
        parent)
    , m_downloads(downloads)
{
    if (downloads)
        connect(downloads, &DownloadStore::manifestChanged, this, &DownloadsStorageModel::reload);
    reload();
}

void DownloadsStorageModel::reload()
{
    QList<StoredCollection> rows;
    qint64 total = 0;
    if (m_downloads) {
        for (const DownloadCollection &collection : m_downloads->downloadedCollections())
            rows.append({collection, m_downloads->manifest().bytes(collection.key)});
        total = m_downloads->totalBytes();
    }
    setRecords(rows);
    // "None" follows the rows, not the bytes: a first collection of 0 bytes
    // (an empty playlist) changes the text while the total stays the same.
    m_totalBytes = total;
    Q_EMIT totalChanged();
}

QString DownloadsStorageModel::storageUsed() const
{
    return count() == 0 ? QStringLiteral("None") : ByteCountText::file(m_totalBytes);
}

QString DownloadsStorageModel::removeAllMessage() const
{
    return QStringLiteral("Frees %1. Your music stays on the server.").arg(ByteCountText::file(m_totalBytes));
}

QVariant DownloadsStorageModel::roleData(const StoredCollection &record, int, int role) const
{
    switch (role) {
    case KeyRole:
        return record.collection.key;
    case NameRole:
        return record.collection.name;
    case SubtitleRole:
        return record.collection.subtitleText();
    case HasSubtitleRole:
        return record.collection.hasSubtitle();
    case SizeRole:
        return ByteCountText::file(record.bytes);
    }
    return {};
}

void DownloadsStorageModel::remove(int row)
{
    if (const StoredCollection *record = recordAt(row); record && m_downloads)
        m_downloads->removeDownloadKey(record->collection.key);
}

void DownloadsStorageModel::requestRemoveAll()
{
    setShowRemoveAll(true);
}

void DownloadsStorageModel::confirmRemoveAll()
{
    setShowRemoveAll(false);
    if (m_downloads)
        m_downloads->removeAll();
}

void DownloadsStorageModel::cancelRemoveAll()
{
    setShowRemoveAll(false);
}

void DownloadsStorageModel::setShowRemoveAll(bool shown)
{
    if (shown == m_showRemoveAll)
        return;
    m_showRemoveAll = shown;
    Q_EMIT showRemoveAllChanged();
}
