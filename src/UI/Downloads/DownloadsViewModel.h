#pragma once

#include <QCollator>
#include <QObject>
#include <QPointer>
#include <QtQml/qqmlregistration.h>

#include "DownloadedCollectionListModel.h"

class PageContext;

// The downloads page: every downloaded album and playlist in two sections,
// redrawn from the download manifest whenever it changes, and what a tile
// does with its collection (by key): open, play, shuffle, queue, remove.
class DownloadsViewModel : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Built by the page table.")

    Q_PROPERTY(DownloadedCollectionListModel *albums READ albums CONSTANT)
    Q_PROPERTY(DownloadedCollectionListModel *playlists READ playlists CONSTANT)
    // No collection record: the page's empty state, whatever lies on disk.
    Q_PROPERTY(bool isEmpty READ isEmpty NOTIFY contentChanged)
    // "2 collections · 96 MB"
    Q_PROPERTY(QString summary READ summary NOTIFY contentChanged)

public:
    // `collator` orders the collections' names.
    explicit DownloadsViewModel(PageContext *context, QCollator collator);

    DownloadedCollectionListModel *albums() { return &m_albums; }
    DownloadedCollectionListModel *playlists() { return &m_playlists; }
    bool isEmpty() const { return m_collectionCount == 0; }
    QString summary() const;

    // The album grid's column set, for the tiles' size.
    Q_INVOKABLE int columnCount(double width) const;
    Q_INVOKABLE double tileWidth(double width) const;

    // A playlist opens its page; an album opens on its downloaded copy.
    Q_INVOKABLE void open(const QString &key) const;
    Q_INVOKABLE void play(const QString &key) const;
    Q_INVOKABLE void shuffle(const QString &key) const;
    Q_INVOKABLE void playNext(const QString &key) const;
    Q_INVOKABLE void playLast(const QString &key) const;
    // At once and without asking; the tile goes when the manifest has changed.
    Q_INVOKABLE void removeDownload(const QString &key) const;

Q_SIGNALS:
    void contentChanged();

private:
    void sync();
    const DownloadedCollectionItem *find(const QString &key) const;

    QPointer<PageContext> m_context;
    QCollator m_collator;
    DownloadedCollectionListModel m_albums;
    DownloadedCollectionListModel m_playlists;
    int m_collectionCount = 0;
    qint64 m_totalBytes = 0;
};
