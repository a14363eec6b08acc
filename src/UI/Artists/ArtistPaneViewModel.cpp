#include "ArtistPaneViewModel.h"

#include "Library/ConnectionFault.h"
#include "Library/LibraryStore.h"
#include "PageContext.h"
#include "Playback/PlayerController.h"

ArtistPaneViewModel::ArtistPaneViewModel(PageContext *context, const Artist &artist, bool isPage)
    : AlbumCollectionViewModel(context)
    , m_artist(artist)
    , m_isPage(isPage)
{
    if (LibraryStore *library = context->library())
        connect(library, &LibraryStore::starredArtistIdsChanged, this, &ArtistPaneViewModel::likedChanged);
    if (!m_isPage)
        return;
    connect(context, &PageContext::isOnTopChanged, this, [this, context] {
        if (context->isOnTop())
            activate();
        else
            deactivate();
    });
    if (context->isOnTop())
        activate();
}

QString ArtistPaneViewModel::playText() const
{
    return tr("Play ") + m_artist.name;
}

QString ArtistPaneViewModel::shuffleText() const
{
    return tr("Shuffle ") + m_artist.name;
}

bool ArtistPaneViewModel::liked() const
{
    LibraryStore *library = context() ? context()->library() : nullptr;
    return library && library->isStarredArtist(m_artist.id);
}

QString ArtistPaneViewModel::likeText() const
{
    return liked() ? tr("Unlike Artist") : tr("Like Artist");
}

AlbumCollectionViewModel::Overlay ArtistPaneViewModel::overlay() const
{
    if (m_albums)
        return m_albums->isEmpty() ? Overlay::Empty : Overlay::None;
    return m_error.isEmpty() ? Overlay::Loading : Overlay::Failed;
}

void ArtistPaneViewModel::setArtist(const Artist &artist)
{
    if (artist == m_artist)
        return;
    const bool sameId = artist.id == m_artist.id;
    m_artist = artist;
    Q_EMIT artistChanged();
    Q_EMIT likedChanged();
    if (!sameId)
        startLoad();
}

void ArtistPaneViewModel::activate()
{
    m_active = true;
    if (m_isPage && context())
        context()->reportAccent(QColor());
    startLoad();
}

void ArtistPaneViewModel::deactivate()
{
    m_active = false;
    m_load.deactivate();
}

void ArtistPaneViewModel::startLoad()
{
    if (!m_active || !context())
        return;
    QPointer<LibraryStore> library = context()->library();
    const QString id = m_artist.id;
    m_load.activate(
        id, [library, id](KeyedLoad::Ticket ticket) { return load(std::move(ticket), library, id); });
}

QCoro::Task<> ArtistPaneViewModel::load(KeyedLoad::Ticket ticket, QPointer<LibraryStore> library, QString id)
{
    if (auto *self = ticket.owner<ArtistPaneViewModel>()) {
        // A discography still being gathered belongs to what was shown
        // before: it must not start playing now.
        self->m_assembly.cancel();
        self->m_assembly = TaskHandle();
        self->finishLoad(std::nullopt, QString());
    }
    if (!library)
        co_return;
    // The like button needs the liked artists.
    library->ensureStarredLoaded();

    std::optional<QList<Album>> loaded;
    QString error;
    bool cancelled = false;
    try {
        const ArtistDetail detail = co_await library->artistDetail(id);
        loaded = LibraryStore::discographyOrder(detail.album.value_or(QList<Album>()));
    } catch (...) {
        const std::exception_ptr failure = std::current_exception();
        cancelled = ConnectionFault::isCancellation(failure);
        error = ConnectionFault::describe(failure);
    }
    auto *self = ticket.owner<ArtistPaneViewModel>();
    if (!self || cancelled)
        co_return;
    self->finishLoad(loaded, error);
}

void ArtistPaneViewModel::finishLoad(const std::optional<QList<Album>> &albums, const QString &error)
{
    m_albums = albums;
    m_error = albums ? QString() : error;
    m_assembling = false;
    this->albums()->setRecords(albums.value_or(QList<Album>()));
    Q_EMIT stateChanged();
}

void ArtistPaneViewModel::playDiscography(bool shuffled)
{
    if (m_assembling || !playEnabled() || !context())
        return;
    m_assembling = true;
    Q_EMIT stateChanged();
    m_assembly = TaskHandle::create();
    assemble(this, context()->library(), context()->player(), context()->client(), m_artist.id, shuffled,
        m_assembly);
}

QCoro::Task<> ArtistPaneViewModel::assemble(QPointer<ArtistPaneViewModel> pane,
    QPointer<LibraryStore> library, QPointer<PlayerController> player, SubsonicClient client, QString id,
    bool shuffled, TaskHandle guard)
{
    const bool played
        = co_await playArtist(library, player, std::move(client), std::move(id), shuffled, guard);
    Q_UNUSED(played)
    // A cancelled assembly leaves the flag to the load that cancelled it.
    if (guard.isCancelled() || !pane)
        co_return;
    pane->m_assembling = false;
    Q_EMIT pane->stateChanged();
}

QCoro::Task<bool> ArtistPaneViewModel::playArtist(QPointer<LibraryStore> library,
    QPointer<PlayerController> player, SubsonicClient client, QString artistId, bool shuffled,
    TaskHandle guard)
{
    if (!library || !player)
        co_return false;
    // Signing out cancels the load through the player.
    const TaskHandle load = player->beginLoad();
    QList<Song> songs;
    bool failed = false;
    try {
        QList<Song> answer = co_await library->artistDiscographySongs(artistId, load);
        songs = std::move(answer);
    } catch (...) {
        // Nothing to play; the pages show no message for it.
        failed = true;
    }
    if (player)
        player->endLoad(load);
    if (failed || load.isCancelled() || guard.isCancelled() || songs.isEmpty() || !player)
        co_return false;
    if (shuffled)
        player->playShuffled(songs, client, std::nullopt);
    else
        player->play(songs, client, 0, std::nullopt);
    co_return true;
}

void ArtistPaneViewModel::toggleArtistLike()
{
    if (LibraryStore *library = context() ? context()->library() : nullptr)
        library->toggleStarArtist(m_artist.id);
}
