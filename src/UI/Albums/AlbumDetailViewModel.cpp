#include "AlbumDetailViewModel.h"

#include "AlbumTrackListModel.h"
#include "Components/AddToPlaylistModel.h"
#include "Components/DownloadMenuModel.h"
#include "Components/LikeMenuItemModel.h"
#include "Downloads/DownloadStore.h"
#include "Library/ConnectionFault.h"
#include "Library/LibraryStore.h"
#include "PageContext.h"
#include "Playback/PlayerController.h"
#include "Support/ArtworkStore.h"
#include "Support/PaletteExtractor.h"

namespace {

QVariant colour(const std::optional<AlbumPalette> &palette, PaletteRGB AlbumPalette::*field)
{
    return palette ? QVariant((*palette.*field).toColor()) : QVariant();
}

} // namespace

AlbumDetailViewModel::AlbumDetailViewModel(PageContext *context, const Album &album)
    : QObject(context)
    , m_context(context)
    , m_album(album)
    , m_tracks(new AlbumTrackListModel(this))
    , m_downloadMenu(new DownloadMenuModel(this))
    , m_rowLike(new LikeMenuItemModel(this))
    , m_rowPlaylists(new AddToPlaylistModel(this))
{
    m_downloadMenu->setAlbum(m_album);
    useStores();
    connect(m_context, &PageContext::storesChanged, this, &AlbumDetailViewModel::useStores);
    m_palette = m_album.coverArt ? PaletteExtractor::cached(paletteKey()) : std::nullopt;

    if (LibraryStore *library = m_context->library())
        connect(library, &LibraryStore::starredAlbumIdsChanged, this, &AlbumDetailViewModel::likedChanged);
    if (PlayerController *player = m_context->player()) {
        connect(player, &PlayerController::isPlayingChanged, this, &AlbumDetailViewModel::isPlayingChanged);
        connect(
            player, &PlayerController::currentIndexChanged, this, &AlbumDetailViewModel::followCurrentSong);
        connect(player, &PlayerController::queueChanged, this, &AlbumDetailViewModel::followCurrentSong);
        followCurrentSong();
    }
    connect(m_context, &PageContext::isOnTopChanged, this, [this] {
        if (m_context->isOnTop())
            activate();
        else
            deactivate();
    });
    if (m_context->isOnTop())
        activate();
}

AlbumDetailViewModel::~AlbumDetailViewModel() = default;

QString AlbumDetailViewModel::metadataLine(const Album &album)
{
    QStringList parts;
    if (album.year)
        parts.append(QString::number(*album.year));
    if (album.duration && *album.duration > 0)
        parts.append(
            QString::number(*album.duration < 60 ? 1 : *album.duration / 60) + QStringLiteral(" min"));
    return parts.join(QStringLiteral(" \u2022 "));
}

QString AlbumDetailViewModel::metadataLine() const
{
    return metadataLine(m_loaded.value_or(m_album));
}

QList<Song> AlbumDetailViewModel::songs() const
{
    return m_loaded && m_loaded->song ? *m_loaded->song : QList<Song>();
}

QStringList AlbumDetailViewModel::songIds() const
{
    QStringList ids;
    for (const Song &song : songs())
        ids.append(song.id);
    return ids;
}

void AlbumDetailViewModel::useStores()
{
    m_downloadMenu->setDownloads(m_context->downloads());
    m_rowLike->setLibrary(m_context->library());
    m_rowPlaylists->setLibrary(m_context->library());
}

QString AlbumDetailViewModel::firstSection() const
{
    return m_tracks->firstSection();
}

bool AlbumDetailViewModel::liked() const
{
    return m_context->library() && m_context->library()->isStarredAlbum(m_album);
}

bool AlbumDetailViewModel::isPlaying() const
{
    return m_context->player() && m_context->player()->isPlaying();
}

QVariant AlbumDetailViewModel::accent() const
{
    return colour(m_palette, &AlbumPalette::accent);
}

QVariant AlbumDetailViewModel::tint() const
{
    return colour(m_palette, &AlbumPalette::tint);
}

QVariant AlbumDetailViewModel::fill() const
{
    return colour(m_palette, &AlbumPalette::fill);
}

QVariant AlbumDetailViewModel::fillLabel() const
{
    return colour(m_palette, &AlbumPalette::label);
}

int AlbumDetailViewModel::selectedRow() const
{
    return m_tracks->rowOf(m_tracks->selectedId());
}

QString AlbumDetailViewModel::paletteKey() const
{
    const QString id = m_album.coverArt.value_or(QString());
    return ArtworkStore::coverKey(m_context->client().coverArtURL(id, std::nullopt), id);
}

void AlbumDetailViewModel::activate()
{
    const bool started = m_load.activate(m_album.id, [this](KeyedLoad::Ticket ticket) {
        return load(std::move(ticket), m_context->library(), m_album.id);
    });
    if (!started)
        return;
    // The accent goes to the window each time the page is shown.
    reportAccent();
}

void AlbumDetailViewModel::deactivate()
{
    m_load.deactivate();
}

QCoro::Task<> AlbumDetailViewModel::load(KeyedLoad::Ticket ticket, QPointer<LibraryStore> library, QString id)
{
    if (auto *self = ticket.owner<AlbumDetailViewModel>()) {
        // Back to the loading state. A cached album answers before anything
        // is drawn, so its rows stay and keep their place in the list; any
        // other answer takes a while, and until it comes the spinner shows
        // alone, not over rows that could be selected but not played.
        self->m_loaded.reset();
        self->m_error.clear();
        if (!library || !library->albumDetails().contains(id))
            self->m_tracks->setSongs({});
        self->m_downloadMenu->setAlbum(self->m_album);
        self->setPalette(
            self->m_album.coverArt ? PaletteExtractor::cached(self->paletteKey()) : std::nullopt);
        Q_EMIT self->loadedChanged();
    }
    if (!library)
        co_return;
    library->ensureStarredLoaded();

    std::optional<Album> loaded;
    QString error;
    bool cancelled = false;
    try {
        Album album = co_await library->albumDetail(id);
        loaded = std::move(album);
    } catch (...) {
        const std::exception_ptr failure = std::current_exception();
        cancelled = ConnectionFault::isCancellation(failure);
        error = ConnectionFault::describe(failure);
    }
    auto *self = ticket.owner<AlbumDetailViewModel>();
    if (!self || cancelled)
        co_return;
    if (!loaded) {
        DownloadStore *downloads = self->m_context->downloads();
        loaded = downloads ? downloads->localAlbum(id) : std::nullopt;
    }
    self->finishLoad(std::move(loaded), error);
}

void AlbumDetailViewModel::finishLoad(std::optional<Album> loaded, const QString &error)
{
    m_loaded = std::move(loaded);
    m_error = m_loaded ? QString() : error;
    m_downloadMenu->setAlbum(m_loaded.value_or(m_album));
    m_tracks->setSongs(songs());
    Q_EMIT loadedChanged();
    Q_EMIT selectionChanged();
}

void AlbumDetailViewModel::setPalette(std::optional<AlbumPalette> palette)
{
    if (palette == m_palette)
        return;
    m_palette = palette;
    Q_EMIT paletteChanged();
    reportAccent();
}

void AlbumDetailViewModel::reportAccent()
{
    m_context->reportAccent(m_palette ? m_palette->accent.toColor() : QColor());
}

void AlbumDetailViewModel::coverImage(const QImage &image)
{
    if (m_palette || !m_album.coverArt)
        return;
    const QString key = paletteKey();
    if (const auto cached = PaletteExtractor::cached(key)) {
        setPalette(cached);
        return;
    }
    const auto extracted = PaletteExtractor::extract(image);
    if (extracted)
        PaletteExtractor::store(*extracted, key);
    setPalette(extracted);
}

void AlbumDetailViewModel::followCurrentSong()
{
    const auto current = m_context->player()->currentSong();
    m_tracks->setCurrentId(current ? current->id : QString());
}

void AlbumDetailViewModel::openArtist()
{
    if (artistLinked())
        m_context->openArtist(Artist {*m_album.artistId, *m_album.artist, std::nullopt, std::nullopt});
}

void AlbumDetailViewModel::play()
{
    if (!songs().isEmpty())
        m_context->player()->play(
            songs(), m_context->client(), 0, PlaybackSource::album(m_album.id, m_album.name));
}

void AlbumDetailViewModel::shuffle()
{
    if (!songs().isEmpty())
        m_context->player()->playShuffled(
            songs(), m_context->client(), PlaybackSource::album(m_album.id, m_album.name));
}

void AlbumDetailViewModel::playNext()
{
    if (!songs().isEmpty())
        m_context->player()->playNext(songs(), m_context->client());
}

void AlbumDetailViewModel::playLast()
{
    if (!songs().isEmpty())
        m_context->player()->playLast(songs(), m_context->client());
}

void AlbumDetailViewModel::toggleLike()
{
    if (LibraryStore *library = m_context->library())
        library->toggleStarAlbum(m_album);
}

const Song *AlbumDetailViewModel::songAt(int row) const
{
    return m_tracks->recordAt(row);
}

void AlbumDetailViewModel::selectRow(int row)
{
    if (const Song *song = songAt(row)) {
        m_tracks->setSelectedId(song->id);
        Q_EMIT selectionChanged();
    }
}

void AlbumDetailViewModel::playRow(int row)
{
    const Song *found = songAt(row);
    if (!found)
        return;
    const Song song = *found;
    selectRow(row);
    // The queue is the album in server order, which differs from the
    // display order when the server lists a later disc first.
    const QList<Song> all = songs();
    const qsizetype index = all.indexOf(song);
    if (index < 0)
        return;
    m_context->player()->play(
        all, m_context->client(), int(index), PlaybackSource::album(m_album.id, m_album.name));
}

void AlbumDetailViewModel::playSelected()
{
    const int row = selectedRow();
    if (row >= 0)
        playRow(row);
}

int AlbumDetailViewModel::moveSelection(int step)
{
    const int target = AlbumTrackListModel::moveTarget(m_tracks->rowCount(), selectedRow(), step);
    if (target >= 0)
        selectRow(target);
    return target;
}

void AlbumDetailViewModel::playRowNext(int row)
{
    if (const Song *song = songAt(row))
        m_context->player()->playNext({*song}, m_context->client());
}

void AlbumDetailViewModel::playRowLast(int row)
{
    if (const Song *song = songAt(row))
        m_context->player()->playLast({*song}, m_context->client());
}

void AlbumDetailViewModel::prepareRowMenu(int row)
{
    const Song *song = songAt(row);
    m_rowLike->setSong(song ? std::optional<Song>(*song) : std::nullopt);
    m_rowPlaylists->setSongs(song ? QList<Song> {*song} : QList<Song>());
}
