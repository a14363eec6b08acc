#include "SongTableViewModel.h"

#include "Components/AddToPlaylistModel.h"
#include "Library/LibraryStore.h"
#include "Playback/PlayerController.h"

SongTableViewModel::SongTableViewModel(Kind kind, LibraryStore *library, PlayerController *player,
    std::function<SubsonicClient()> client, const QLocale &locale, QObject *parent)
    : QObject(parent)
    , m_kind(kind)
    , m_library(library)
    , m_player(player)
    , m_client(std::move(client))
    , m_model(new SongTableModel(locale, this))
    , m_menuPlaylists(new AddToPlaylistModel(this))
{
    m_menuPlaylists->setLibrary(m_library);
    // The full table starts by title; the liked table in the store's order.
    if (m_kind == Kind::AllSongs)
        m_model->setSortOrder({{SongColumn::Title, true}});
    if (m_library) {
        m_model->setSongs(storeSongs());
        connect(m_library, &LibraryStore::epochChanged, this, &SongTableViewModel::startLoad);
        if (m_kind == Kind::AllSongs) {
            connect(m_library, &LibraryStore::songsChanged, this, &SongTableViewModel::storeSongsChanged);
            connect(m_library, &LibraryStore::songsLoadedChanged, this, &SongTableViewModel::overlayChanged);
            connect(m_library, &LibraryStore::songsErrorChanged, this, &SongTableViewModel::overlayChanged);
        } else {
            connect(
                m_library, &LibraryStore::starredSongsChanged, this, &SongTableViewModel::storeSongsChanged);
            connect(
                m_library, &LibraryStore::starredLoadedChanged, this, &SongTableViewModel::overlayChanged);
            connect(m_library, &LibraryStore::starredErrorChanged, this, &SongTableViewModel::overlayChanged);
        }
        startLoad();
    }
    if (m_player) {
        connect(m_player, &PlayerController::currentIndexChanged, this, &SongTableViewModel::updateCurrent);
        connect(m_player, &PlayerController::queueChanged, this, &SongTableViewModel::updateCurrent);
        connect(m_player, &PlayerController::isPlayingChanged, this, &SongTableViewModel::updateCurrent);
        updateCurrent();
    }
}

const QList<Song> &SongTableViewModel::storeSongs() const
{
    return m_kind == Kind::AllSongs ? m_library->songs() : m_library->starredSongs();
}

void SongTableViewModel::startLoad()
{
    // Only starts the store's load; the store publishes what arrives.
    if (!m_library)
        return;
    if (m_kind == Kind::AllSongs)
        m_library->ensureSongsLoaded();
    else
        m_library->ensureStarredLoaded();
}

void SongTableViewModel::storeSongsChanged()
{
    const bool wasEmpty = m_model->rowCount() == 0;
    // The full table follows pages arriving and refreshes emptying it; a
    // change that keeps the number of songs leaves its rows alone. The liked
    // table follows every change (likes and unlikes anywhere in the window).
    if (m_kind == Kind::LikedSongs || storeSongs().size() != m_model->rowCount())
        m_model->setSongs(storeSongs());
    if (wasEmpty != (m_model->rowCount() == 0) || storeSongs().isEmpty())
        Q_EMIT overlayChanged();
}

void SongTableViewModel::updateCurrent()
{
    if (!m_player)
        return;
    const std::optional<Song> current = m_player->currentSong();
    m_model->setCurrent(current ? std::optional<QString>(current->id) : std::nullopt, m_player->isPlaying());
}

QString SongTableViewModel::title() const
{
    return m_kind == Kind::AllSongs ? tr("Songs") : tr("Liked Songs");
}

SongTableViewModel::Overlay SongTableViewModel::overlay() const
{
    if (!m_library || !storeSongs().isEmpty())
        return NoOverlay;
    const bool loaded = m_kind == Kind::AllSongs ? m_library->songsLoaded() : m_library->starredLoaded();
    if (!loaded)
        return Loading;
    const auto &error = m_kind == Kind::AllSongs ? m_library->songsError() : m_library->starredError();
    return error ? Failed : Empty;
}

QString SongTableViewModel::overlayTitle() const
{
    const bool all = m_kind == Kind::AllSongs;
    switch (overlay()) {
    case Failed:
        return all ? tr("Couldn’t Load Songs") : tr("Couldn’t Load Liked Songs");
    case Empty:
        return all ? tr("No Songs") : tr("No Liked Songs");
    default:
        return {};
    }
}

QString SongTableViewModel::overlaySymbol() const
{
    switch (overlay()) {
    case Failed:
        return QStringLiteral("exclamationmark.triangle");
    case Empty:
        return m_kind == Kind::AllSongs ? QStringLiteral("music.note.list") : QStringLiteral("heart");
    default:
        return {};
    }
}

QString SongTableViewModel::overlayText() const
{
    switch (overlay()) {
    case Failed: {
        const auto &error = m_kind == Kind::AllSongs ? m_library->songsError() : m_library->starredError();
        return error.value_or(QString());
    }
    case Empty:
        return m_kind == Kind::AllSongs
            ? tr("Your library doesn’t have any songs yet.")
            : tr("Like songs with the heart in the playback bar or a song’s context menu.");
    default:
        return {};
    }
}

void SongTableViewModel::headerClicked(int column)
{
    if (column < 0 || column > int(SongColumn::Time))
        return;
    m_model->setSortOrder(SongSort::clickColumn(m_model->sortOrder(), SongColumn(column)));
}

void SongTableViewModel::rowClicked(int row, int modifiers)
{
    m_model->click(row, modifiers);
}

void SongTableViewModel::playFrom(int row)
{
    if (!m_player || row < 0 || row >= m_model->rowCount())
        return;
    m_player->play(m_model->displayedSongs(), m_client ? m_client() : SubsonicClient(), row, std::nullopt);
}

void SongTableViewModel::activate(int row)
{
    playFrom(row);
}

void SongTableViewModel::playSelection()
{
    play(m_model->selection());
}

void SongTableViewModel::play(const QSet<QString> &ids)
{
    // The topmost row in display order, not whichever id a set yields first.
    playFrom(m_model->topmostRow(ids));
}

int SongTableViewModel::moveSelection(int step, int modifiers)
{
    return m_model->moveCursor(step, modifiers);
}

QSet<QString> SongTableViewModel::menuSet(int row) const
{
    const Song *song = m_model->songAt(row);
    if (!song)
        return {};
    if (m_model->selection().contains(song->id))
        return m_model->selection();
    return {song->id};
}

void SongTableViewModel::prepareMenu(int row)
{
    m_menuIds = menuSet(row);
    m_menuPlaylists->setSongs(menuSongs());
    Q_EMIT menuChanged();
}

bool SongTableViewModel::menuHasLike() const
{
    return m_kind == Kind::AllSongs && m_menuIds.size() == 1 && m_model->rowOf(*m_menuIds.cbegin()) >= 0;
}

QString SongTableViewModel::menuLikeText() const
{
    if (!menuHasLike() || !m_library)
        return {};
    const Song *song = m_model->songAt(m_model->rowOf(*m_menuIds.cbegin()));
    return m_library->isStarred(*song) ? tr("Unlike") : tr("Like");
}

void SongTableViewModel::menuPlayNext()
{
    if (m_player)
        m_player->playNext(menuSongs(), m_client ? m_client() : SubsonicClient());
}

void SongTableViewModel::menuPlayLast()
{
    if (m_player)
        m_player->playLast(menuSongs(), m_client ? m_client() : SubsonicClient());
}

void SongTableViewModel::menuToggleLike()
{
    if (!menuHasLike() || !m_library)
        return;
    m_library->toggleStar(*m_model->songAt(m_model->rowOf(*m_menuIds.cbegin())));
}

void SongTableViewModel::menuUnlike()
{
    if (m_kind != Kind::LikedSongs || !m_library)
        return;
    // Each unlike drops its row at once; the store sends the change itself.
    const QList<Song> songs = menuSongs();
    for (const Song &song : songs) {
        if (m_library->isStarred(song))
            m_library->toggleStar(song);
    }
    m_menuIds.clear();
    Q_EMIT menuChanged();
}
