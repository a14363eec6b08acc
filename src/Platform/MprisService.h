#pragma once

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QElapsedTimer>
#include <QVariantMap>

#include "NowPlayingCenter.h"

class MprisPlayerAdaptor;
class MprisRootAdaptor;
class QWindow;

// The now-playing display and media commands of a Linux desktop: an MPRIS 2
// player on the session bus. When the bus or the name cannot be had, the
// service stays off the bus and only keeps what it is told.
//
// The cover is published as a file of our own (never as a server URL: a
// signed URL carries a replayable credential).
class MprisService : public NowPlayingCenter
{
    Q_OBJECT
public:
    static constexpr auto ServiceName = "org.mpris.MediaPlayer2.lirna";
    static constexpr auto ObjectPath = "/org/mpris/MediaPlayer2";
    static constexpr auto PlayerInterface = "org.mpris.MediaPlayer2.Player";

    explicit MprisService(
        QDBusConnection connection = QDBusConnection::sessionBus(), QObject *parent = nullptr);
    ~MprisService() override;

    // The bus name held, empty when the service is not on the bus.
    QString serviceName() const { return m_serviceName; }

    std::optional<NowPlayingInfo> nowPlayingInfo() const override { return m_info; }
    void setNowPlayingInfo(const std::optional<NowPlayingInfo> &info) override;
    NowPlayingState playbackState() const override { return m_state; }
    void setPlaybackState(NowPlayingState state) override;
    void setVolume(double volume) override;

    // The file the current cover was written to; empty when there is none.
    QString artworkPath() const { return m_artworkPath; }

    static QDBusObjectPath trackId(const QString &songId);

    // What the adaptors publish and forward.
    QString playbackStatus() const;
    QVariantMap metadata() const;
    qlonglong position() const;
    double volume() const { return m_volume; }
    bool hasTrack() const { return m_info.has_value(); }
    bool canQuit() const;
    bool canRaise() const;
    void requestQuit();
    void requestRaise();
    // Offers Raise for `window`: it is shown again if minimised, raised and
    // activated (for as long as it exists).
    void raiseOnRequest(QWindow *window);
    void play() { Q_EMIT playCommand(); }
    void pause() { Q_EMIT pauseCommand(); }
    void playPause() { Q_EMIT togglePlayPauseCommand(); }
    void next() { Q_EMIT nextTrackCommand(); }
    void previous() { Q_EMIT previousTrackCommand(); }
    void seek(qlonglong offset);
    void setPosition(const QDBusObjectPath &trackId, qlonglong position);

Q_SIGNALS:
    // Connect these to offer Quit and Raise on the bus; CanQuit and CanRaise
    // are true only while something listens.
    void quitRequested();
    void raiseRequested();

private:
    bool registerOnBus();
    QVariantMap playerProperties() const;
    void publishChanges();
    void updateArtworkFile();
    void removeArtworkFile();

    QDBusConnection m_connection;
    QString m_serviceName;
    MprisRootAdaptor *m_rootAdaptor = nullptr;
    MprisPlayerAdaptor *m_playerAdaptor = nullptr;

    std::optional<NowPlayingInfo> m_info;
    NowPlayingState m_state = NowPlayingState::Stopped;
    double m_volume = 1.0;

    QElapsedTimer m_sinceElapsedUpdate;
    QVariantMap m_published;
    QString m_artworkPath;
    QString m_artworkSongId;
    qint64 m_artworkKey = 0;
};
