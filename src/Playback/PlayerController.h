#pragma once

#include <QCoroTask>
#include <QList>
#include <QMetaObject>
#include <QObject>

#include <optional>

#include "Models/Album.h"
#include "Models/Song.h"
#include "Networking/SubsonicClient.h"
#include "Platform/QueuePlayer.h"
#include "Playback/NowPlayingPublisher.h"
#include "Playback/PlayReporter.h"
#include "Playback/PlaybackSource.h"
#include "Playback/RepeatMode.h"
#include "Playback/VolumePersistence.h"
#include "Support/TaskHandle.h"

class NowPlayingCenter;
class SleepMonitor;

// The playback engine: the play queue (in play order, shuffled or not), the
// current song, shuffle and repeat, and the queue player it drives. The player
// holds the current song's item and at most one item preloaded behind it for
// the song that follows.
//
// Lives on the GUI thread. The player's callbacks reach it only through calls
// queued on that thread, and only while it exists.
class PlayerController : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QList<Song> queue READ queue NOTIFY queueChanged)
    Q_PROPERTY(int currentIndex READ currentIndexOrNone NOTIFY currentIndexChanged)
    Q_PROPERTY(bool isPlaying READ isPlaying NOTIFY isPlayingChanged)
    Q_PROPERTY(double currentTime READ currentTime NOTIFY currentTimeChanged)
    Q_PROPERTY(double duration READ duration NOTIFY durationChanged)
    Q_PROPERTY(bool isShuffling READ isShuffling NOTIFY isShufflingChanged)
    Q_PROPERTY(float volume READ volume WRITE setVolume NOTIFY volumeChanged)
public:
    // Takes `player` over; the engine lives without a now-playing center and
    // a sleep monitor.
    explicit PlayerController(QueuePlayer *player, QObject *parent = nullptr);
    // Takes over the player, the now-playing center and the sleep monitor;
    // without a center or a monitor the engine lives without them.
    PlayerController(
        QueuePlayer *player, NowPlayingCenter *center, SleepMonitor *sleepMonitor, QObject *parent = nullptr);
    ~PlayerController() override;

    QueuePlayer *player() const { return m_player; }

    QList<Song> queue() const { return m_queue; }
    std::optional<int> currentIndex() const { return m_currentIndex; }
    int currentIndexOrNone() const { return m_currentIndex.value_or(-1); }
    std::optional<PlaybackSource> source() const { return m_source; }
    bool isPlaying() const { return m_isPlaying; }
    double currentTime() const { return m_currentTime; }
    bool isShuffling() const { return m_isShuffling; }
    RepeatMode repeatMode() const { return m_repeatMode; }
    void setRepeatMode(RepeatMode mode);

    std::optional<Song> currentSong() const;
    QList<Song> upNext() const;
    // The player's length of the current item when it knows it, else the
    // song's own; 0 without either.
    double duration() const;

    void play(const QList<Song> &songs, const SubsonicClient &client, int startingAt,
        const std::optional<PlaybackSource> &source);
    void playShuffled(
        const QList<Song> &songs, const SubsonicClient &client, const std::optional<PlaybackSource> &source);
    void playNext(const QList<Song> &songs, const SubsonicClient &client);
    void playLast(const QList<Song> &songs, const SubsonicClient &client);
    void playUpcoming(int offset);
    void playAlbum(const Album &album, const SubsonicClient &client, int startingAt, bool shuffled);
    void playAlbumNext(const Album &album, const SubsonicClient &client, bool atEnd);

    // A load that ends in playback (an album's or an artist's songs) holds a
    // handle from beginLoad() until it ends (endLoad()); cancelLoads()
    // cancels every one of them, so that nothing the signed-out account asked
    // for ever plays.
    TaskHandle beginLoad();
    void endLoad(const TaskHandle &handle);
    void cancelLoads();

    void togglePlayPause();
    void pause();
    void next();
    void previous();
    void stop();
    void seek(double seconds);
    void toggleShuffle();

    // Up Next edits; offsets count from the first song of upNext().
    void clearUpNext();
    void removeUpcoming(const QList<int> &offsets);
    void moveUpcoming(const QList<int> &offsets, int destination);

    // `list` without the removed songs, dropping copies from its end first.
    static QList<Song> mirroringRemoval(const QList<Song> &removed, const QList<Song> &list);

    // Output volume, 0 to 1; each change reaches the "volume" setting after a
    // short pause.
    float volume() const { return m_volume; }
    void setVolume(float volume);
    NowPlayingCenter *nowPlayingCenter() const;

    // The saved playback session: written a second after every track change,
    // pause and stop, and at once here and at quit; restored once per run for
    // the account that saved it.
    void saveSession();
    void restoreSession(const SubsonicClient &client);
    bool didAttemptRestore() const { return m_didAttemptRestore; }
    static void clearSavedSession();

Q_SIGNALS:
    void queueChanged();
    void currentIndexChanged();
    void sourceChanged();
    void isPlayingChanged();
    void currentTimeChanged();
    void durationChanged();
    void isShufflingChanged();
    void repeatModeChanged();
    void volumeChanged();

private:
    friend class tst_PlayerController;

    static constexpr double RestartThreshold = 3.0;

    QueuePlayerItemPtr makePlayerItem(const Song &song, const SubsonicClient &client) const;
    void startItem(int index, bool autoplay, double seekTo);
    void beganTrack(int index, double position, bool reportNowPlaying);
    void syncPreload();
    void itemDidPlayToEnd(const QueuePlayerItemPtr &item);
    void handleTrackEnd();
    void periodicTime(double seconds);
    void dropRestoreSeek();
    void setCurrentItemRef(const QueuePlayerItemPtr &item);
    void currentItemFailed();

    // The desktop, the volume setting, play reports and the saved session
    // (PlayerControllerSystem.cpp).
    void configureSystemIntegration(NowPlayingCenter *center, SleepMonitor *sleepMonitor);
    void configureRemoteCommands();
    void configureSleepWakeHandling();
    void configurePersistence();
    void scheduleVolumePersist();
    void flushVolume();
    NowPlayingPublisher::State nowPlayingState(const std::optional<Song> &song) const;
    void updateNowPlayingInfo();
    void updateNowPlayingElapsedTime();
    void clearNowPlayingInfo();
    void reportNowPlaying();
    void maybeSubmitScrobble();
    void resetPlayReports(const Song &song, double position);
    void scheduleCheckpoint();
    QCoro::Task<> checkpointLater(TaskHandle handle);
    static QString accountKey(const SubsonicClient &client);

    QCoro::Task<> loadAlbum(Album album, SubsonicClient client, int startingAt, bool shuffled, bool queueOnly,
        bool atEnd, TaskHandle handle);

    void setQueue(const QList<Song> &queue);
    void setCurrentIndex(std::optional<int> index);
    void setSource(const std::optional<PlaybackSource> &source);
    void setIsPlaying(bool playing);
    void setCurrentTime(double seconds);
    void setIsShuffling(bool shuffling);
    void refreshDuration();

    QueuePlayer *m_player = nullptr;
    QList<Song> m_queue;
    std::optional<int> m_currentIndex;
    std::optional<PlaybackSource> m_source;
    bool m_isPlaying = false;
    double m_currentTime = 0;
    bool m_isShuffling = false;
    RepeatMode m_repeatMode = RepeatMode::Off;
    std::optional<QList<Song>> m_unshuffledQueue;
    std::optional<SubsonicClient> m_client;
    double m_duration = 0;
    QList<TaskHandle> m_loads;

    QueuePlayerItemPtr m_currentItemRef;
    std::optional<QString> m_preloadedSongId;
    QMetaObject::Connection m_restoreSeekObservation;
    quint64 m_restoreSeekToken = 0;
    QList<QMetaObject::Connection> m_currentItemWatch;

    float m_volume = 1.0f;
    VolumePersistence *m_volumePersistence = nullptr;
    NowPlayingPublisher *m_nowPlaying = nullptr;
    SleepMonitor *m_sleepMonitor = nullptr;
    PlayReporter m_playReporter;
    bool m_didAttemptRestore = false;
    // Whether this run has started, paused or stopped anything: only then may
    // a save with nothing loaded remove the saved session.
    bool m_sessionTouched = false;
    TaskHandle m_checkpointTask;
};
