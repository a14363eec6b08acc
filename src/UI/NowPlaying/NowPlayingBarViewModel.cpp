#include "NowPlayingBarViewModel.h"

#include "Library/LibraryStore.h"
#include "Platform/AudioOutputMonitor.h"
#include "Playback/PlayerController.h"

NowPlayingBarViewModel::NowPlayingBarViewModel(
    PlayerController *player, LibraryStore *library, AudioOutputSource *outputSource, QObject *parent)
    : QObject(parent)
    , m_player(player)
    , m_focus(new BarFocus(this))
{
    m_progress = new ProgressStripViewModel(player, m_focus, this);
    m_volume = new VolumeControlViewModel(player, m_focus, this);
    m_upNext = new UpNextModel(player, this);
    // One monitor for the bar's whole life, watching from the start.
    m_outputMonitor = new AudioOutputMonitor(outputSource, this);
    m_audioOutput = new AudioOutputButtonViewModel(m_outputMonitor, player->player(), this);

    connect(player, &PlayerController::queueChanged, this, &NowPlayingBarViewModel::refreshSong);
    connect(player, &PlayerController::currentIndexChanged, this, &NowPlayingBarViewModel::refreshSong);
    connect(player, &PlayerController::sourceChanged, this, &NowPlayingBarViewModel::songChanged);
    connect(player, &PlayerController::isShufflingChanged, this, &NowPlayingBarViewModel::shufflingChanged);
    connect(player, &PlayerController::isPlayingChanged, this, &NowPlayingBarViewModel::playingChanged);
    connect(player, &PlayerController::repeatModeChanged, this, &NowPlayingBarViewModel::repeatChanged);
    m_song = player->currentSong();
    setLibrary(library);
}

void NowPlayingBarViewModel::setLibrary(LibraryStore *library)
{
    if (m_library == library)
        return;
    disconnect(m_likesConnection);
    m_library = library;
    if (m_library)
        m_likesConnection = connect(
            m_library, &LibraryStore::starredIdsChanged, this, &NowPlayingBarViewModel::likeChanged);
    Q_EMIT likeChanged();
}

NowPlayingBarViewModel::Link NowPlayingBarViewModel::titleLink() const
{
    if (!m_song)
        return NoLink;
    const std::optional<PlaybackSource> source = m_player ? m_player->source() : std::nullopt;
    if (source && source->kind == PlaybackSource::Kind::Playlist)
        return PlaylistLink;
    return albumOf(m_song) ? AlbumLink : NoLink;
}

QString NowPlayingBarViewModel::titleTooltip() const
{
    switch (titleLink()) {
    case PlaylistLink:
        return QStringLiteral("Go to Playlist");
    case AlbumLink:
        return albumTooltip();
    case NoLink:
        break;
    }
    return {};
}

bool NowPlayingBarViewModel::isShuffling() const
{
    return m_player && m_player->isShuffling();
}

bool NowPlayingBarViewModel::isPlaying() const
{
    return m_player && m_player->isPlaying();
}

QString NowPlayingBarViewModel::playPauseSymbol() const
{
    return isPlaying() ? QStringLiteral("pause.fill") : QStringLiteral("play.fill");
}

QString NowPlayingBarViewModel::playPauseText() const
{
    return isPlaying() ? QStringLiteral("Pause") : QStringLiteral("Play");
}

bool NowPlayingBarViewModel::repeatOn() const
{
    return m_player && m_player->repeatMode() != RepeatMode::Off;
}

QString NowPlayingBarViewModel::repeatSymbol() const
{
    return m_player && m_player->repeatMode() == RepeatMode::One ? QStringLiteral("repeat.1")
                                                                 : QStringLiteral("repeat");
}

bool NowPlayingBarViewModel::isLiked() const
{
    return m_song && m_library && m_library->isStarred(*m_song);
}

QString NowPlayingBarViewModel::likeSymbol() const
{
    return isLiked() ? QStringLiteral("heart.fill") : QStringLiteral("heart");
}

QString NowPlayingBarViewModel::likeText() const
{
    return isLiked() ? QStringLiteral("Unlike") : QStringLiteral("Like");
}

void NowPlayingBarViewModel::setShowQueue(bool show)
{
    if (m_showQueue == show)
        return;
    m_showQueue = show;
    Q_EMIT showQueueChanged();
}

std::optional<Album> NowPlayingBarViewModel::albumOf(const std::optional<Song> &song)
{
    if (!song || !song->albumId)
        return std::nullopt;
    Album album;
    album.id = *song->albumId;
    album.name = song->album.value_or(QString());
    album.artist = song->artist;
    album.artistId = song->artistId;
    album.coverArt = song->coverArt;
    return album;
}

std::optional<Artist> NowPlayingBarViewModel::artistOf(const std::optional<Song> &song)
{
    if (!song || !song->artist || !song->artistId)
        return std::nullopt;
    Artist artist;
    artist.id = *song->artistId;
    artist.name = *song->artist;
    return artist;
}

void NowPlayingBarViewModel::toggleShuffle()
{
    if (m_song && m_player)
        m_player->toggleShuffle();
}

void NowPlayingBarViewModel::previous()
{
    if (m_song && m_player)
        m_player->previous();
}

void NowPlayingBarViewModel::togglePlayPause()
{
    if (m_song && m_player)
        m_player->togglePlayPause();
}

void NowPlayingBarViewModel::next()
{
    if (m_song && m_player)
        m_player->next();
}

void NowPlayingBarViewModel::cycleRepeat()
{
    if (!m_song || !m_player)
        return;
    switch (m_player->repeatMode()) {
    case RepeatMode::Off:
        m_player->setRepeatMode(RepeatMode::All);
        break;
    case RepeatMode::All:
        m_player->setRepeatMode(RepeatMode::One);
        break;
    case RepeatMode::One:
        m_player->setRepeatMode(RepeatMode::Off);
        break;
    }
}

void NowPlayingBarViewModel::toggleLike()
{
    if (m_song && m_library)
        m_library->toggleStar(*m_song);
}

void NowPlayingBarViewModel::openTitle()
{
    switch (titleLink()) {
    case PlaylistLink:
        Q_EMIT openPlaylistRequested(m_player->source()->id);
        break;
    case AlbumLink:
        Q_EMIT openAlbumRequested(*albumOf(m_song));
        break;
    case NoLink:
        break;
    }
}

void NowPlayingBarViewModel::openArtist()
{
    if (const std::optional<Artist> artist = artistOf(m_song))
        Q_EMIT openArtistRequested(*artist);
}

void NowPlayingBarViewModel::openAlbum()
{
    if (const std::optional<Album> album = albumOf(m_song))
        Q_EMIT openAlbumRequested(*album);
}

void NowPlayingBarViewModel::refreshSong()
{
    const std::optional<Song> song = m_player ? m_player->currentSong() : std::nullopt;
    if (song == m_song)
        return;
    m_song = song;
    Q_EMIT songChanged();
    Q_EMIT likeChanged();
}
