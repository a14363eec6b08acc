#include "FeaturedCarouselViewModel.h"

#include <QCoroFuture>
#include <QtConcurrent/QtConcurrentRun>

#include "BackdropBlur.h"
#include "Library/LibraryStore.h"
#include "PageContext.h"
#include "Playback/PlayerController.h"
#include "Support/ArtworkStore.h"
#include "Support/PaletteExtractor.h"

FeaturedCarouselViewModel::FeaturedCarouselViewModel(
    PageContext *context, int advanceInterval, QObject *parent)
    : QObject(parent)
    , m_context(context)
    , m_albums(this)
{
    m_tick.setInterval(advanceInterval);
    m_tick.setTimerType(Qt::CoarseTimer);
    connect(&m_tick, &QTimer::timeout, this, &FeaturedCarouselViewModel::tick);
    if (context) {
        m_onScreen = context->isOnTop();
        connect(context, &PageContext::isOnTopChanged, this, &FeaturedCarouselViewModel::onScreenChanged);
    }
}

FeaturedCarouselViewModel::Display FeaturedCarouselViewModel::display() const
{
    if (currentAlbum())
        return Display::Card;
    return m_hasLoaded ? Display::Hidden : Display::Placeholder;
}

void FeaturedCarouselViewModel::activate()
{
    if (!m_context)
        return;
    LibraryStore *library = m_context->library();
    const int epoch = library ? library->epoch() : 0;
    m_load.activate(
        epoch, [this](KeyedLoad::Ticket ticket) { return load(std::move(ticket), m_context->client()); });
}

QCoro::Task<> FeaturedCarouselViewModel::load(KeyedLoad::Ticket ticket, SubsonicClient client)
{
    if (auto *self = ticket.owner<FeaturedCarouselViewModel>()) {
        // The old albums stay during a reload, back at the first one.
        self->setHasLoaded(false);
        self->setIndex(0);
    }
    QList<Album> albums;
    try {
        QList<Album> result = co_await client.albums(AlbumListType::Random, FeatureCount, 0, ticket.handle());
        albums = std::move(result);
    } catch (...) {
        // Any failure leaves the carousel empty: it then takes no room.
    }
    // A load a newer one replaced is dropped whole, its failure included:
    // the cancelled request would otherwise empty the newer albums.
    if (auto *self = ticket.owner<FeaturedCarouselViewModel>())
        self->finishLoad(std::move(albums));
}

void FeaturedCarouselViewModel::finishLoad(QList<Album> albums)
{
    const Display before = display();
    const int countBefore = count();
    m_albums.setRecords(std::move(albums));
    if (count() != countBefore)
        Q_EMIT albumsChanged();
    m_hasLoaded = true;
    takeCachedPalette();
    // The first card reports its accent even when it has no palette.
    if (!m_accentReported && currentAlbum())
        reportAccent();
    updateAdvance();
    if (display() != before)
        Q_EMIT displayChanged();
}

void FeaturedCarouselViewModel::setHasLoaded(bool loaded)
{
    if (m_hasLoaded == loaded)
        return;
    const Display before = display();
    m_hasLoaded = loaded;
    if (display() != before)
        Q_EMIT displayChanged();
}

void FeaturedCarouselViewModel::advance(int delta)
{
    const int n = count();
    if (n == 0)
        return;
    show(((m_index + delta) % n + n) % n);
}

void FeaturedCarouselViewModel::show(int index)
{
    setIndex(index);
}

void FeaturedCarouselViewModel::setIndex(int index)
{
    if (m_index == index)
        return;
    const QString coverBefore = currentAlbum() ? currentAlbum()->coverArt.value_or(QString()) : QString();
    const Display before = display();
    m_index = index;
    Q_EMIT indexChanged();
    if (display() != before)
        Q_EMIT displayChanged();
    const QString cover = currentAlbum() ? currentAlbum()->coverArt.value_or(QString()) : QString();
    if (cover != coverBefore)
        takeCachedPalette();
}

// The shown album's palette from the shared cache; the backdrop keeps the
// previous cover until the new one arrives.
void FeaturedCarouselViewModel::takeCachedPalette()
{
    const Album *album = currentAlbum();
    if (!album || !album->coverArt) {
        setPalette(std::nullopt);
        return;
    }
    setPalette(PaletteExtractor::cached(paletteKey(*album->coverArt)));
}

void FeaturedCarouselViewModel::coverImage(int row, const QImage &image)
{
    const Album *album = m_albums.recordAt(row);
    if (!album || row != m_index || image.isNull())
        return;
    blur(this, ++m_backdropGeneration, image);
    if (!album->coverArt)
        return;
    const QString key = paletteKey(*album->coverArt);
    std::optional<AlbumPalette> palette = PaletteExtractor::cached(key);
    if (!palette) {
        palette = PaletteExtractor::extract(image);
        if (palette)
            PaletteExtractor::store(*palette, key);
    }
    setPalette(palette);
}

QCoro::Task<> FeaturedCarouselViewModel::blur(
    QPointer<FeaturedCarouselViewModel> self, quint64 generation, QImage cover)
{
    QImage blurred = co_await QtConcurrent::run(&BackdropBlur::blurred, cover);
    // A later cover may have overtaken this one on the worker.
    if (!self || self->m_backdropGeneration != generation)
        co_return;
    self->m_backdrop = std::move(blurred);
    Q_EMIT self->backdropChanged();
}

void FeaturedCarouselViewModel::setPalette(const std::optional<AlbumPalette> &palette)
{
    if (palette == m_palette)
        return;
    m_palette = palette;
    Q_EMIT paletteChanged();
    reportAccent();
}

void FeaturedCarouselViewModel::reportAccent()
{
    m_accentReported = true;
    if (m_context)
        m_context->reportAccent(accent());
}

QColor FeaturedCarouselViewModel::accent() const
{
    return m_palette ? m_palette->accentColor() : QColor();
}

QColor FeaturedCarouselViewModel::playFill() const
{
    return m_palette ? m_palette->fillColor() : QColor(Qt::white);
}

QColor FeaturedCarouselViewModel::playLabel() const
{
    return m_palette ? m_palette->labelColor() : QColor(Qt::black);
}

double FeaturedCarouselViewModel::scrim() const
{
    return m_palette ? m_palette->scrimOpacity(0.8) : 0.38;
}

void FeaturedCarouselViewModel::setHovering(bool hovering)
{
    if (m_hovering == hovering)
        return;
    m_hovering = hovering;
    Q_EMIT hoveringChanged();
}

void FeaturedCarouselViewModel::setWindowShown(bool shown)
{
    if (m_windowShown == shown)
        return;
    m_windowShown = shown;
    Q_EMIT windowShownChanged();
    updateAdvance();
}

void FeaturedCarouselViewModel::onScreenChanged()
{
    const bool onScreen = m_context && m_context->isOnTop();
    if (onScreen == m_onScreen)
        return;
    m_onScreen = onScreen;
    updateAdvance();
    // Back on the home page: the card's accent is the window's again.
    if (m_onScreen)
        reportAccent();
}

// The advance restarts only when the album count or whether it is on screen
// changed; a page change by hand keeps the running count.
void FeaturedCarouselViewModel::updateAdvance()
{
    const std::pair<int, bool> key {count(), m_onScreen && m_windowShown};
    if (m_advanceKey == key)
        return;
    m_advanceKey = key;
    m_tick.stop();
    if (key.second && key.first >= 2)
        m_tick.start();
}

void FeaturedCarouselViewModel::tick()
{
    if (!m_hovering)
        advance(1);
}

void FeaturedCarouselViewModel::openAlbum(int row) const
{
    if (const Album *album = m_albums.recordAt(row); album && m_context)
        m_context->openAlbum(*album);
}

void FeaturedCarouselViewModel::openArtist(int row) const
{
    if (const Album *album = m_albums.recordAt(row); album && m_context)
        m_context->openArtistOf(*album);
}

void FeaturedCarouselViewModel::play(int row, bool shuffled) const
{
    if (const Album *album = m_albums.recordAt(row); album && m_context)
        m_context->playAlbum(*album, shuffled);
}

QString FeaturedCarouselViewModel::paletteKey(const QString &coverArt) const
{
    return m_context
        ? ArtworkStore::coverKey(m_context->client().coverArtURL(coverArt, std::nullopt), coverArt)
        : coverArt;
}
