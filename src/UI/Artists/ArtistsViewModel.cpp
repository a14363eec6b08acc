#include "ArtistsViewModel.h"

#include <QSettings>

#include "Library/LibraryStore.h"
#include "PageContext.h"
#include "Playback/PlayerController.h"

const QString ArtistsViewModel::SelectionKey = QStringLiteral("artistsSelectedID");

namespace {

std::optional<QString> storedSelection()
{
    const QVariant value = QSettings().value(ArtistsViewModel::SelectionKey);
    return value.isValid() ? std::optional(value.toString()) : std::nullopt;
}

} // namespace

ArtistsViewModel::ArtistsViewModel(PageContext *context)
    : QObject(context)
    , m_context(context)
    , m_artists(this)
    , m_pane(new ArtistPaneViewModel(context, Artist(), false))
{
    m_pane->setParent(this);
    if (LibraryStore *library = context->library()) {
        connect(library, &LibraryStore::allArtistsChanged, this, &ArtistsViewModel::syncArtists);
        connect(library, &LibraryStore::artistsLoadedChanged, this, &ArtistsViewModel::artistsLoaded);
        connect(library, &LibraryStore::artistsErrorChanged, this, &ArtistsViewModel::stateChanged);
        connect(library, &LibraryStore::epochChanged, this, [this] {
            if (m_shown && m_context && m_context->library())
                m_context->library()->ensureArtistsLoaded();
        });
    }
    m_artists.setRecords(context->library() ? context->library()->allArtists() : QList<Artist>());
    // What the selection and the list hold when the page opens counts as
    // their first change.
    setSelectedId(storedSelection());
    artistsLoaded();
}

std::optional<QString> ArtistsViewModel::resolvedSelection(
    const std::optional<QString> &stored, const QList<Artist> &artists)
{
    if (stored) {
        for (const Artist &artist : artists) {
            if (artist.id == *stored)
                return stored;
        }
    }
    return artists.isEmpty() ? std::nullopt : std::optional(artists.first().id);
}

int ArtistsViewModel::selectedRow() const
{
    return m_selectedId ? m_artists.rowOf(*m_selectedId) : -1;
}

AlbumCollectionViewModel::Overlay ArtistsViewModel::overlay() const
{
    using Overlay = AlbumCollectionViewModel::Overlay;
    LibraryStore *library = m_context ? m_context->library() : nullptr;
    if (!library || !library->allArtists().isEmpty())
        return Overlay::None;
    if (!library->artistsLoaded())
        return Overlay::Loading;
    return library->artistsError() ? Overlay::Failed : Overlay::Empty;
}

QString ArtistsViewModel::errorMessage() const
{
    LibraryStore *library = m_context ? m_context->library() : nullptr;
    return library ? library->artistsError().value_or(QString()) : QString();
}

void ArtistsViewModel::appear()
{
    m_shown = true;
    if (!m_context)
        return;
    m_context->reportAccent(QColor());
    if (LibraryStore *library = m_context->library())
        library->ensureArtistsLoaded();
    updatePane();
}

void ArtistsViewModel::disappear()
{
    m_shown = false;
    m_pane->deactivate();
}

void ArtistsViewModel::select(int row)
{
    if (const Artist *artist = m_artists.recordAt(row))
        setSelectedId(artist->id);
}

void ArtistsViewModel::clearSelection()
{
    setSelectedId(std::nullopt);
}

int ArtistsViewModel::moveSelection(int step)
{
    const int count = m_artists.count();
    if (count == 0)
        return -1;
    const int current = selectedRow();
    const int row = current < 0 ? (step > 0 ? 0 : count - 1) : std::clamp(current + step, 0, count - 1);
    select(row);
    return row;
}

void ArtistsViewModel::play(int row, bool shuffled) const
{
    const Artist *artist = m_artists.recordAt(row);
    if (!artist || !m_context)
        return;
    // Each request stands alone: the last to get its songs sets the queue.
    ArtistPaneViewModel::playArtist(
        m_context->library(), m_context->player(), m_context->client(), artist->id, shuffled);
}

bool ArtistsViewModel::isLiked(int row) const
{
    const Artist *artist = m_artists.recordAt(row);
    return artist && m_context && m_context->library() && m_context->library()->isStarredArtist(artist->id);
}

void ArtistsViewModel::toggleLike(int row) const
{
    if (const Artist *artist = m_artists.recordAt(row); artist && m_context && m_context->library())
        m_context->library()->toggleStarArtist(artist->id);
}

void ArtistsViewModel::setSelectedId(const std::optional<QString> &id)
{
    m_selectedId = id;
    if (m_selectedId)
        m_lastSelectedId = m_selectedId;
    else
        m_selectedId = m_lastSelectedId;
    QSettings settings;
    if (m_selectedId)
        settings.setValue(SelectionKey, *m_selectedId);
    else
        settings.remove(SelectionKey);
    updatePane();
    Q_EMIT selectionChanged();
}

void ArtistsViewModel::artistsLoaded()
{
    // An empty list (a refresh under way) keeps the stored id for when the
    // artists are back.
    if (m_context && m_context->library() && !m_context->library()->allArtists().isEmpty())
        setSelectedId(resolvedSelection(m_selectedId, m_context->library()->allArtists()));
    Q_EMIT stateChanged();
}

void ArtistsViewModel::syncArtists()
{
    m_artists.setRecords(
        m_context && m_context->library() ? m_context->library()->allArtists() : QList<Artist>());
    updatePane();
    Q_EMIT selectionChanged();
    Q_EMIT stateChanged();
}

void ArtistsViewModel::updatePane()
{
    const Artist *artist = m_artists.recordAt(selectedRow());
    if (!artist) {
        m_pane->deactivate();
        return;
    }
    m_pane->setArtist(*artist);
    if (m_shown)
        m_pane->activate();
}
