// The engine's ties to the desktop and the disk: the volume and its setting,
// the now-playing display and media commands, sleep and wake, play reports
// and the saved playback session.
#include "PlayerController.h"

#include <QCoreApplication>
#include <QPointer>

#include <algorithm>
#include <cmath>

#include "Downloads/ArtworkFetcher.h"
#include "Platform/NowPlayingCenter.h"
#include "Platform/SleepMonitor.h"
#include "Playback/SessionFile.h"
#include "Playback/SessionSnapshot.h"
#include "Support/Async.h"

namespace {

constexpr std::chrono::seconds CheckpointDelay {1};

QCoro::Task<QImage> fetchArtwork(QString id, int pixelSize, QUrl url)
{
    return ArtworkFetcher::shared()->image(std::move(id), pixelSize, std::move(url));
}

} // namespace

void PlayerController::configureSystemIntegration(NowPlayingCenter *center, SleepMonitor *sleepMonitor)
{
    m_volumePersistence = new VolumePersistence(this);
    m_nowPlaying = new NowPlayingPublisher(center, fetchArtwork, this);
    if (center && !center->parent())
        center->setParent(this);
    if (sleepMonitor && !sleepMonitor->parent())
        sleepMonitor->setParent(this);
    m_sleepMonitor = sleepMonitor;

    // The saved volume goes through the setter: the player gets it and the
    // same value is written back after the usual pause.
    setVolume(VolumePersistence::savedVolume());
    m_player->setVolume(m_volume);

    configureRemoteCommands();
    configureSleepWakeHandling();
    configurePersistence();
}

NowPlayingCenter *PlayerController::nowPlayingCenter() const
{
    return m_nowPlaying ? m_nowPlaying->center() : nullptr;
}

void PlayerController::setVolume(float volume)
{
    if (!std::isfinite(volume))
        return;
    if (m_volume != volume) {
        m_volume = volume;
        Q_EMIT volumeChanged();
    }
    m_player->setVolume(volume);
    if (NowPlayingCenter *center = nowPlayingCenter())
        center->setVolume(volume);
    scheduleVolumePersist();
}

void PlayerController::scheduleVolumePersist()
{
    m_volumePersistence->schedulePersist(m_volume);
}

void PlayerController::flushVolume()
{
    m_volumePersistence->flush(m_volume);
}

// Each command is answered at once; the engine acts on it afterwards, and not
// at all once it is gone.
void PlayerController::configureRemoteCommands()
{
    NowPlayingCenter *center = nowPlayingCenter();
    if (!center)
        return;
    connect(
        center, &NowPlayingCenter::playCommand, this,
        [this] {
            // A play command never pauses.
            if (!m_isPlaying)
                togglePlayPause();
        },
        Qt::QueuedConnection);
    connect(center, &NowPlayingCenter::pauseCommand, this, &PlayerController::pause, Qt::QueuedConnection);
    connect(center, &NowPlayingCenter::togglePlayPauseCommand, this, &PlayerController::togglePlayPause,
        Qt::QueuedConnection);
    connect(center, &NowPlayingCenter::nextTrackCommand, this, &PlayerController::next, Qt::QueuedConnection);
    connect(center, &NowPlayingCenter::previousTrackCommand, this, &PlayerController::previous,
        Qt::QueuedConnection);
    connect(
        center, &NowPlayingCenter::changePlaybackPositionCommand, this,
        [this](double seconds) {
            if (!std::isfinite(seconds))
                return;
            m_player->seek(seconds);
            setCurrentTime(seconds);
            updateNowPlayingElapsedTime();
        },
        Qt::QueuedConnection);
}

void PlayerController::configureSleepWakeHandling()
{
    if (!m_sleepMonitor)
        return;
    connect(m_sleepMonitor, &SleepMonitor::willSleep, this, &PlayerController::pause, Qt::QueuedConnection);
    // Waking only makes sure the player is silent: playback never resumes by
    // itself, and the engine's own state is left as it is.
    connect(
        m_sleepMonitor, &SleepMonitor::didWake, this, [this] { m_player->pause(); }, Qt::QueuedConnection);
}

void PlayerController::configurePersistence()
{
    // At quit the session is saved at once, not queued: nothing runs after.
    if (QCoreApplication *app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, this, &PlayerController::saveSession);
}

NowPlayingPublisher::State PlayerController::nowPlayingState(const std::optional<Song> &song) const
{
    return {song ? &*song : nullptr, duration(), m_currentTime, m_isPlaying, m_client ? &*m_client : nullptr};
}

void PlayerController::updateNowPlayingInfo()
{
    const std::optional<Song> song = currentSong();
    m_nowPlaying->updateNowPlayingInfo(nowPlayingState(song));
}

void PlayerController::updateNowPlayingElapsedTime()
{
    const std::optional<Song> song = currentSong();
    m_nowPlaying->updateNowPlayingElapsedTime(nowPlayingState(song));
}

void PlayerController::clearNowPlayingInfo()
{
    m_nowPlaying->clear();
}

void PlayerController::resetPlayReports(const Song &song, double position)
{
    m_playReporter.beganTrack(song, position);
}

void PlayerController::reportNowPlaying()
{
    const std::optional<Song> song = currentSong();
    m_playReporter.reportNowPlaying(song ? &*song : nullptr, m_client ? &*m_client : nullptr);
}

void PlayerController::maybeSubmitScrobble()
{
    const std::optional<Song> song = currentSong();
    m_playReporter.maybeSubmitScrobble(
        m_isPlaying, m_currentTime, song ? &*song : nullptr, m_client ? &*m_client : nullptr);
}

QString PlayerController::accountKey(const SubsonicClient &client)
{
    return client.config().accountKey();
}

void PlayerController::scheduleCheckpoint()
{
    // Every caller has started, paused or stopped something: from now on a
    // save with nothing loaded may remove the saved session.
    m_sessionTouched = true;
    m_checkpointTask.cancel();
    m_checkpointTask = TaskHandle::create();
    checkpointLater(m_checkpointTask);
}

QCoro::Task<> PlayerController::checkpointLater(TaskHandle handle)
{
    QPointer<PlayerController> self(this);
    const bool goOn = co_await Async::sleep(CheckpointDelay, handle);
    if (!goOn || !self)
        co_return;
    self->saveSession();
}

void PlayerController::saveSession()
{
    flushVolume();
    m_checkpointTask.cancel();
    m_checkpointTask = {};

    if (m_currentIndex && m_client && !m_queue.isEmpty()) {
        const int index = *m_currentIndex;
        if (index < 0 || index >= m_queue.size())
            return;
        const SessionSnapshot snapshot = SessionSnapshot::make(accountKey(*m_client), m_queue, index,
            m_currentTime, m_isShuffling, m_unshuffledQueue, m_repeatMode, m_source);
        // A position that cannot be written leaves the earlier file as it is.
        if (const std::optional<QByteArray> data = snapshot.toJson())
            SessionFile::write(*data);
        return;
    }
    // A run that never loaded anything leaves the saved session alone: it may
    // not even have been signed in to restore it.
    if (m_sessionTouched)
        SessionFile::remove();
}

void PlayerController::restoreSession(const SubsonicClient &client)
{
    if (m_didAttemptRestore)
        return;
    // Something already plays: this call does not count as the attempt.
    if (currentSong())
        return;
    m_didAttemptRestore = true;

    const std::optional<QByteArray> data = SessionFile::read();
    if (!data)
        return;
    // A damaged file is kept (and ignored); another account's is removed.
    std::optional<SessionSnapshot> snapshot = SessionSnapshot::fromJson(*data);
    if (!snapshot || !snapshot->hasValidIndex())
        return;
    if (snapshot->serverKey != accountKey(client)) {
        SessionFile::remove();
        return;
    }

    m_client = client;
    setQueue(snapshot->queue);
    setSource(snapshot->source);
    setIsShuffling(snapshot->isShuffling);
    m_unshuffledQueue = snapshot->unshuffledQueue;
    setRepeatMode(snapshot->repeatMode);
    // A position outside the song (a damaged or hand-edited file) would be
    // shown, saved again and handed to the desktop as it is.
    startItem(int(snapshot->currentIndex), false, snapshot->startTime());
}

void PlayerController::clearSavedSession()
{
    SessionFile::remove();
}
