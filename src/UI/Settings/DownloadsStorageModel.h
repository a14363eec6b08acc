#pragma once

#include <QPointer>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include "Components/RecordListModel.h"
#include "Downloads/DownloadCollection.h"

class DownloadStore;

// One downloaded collection as the settings list it: the record and the bytes
// of the songs it owns (a song it shares with another collection counts in
// full in both).
struct StoredCollection
{
    DownloadCollection collection;
    qint64 bytes = 0;

    friend bool operator==(const StoredCollection &, const StoredCollection &) = default;
};

// The settings window's downloads section: the disk the downloads take (each
// song once), one row per collection largest first, and removal of one or,
// after a confirmation, all of them. Follows the store while it is shown.
class DownloadsStorageModel : public RecordListModel<StoredCollection>
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Built by the settings window's model.")

    Q_PROPERTY(QString storageUsed READ storageUsed NOTIFY totalChanged)
    Q_PROPERTY(QString removeAllMessage READ removeAllMessage NOTIFY totalChanged)
    // The "Remove all downloads?" confirmation is shown.
    Q_PROPERTY(bool showRemoveAll READ showRemoveAll NOTIFY showRemoveAllChanged)

public:
    enum Role { KeyRole = Qt::UserRole + 1, NameRole, SubtitleRole, HasSubtitleRole, SizeRole };

    explicit DownloadsStorageModel(DownloadStore *downloads, QObject *parent = nullptr);

    // "None" when nothing is downloaded.
    QString storageUsed() const;
    QString removeAllMessage() const;
    bool showRemoveAll() const { return m_showRemoveAll; }

    // The row's trash button.
    Q_INVOKABLE void remove(int row);
    // "Remove All Downloads": asks first.
    Q_INVOKABLE void requestRemoveAll();
    // The confirmation's "Remove All", and its dismissal.
    Q_INVOKABLE void confirmRemoveAll();
    Q_INVOKABLE void cancelRemoveAll();

Q_SIGNALS:
    void totalChanged();
    void showRemoveAllChanged();

protected:
    QString keyOf(const StoredCollection &record) const override { return record.collection.key; }
    QVariant roleData(const StoredCollection &record, int row, int role) const override;

private:
    void reload();
    void setShowRemoveAll(bool shown);

    QPointer<DownloadStore> m_downloads;
    qint64 m_totalBytes = 0;
    bool m_showRemoveAll = false;
};
