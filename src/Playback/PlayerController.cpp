#include "PlayerController.h"

#include <QDebug>
#include <QPointer>
#include <QRandomGenerator>

#include <algorithm>
#include <cmath>
#include <utility>

#include "Downloads/DownloadStore.h"
#include "Support/Async.h"

using namespace Qt::StringLiterals;

namespace {

QList<Song> shuffledCopy(QList<Song> songs)
{
    std::shuffle(songs.begin(), songs.end(), *QRandomGenerator::global());
    return songs;
}

QString describe(const std::exception &error)
{
    if (const auto *subsonic = dynamic_cast<const SubsonicError *>(&error))
        return subsonic->localizedDescription();
    if (const auto *transport = dynamic_cast<const TransportError *>(&error))
        return transport->localizedDescription();
    return QString::fromUtf8(error.what());
}

} // namespace

PlayerController::PlayerController(QueuePlayer *player, QObject *parent)
    : PlayerController(player, nullptr, nullptr, parent)
{ }

PlayerController::PlayerController(
    QueuePlayer *player, NowPlayingCenter *center, SleepMonitor *sleepMonitor, QObject *parent)
    : QObject(parent)
    , m_player(player)
{
    Q_ASSERT(m_player);
    m_player->setParent(this);
    connect(m_player, &QueuePlayer::periodicTime, this,
        [this](double seconds) { Async::startQueued(this, [this, seconds] { periodicTime(seconds); }); });
    connect(m_player, &QueuePlayer::itemDidPlayToEnd, this, [this](const QueuePlayerItemPtr &item) {
        Async::startQueued(this, [this, item] { itemDidPlayToEnd(item); });
    });
    configureSystemIntegration(center, sleepMonitor);
}

PlayerController::~PlayerController() = default;

std::optional<Song> PlayerController::currentSong() const
{
    if (!m_currentIndex || *m_currentIndex < 0 || *m_currentIndex >= m_queue.size())
        return std::nullopt;
    return m_queue.at(*m_currentIndex);
}

QList<Song> PlayerController::upNext() const
{
    if (!m_currentIndex || *m_currentIndex < 0 || *m_currentIndex + 1 >= m_queue.size())
        return {};
    return m_queue.mid(*m_currentIndex + 1);
}

double PlayerController::duration() const
{
    if (const QueuePlayerItemPtr item = m_player->currentItem()) {
        const double seconds = item->duration();
        if (std::isfinite(seconds) && seconds > 0)
            return seconds;
    }
    const std::optional<Song> song = currentSong();
    if (song && song->duration)
        return double(*song->duration);
    return 0;
}

void PlayerController::setRepeatMode(RepeatMode mode)
{
    if (m_repeatMode == mode)
        return;
    m_repeatMode = mode;
    Q_EMIT repeatModeChanged();
    // What follows the current song depends on the mode.
    syncPreload();
}

// MARK: Entry operations

void PlayerController::play(const QList<Song> &songs, const SubsonicClient &client, int startingAt,
    const std::optional<PlaybackSource> &source)
{
    if (songs.isEmpty())
        return;
    m_client = client;
    setSource(source);
    setIsShuffling(false);
    m_unshuffledQueue.reset();
    setQueue(songs);
    startItem(std::clamp(startingAt, 0, int(songs.size()) - 1), true, 0);
}

void PlayerController::playShuffled(
    const QList<Song> &songs, const SubsonicClient &client, const std::optional<PlaybackSource> &source)
{
    if (songs.isEmpty())
        return;
    play(shuffledCopy(songs), client, 0, source);
    m_unshuffledQueue = songs;
    setIsShuffling(true);
}

void PlayerController::playNext(const QList<Song> &songs, const SubsonicClient &client)
{
    if (songs.isEmpty())
        return;
    const std::optional<Song> current = currentSong();
    if (!current) {
        play(songs, client, 0, std::nullopt);
        return;
    }
    // The queue keeps its own client.
    if (m_unshuffledQueue) {
        QList<Song> &original = *m_unshuffledQueue;
        const auto match = std::find_if(
            original.begin(), original.end(), [&](const Song &song) { return song.id == current->id; });
        const qsizetype at
            = match == original.end() ? original.size() : std::distance(original.begin(), match) + 1;
        for (qsizetype i = 0; i < songs.size(); ++i)
            original.insert(at + i, songs.at(i));
    }
    QList<Song> queue = m_queue;
    const int at = *m_currentIndex + 1;
    for (qsizetype i = 0; i < songs.size(); ++i)
        queue.insert(at + i, songs.at(i));
    setQueue(queue);
    syncPreload();
}

void PlayerController::playLast(const QList<Song> &songs, const SubsonicClient &client)
{
    if (songs.isEmpty())
        return;
    if (!currentSong()) {
        play(songs, client, 0, std::nullopt);
        return;
    }
    if (m_unshuffledQueue)
        m_unshuffledQueue->append(songs);
    setQueue(m_queue + songs);
    syncPreload();
}

void PlayerController::playUpcoming(int offset)
{
    if (m_currentIndex)
        startItem(*m_currentIndex + 1 + offset, true, 0);
}

void PlayerController::playAlbum(
    const Album &album, const SubsonicClient &client, int startingAt, bool shuffled)
{
    // Taken at once: a sign-out before the load starts cancels it too.
    const TaskHandle handle = beginLoad();
    Async::startQueued(this, [this, album, client, startingAt, shuffled, handle] {
        loadAlbum(album, client, startingAt, shuffled, false, false, handle);
    });
}

void PlayerController::playAlbumNext(const Album &album, const SubsonicClient &client, bool atEnd)
{
    const TaskHandle handle = beginLoad();
    Async::startQueued(this,
        [this, album, client, atEnd, handle] { loadAlbum(album, client, 0, false, true, atEnd, handle); });
}

TaskHandle PlayerController::beginLoad()
{
    const TaskHandle handle = TaskHandle::create();
    m_loads.append(handle);
    return handle;
}

void PlayerController::endLoad(const TaskHandle &handle)
{
    m_loads.removeOne(handle);
}

void PlayerController::cancelLoads()
{
    // Taken out first: a cancelled request resumes its load at once.
    const QList<TaskHandle> loads = std::exchange(m_loads, {});
    for (TaskHandle handle : loads)
        handle.cancel();
}

QCoro::Task<> PlayerController::loadAlbum(Album album, SubsonicClient client, int startingAt, bool shuffled,
    bool queueOnly, bool atEnd, TaskHandle handle)
{
    QPointer<PlayerController> self(this);
    if (handle.isCancelled())
        co_return;
    QList<Song> songs;
    try {
        const Album fetched = co_await client.album(album.id, handle);
        songs = fetched.song.value_or(QList<Song> {});
    } catch (const std::exception &error) {
        if (self)
            self->endLoad(handle);
        if (!handle.isCancelled())
            qWarning().noquote() << u"Failed to load album "_s + album.id + u": "_s + describe(error);
        co_return;
    }
    if (!self)
        co_return;
    endLoad(handle);
    if (handle.isCancelled())
        co_return;
    if (queueOnly) {
        if (atEnd)
            playLast(songs, client);
        else
            playNext(songs, client);
        co_return;
    }
    const PlaybackSource source = PlaybackSource::album(album.id, album.name);
    if (shuffled)
        playShuffled(songs, client, source);
    else
        play(songs, client, startingAt, source);
}

// MARK: Transport

void PlayerController::togglePlayPause()
{
    if (!currentSong())
        return;
    if (m_isPlaying) {
        pause();
        return;
    }
    // An item that failed plays nothing: never claim otherwise.
    if (m_currentItemRef && m_currentItemRef->status() == QueuePlayerItem::Status::Failed)
        return;
    m_player->play();
    setIsPlaying(true);
    updateNowPlayingInfo();
    reportNowPlaying();
}

void PlayerController::pause()
{
    if (!m_isPlaying)
        return;
    m_player->pause();
    setIsPlaying(false);
    updateNowPlayingInfo();
    scheduleCheckpoint();
}

void PlayerController::next()
{
    if (!m_currentIndex)
        return;
    if (*m_currentIndex + 1 < m_queue.size())
        startItem(*m_currentIndex + 1, true, 0);
    else if (m_repeatMode == RepeatMode::All && !m_queue.isEmpty())
        startItem(0, true, 0);
    else
        stop();
}

void PlayerController::previous()
{
    if (!m_currentIndex)
        return;
    if (m_currentTime > RestartThreshold || *m_currentIndex == 0) {
        m_player->seek(0);
        setCurrentTime(0);
        updateNowPlayingElapsedTime();
        return;
    }
    startItem(*m_currentIndex - 1, true, 0);
}

void PlayerController::seek(double seconds)
{
    if (!std::isfinite(seconds))
        return;
    m_player->seek(seconds);
    setCurrentTime(seconds);
    updateNowPlayingElapsedTime();
}

void PlayerController::stop()
{
    dropRestoreSeek();
    m_player->removeAllItems();
    setCurrentItemRef({});
    m_preloadedSongId.reset();
    setCurrentIndex(std::nullopt);
    setQueue({});
    setSource(std::nullopt);
    setIsPlaying(false);
    setCurrentTime(0);
    clearNowPlayingInfo();
    scheduleCheckpoint();
}

void PlayerController::toggleShuffle()
{
    const std::optional<Song> current = currentSong();
    if (!current)
        return;
    if (!m_isShuffling) {
        m_unshuffledQueue = m_queue;
        QList<Song> rest = m_queue;
        rest.removeAt(*m_currentIndex);
        setQueue(QList<Song> {*current} + shuffledCopy(rest));
        setCurrentIndex(0);
        setIsShuffling(true);
        syncPreload();
        return;
    }
    if (m_unshuffledQueue && !m_unshuffledQueue->isEmpty()) {
        const QList<Song> original = *m_unshuffledQueue;
        const auto match = std::find_if(
            original.begin(), original.end(), [&](const Song &song) { return song.id == current->id; });
        if (match != original.end()) {
            setQueue(original);
            setCurrentIndex(int(std::distance(original.begin(), match)));
        }
    }
    m_unshuffledQueue.reset();
    setIsShuffling(false);
    syncPreload();
}

// MARK: Player items

QueuePlayerItemPtr PlayerController::makePlayerItem(const Song &song, const SubsonicClient &client) const
{
    const std::optional<QUrl> local = DownloadStore::localFileURL(song, client.config());
    const QUrl url = local ? *local : client.url(u"stream"_s, {{u"id"_s, song.id}});
    return std::make_shared<QueuePlayerItem>(url);
}

void PlayerController::startItem(int index, bool autoplay, double seekTo)
{
    if (index < 0 || index >= m_queue.size() || !m_client) {
        stop();
        return;
    }
    const QueuePlayerItemPtr item = makePlayerItem(m_queue.at(index), *m_client);
    m_player->removeAllItems();
    m_preloadedSongId.reset();
    if (m_player->canInsert(item, {}))
        m_player->insert(item, {});
    setCurrentItemRef(item);
    dropRestoreSeek();
    if (seekTo > 0) {
        const quint64 token = m_restoreSeekToken;
        m_restoreSeekObservation = connect(item.get(), &QueuePlayerItem::statusChanged, this,
            [this, token, seekTo](QueuePlayerItem::Status status) {
                if (status != QueuePlayerItem::Status::ReadyToPlay)
                    return;
                Async::startQueued(this, [this, token, seekTo] {
                    // A later start or a stop dropped this seek meanwhile.
                    if (token != m_restoreSeekToken)
                        return;
                    dropRestoreSeek();
                    // A place kept for a song whose record had no length
                    // ends where the song itself does.
                    const double length = duration();
                    const double target = length > 0 ? std::min(seekTo, length) : seekTo;
                    m_player->seek(target);
                    setCurrentTime(target);
                    updateNowPlayingElapsedTime();
                });
            });
    }
    if (autoplay) {
        m_player->play();
        setIsPlaying(true);
    } else {
        m_player->pause();
        setIsPlaying(false);
    }
    beganTrack(index, seekTo, autoplay);
    syncPreload();
}

void PlayerController::beganTrack(int index, double position, bool reportNowPlaying)
{
    setCurrentIndex(index);
    setCurrentTime(position);
    resetPlayReports(m_queue.at(index), position);
    updateNowPlayingInfo();
    if (reportNowPlaying)
        this->reportNowPlaying();
    scheduleCheckpoint();
}

void PlayerController::syncPreload()
{
    if (!m_currentIndex || !m_client || !m_currentItemRef)
        return;
    const int current = *m_currentIndex;
    const int count = int(m_queue.size());
    std::optional<int> target;
    if (count > 0 && current >= 0 && current < count) {
        if (m_repeatMode == RepeatMode::One) {
            target = current;
        } else if (current + 1 < count) {
            target = current + 1;
        } else if (m_repeatMode == RepeatMode::All) {
            target = 0;
        }
    }
    const std::optional<QString> targetId
        = target ? std::optional<QString>(m_queue.at(*target).id) : std::nullopt;
    const QList<QueuePlayerItemPtr> items = m_player->items();
    if (!targetId && !m_preloadedSongId)
        return;
    if (targetId && m_preloadedSongId == targetId && items.size() >= 2)
        return;
    for (qsizetype i = 1; i < items.size(); ++i)
        m_player->remove(items.at(i));
    m_preloadedSongId.reset();
    if (!target)
        return;
    const QueuePlayerItemPtr item = makePlayerItem(m_queue.at(*target), *m_client);
    const QueuePlayerItemPtr after = m_player->currentItem();
    if (after && m_player->canInsert(item, after)) {
        m_player->insert(item, after);
        m_preloadedSongId = *targetId;
    }
}

void PlayerController::itemDidPlayToEnd(const QueuePlayerItemPtr &item)
{
    if (item && item == m_currentItemRef)
        handleTrackEnd();
}

void PlayerController::handleTrackEnd()
{
    if (!m_currentIndex || m_queue.isEmpty() || *m_currentIndex < 0 || *m_currentIndex >= m_queue.size()) {
        stop();
        return;
    }
    int target = *m_currentIndex;
    if (m_repeatMode != RepeatMode::One) {
        target = *m_currentIndex + 1;
        if (target >= m_queue.size()) {
            if (m_repeatMode != RepeatMode::All) {
                stop();
                return;
            }
            target = 0;
        }
    }
    if (m_preloadedSongId && *m_preloadedSongId == m_queue.at(target).id) {
        // The player may have moved on by itself already; never skip a song.
        if (m_player->currentItem() == m_currentItemRef)
            m_player->advanceToNextItem();
        setCurrentItemRef(m_player->currentItem());
        m_preloadedSongId.reset();
        if (m_isPlaying)
            m_player->play();
        beganTrack(target, 0, m_isPlaying);
        syncPreload();
        return;
    }
    startItem(target, true, 0);
}

void PlayerController::periodicTime(double seconds)
{
    if (!std::isfinite(seconds))
        return;
    setCurrentTime(seconds);
    updateNowPlayingElapsedTime();
    maybeSubmitScrobble();
}

void PlayerController::dropRestoreSeek()
{
    disconnect(m_restoreSeekObservation);
    m_restoreSeekObservation = {};
    ++m_restoreSeekToken;
}

void PlayerController::setCurrentItemRef(const QueuePlayerItemPtr &item)
{
    if (m_currentItemRef == item)
        return;
    for (const QMetaObject::Connection &connection : std::as_const(m_currentItemWatch))
        disconnect(connection);
    m_currentItemWatch.clear();
    m_currentItemRef = item;
    if (item) {
        const QueuePlayerItem *watched = item.get();
        m_currentItemWatch.append(connect(
            watched, &QueuePlayerItem::statusChanged, this, [this, watched](QueuePlayerItem::Status status) {
                if (status != QueuePlayerItem::Status::Failed)
                    return;
                Async::startQueued(this, [this, watched] {
                    if (m_currentItemRef.get() == watched)
                        currentItemFailed();
                });
            }));
        m_currentItemWatch.append(
            connect(watched, &QueuePlayerItem::durationChanged, this, &PlayerController::refreshDuration));
        // The player moved on to an item that had failed already as the
        // preloaded one.
        if (item->status() == QueuePlayerItem::Status::Failed) {
            Async::startQueued(this, [this, watched] {
                if (m_currentItemRef.get() == watched)
                    currentItemFailed();
            });
        }
    }
    refreshDuration();
}

void PlayerController::currentItemFailed()
{
    // Nothing plays any more: say so, like a pause.
    pause();
}

// MARK: Observable state

void PlayerController::setQueue(const QList<Song> &queue)
{
    if (m_queue == queue)
        return;
    m_queue = queue;
    Q_EMIT queueChanged();
    refreshDuration();
}

void PlayerController::setCurrentIndex(std::optional<int> index)
{
    if (m_currentIndex == index)
        return;
    m_currentIndex = index;
    Q_EMIT currentIndexChanged();
    refreshDuration();
}

void PlayerController::setSource(const std::optional<PlaybackSource> &source)
{
    if (m_source == source)
        return;
    m_source = source;
    Q_EMIT sourceChanged();
}

void PlayerController::setIsPlaying(bool playing)
{
    if (m_isPlaying == playing)
        return;
    m_isPlaying = playing;
    Q_EMIT isPlayingChanged();
}

void PlayerController::setCurrentTime(double seconds)
{
    if (m_currentTime == seconds)
        return;
    m_currentTime = seconds;
    Q_EMIT currentTimeChanged();
}

void PlayerController::setIsShuffling(bool shuffling)
{
    if (m_isShuffling == shuffling)
        return;
    m_isShuffling = shuffling;
    Q_EMIT isShufflingChanged();
}

void PlayerController::refreshDuration()
{
    const double value = duration();
    if (value == m_duration)
        return;
    m_duration = value;
    Q_EMIT durationChanged();
}
