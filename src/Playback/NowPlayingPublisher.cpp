#include "NowPlayingPublisher.h"

NowPlayingPublisher::NowPlayingPublisher(NowPlayingCenter *center, ArtworkLoader loader, QObject *parent)
    : QObject(parent)
    , m_center(center)
    , m_loader(std::move(loader))
{ }

void NowPlayingPublisher::updateNowPlayingInfo(const State &state)
{
    if (!m_center)
        return;
    if (!state.song) {
        // The playback state stays as it was.
        m_center->setNowPlayingInfo(std::nullopt);
        return;
    }
    NowPlayingInfo info;
    info.songId = state.song->id;
    info.title = state.song->title;
    info.duration = state.duration;
    info.elapsedTime = state.currentTime;
    info.playbackRate = state.isPlaying ? 1.0 : 0.0;
    info.artist = state.song->artist;
    info.albumTitle = state.song->album;
    m_center->setNowPlayingInfo(info);
    m_center->setPlaybackState(state.isPlaying ? NowPlayingState::Playing : NowPlayingState::Paused);
    loadNowPlayingArtwork(*state.song, state.client);
}

void NowPlayingPublisher::updateNowPlayingElapsedTime(const State &state)
{
    if (!m_center || !state.song)
        return;
    std::optional<NowPlayingInfo> info = m_center->nowPlayingInfo();
    if (!info)
        return;
    info->elapsedTime = state.currentTime;
    info->duration = state.duration;
    info->playbackRate = state.isPlaying ? 1.0 : 0.0;
    m_center->setNowPlayingInfo(info);
}

void NowPlayingPublisher::clear()
{
    if (!m_center)
        return;
    m_center->setNowPlayingInfo(std::nullopt);
    m_center->setPlaybackState(NowPlayingState::Stopped);
}

void NowPlayingPublisher::loadNowPlayingArtwork(const Song &song, const SubsonicClient *client)
{
    if (!song.coverArt || !client || !m_loader)
        return;
    const QUrl url = client->coverArtURL(*song.coverArt, ArtworkPixelSize);
    // Earlier loads go on; each checks on arrival that its song is still shown.
    applyArtwork(song.id, *song.coverArt, url);
}

QCoro::Task<> NowPlayingPublisher::applyArtwork(QString songId, QString coverId, QUrl url)
{
    QPointer<NowPlayingPublisher> self(this);
    QCoro::Task<QImage> load = m_loader(coverId, ArtworkPixelSize, url);
    const QImage image = co_await std::move(load);
    if (!self || !self->m_center || image.isNull())
        co_return;
    std::optional<NowPlayingInfo> info = self->m_center->nowPlayingInfo();
    // A late cover of a song that is no longer current is dropped.
    if (!info || info->songId != songId)
        co_return;
    info->artwork = image;
    self->m_center->setNowPlayingInfo(info);
}
