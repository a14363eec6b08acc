#pragma once

#include <QAbstractListModel>
#include <QPointer>
#include <QStringList>
#include <QtQml/qqmlregistration.h>

#include <optional>

#include "DownloadMenuItems.h"
#include "Models/Album.h"

#include "Downloads/DownloadStore.h"

// The download items of one album's or one playlist's menu, live from the
// download store, as rows (`text`, `enabled`, `destructive`) that
// DownloadMenuItems.qml puts into a menu; trigger(row) carries out the item.
//
// For a playlist, QML sets `playlistId`, `playlistName` and `songIds` (empty
// when the menu does not know the songs: then only the record counts). For an
// album, the page's view model hands the album over in C++ with setAlbum().
class DownloadMenuModel : public QAbstractListModel
{
    Q_OBJECT
    QML_ELEMENT

    Q_PROPERTY(DownloadStore *downloads READ downloads WRITE setDownloads NOTIFY inputsChanged)
    Q_PROPERTY(QString playlistId READ playlistId WRITE setPlaylistId NOTIFY inputsChanged)
    Q_PROPERTY(QString playlistName READ playlistName WRITE setPlaylistName NOTIFY inputsChanged)
    Q_PROPERTY(QStringList songIds READ songIds WRITE setSongIds NOTIFY inputsChanged)
    Q_PROPERTY(int count READ count NOTIFY countChanged)

public:
    enum Role { TextRole = Qt::UserRole + 1, EnabledRole, DestructiveRole };

    explicit DownloadMenuModel(QObject *parent = nullptr);

    DownloadStore *downloads() const { return m_downloads; }
    void setDownloads(DownloadStore *downloads);
    QString playlistId() const { return m_playlistId; }
    void setPlaylistId(const QString &id);
    QString playlistName() const { return m_playlistName; }
    void setPlaylistName(const QString &name);
    QStringList songIds() const { return m_songIds; }
    void setSongIds(const QStringList &ids);
    // Makes this the album's menu; none returns it to the playlist's.
    void setAlbum(const std::optional<Album> &album);

    const QList<DownloadMenuItem> &items() const { return m_items; }
    int count() const { return int(m_items.size()); }
    Q_INVOKABLE void trigger(int row);

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

Q_SIGNALS:
    void inputsChanged();
    void countChanged();

private:
    void update();

    QPointer<DownloadStore> m_downloads;
    QMetaObject::Connection m_connection;
    std::optional<Album> m_album;
    QString m_playlistId;
    QString m_playlistName;
    QStringList m_songIds;
    QList<DownloadMenuItem> m_items;
};
