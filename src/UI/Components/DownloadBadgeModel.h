#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QtQml/qqmlregistration.h>

#include "DownloadBadgeState.h"

#include "Downloads/DownloadStore.h"

// The download badge of one album (`albumId`) or one playlist (`playlistId`,
// with its `songIds` for the song-by-song state), read live from the
// download store. DownloadStatusBadge.qml draws it. A caller that decides
// the state itself (with no store set) hands it over with setState().
class DownloadBadgeModel : public QObject
{
    Q_OBJECT
    QML_ELEMENT

    Q_PROPERTY(DownloadStore *downloads READ downloads WRITE setDownloads NOTIFY inputsChanged)
    Q_PROPERTY(QString albumId READ albumId WRITE setAlbumId NOTIFY inputsChanged)
    Q_PROPERTY(QString playlistId READ playlistId WRITE setPlaylistId NOTIFY inputsChanged)
    Q_PROPERTY(QStringList songIds READ songIds WRITE setSongIds NOTIFY inputsChanged)

    Q_PROPERTY(Kind kind READ kind NOTIFY stateChanged)
    Q_PROPERTY(int completed READ completed NOTIFY stateChanged)
    Q_PROPERTY(int total READ total NOTIFY stateChanged)
    Q_PROPERTY(double fraction READ fraction NOTIFY stateChanged)
    Q_PROPERTY(QString symbol READ symbol NOTIFY stateChanged)
    Q_PROPERTY(QString tooltip READ tooltip NOTIFY stateChanged)

public:
    enum Kind {
        Nothing = int(DownloadBadgeState::Kind::Nothing),
        Failed = int(DownloadBadgeState::Kind::Failed),
        Running = int(DownloadBadgeState::Kind::Running),
        Partial = int(DownloadBadgeState::Kind::Partial),
        Offline = int(DownloadBadgeState::Kind::Offline),
    };
    Q_ENUM(Kind)

    explicit DownloadBadgeModel(QObject *parent = nullptr);

    DownloadStore *downloads() const { return m_downloads; }
    void setDownloads(DownloadStore *downloads);
    QString albumId() const { return m_albumId; }
    void setAlbumId(const QString &id);
    QString playlistId() const { return m_playlistId; }
    void setPlaylistId(const QString &id);
    QStringList songIds() const { return m_songIds; }
    void setSongIds(const QStringList &ids);

    const DownloadBadgeState &state() const { return m_state; }
    // Only without a store; the store's state wins once one is set.
    void setState(const DownloadBadgeState &state);
    Kind kind() const { return Kind(m_state.kind); }
    int completed() const { return m_state.completed; }
    int total() const { return m_state.total; }
    double fraction() const { return m_state.fraction; }
    QString symbol() const { return m_state.symbol; }
    QString tooltip() const { return m_state.tooltip; }

Q_SIGNALS:
    void inputsChanged();
    void stateChanged();

private:
    void update();
    void show(const DownloadBadgeState &next);

    QPointer<DownloadStore> m_downloads;
    QMetaObject::Connection m_connection;
    QString m_albumId;
    QString m_playlistId;
    QStringList m_songIds;
    DownloadBadgeState m_state;
};
