#include "CoverImage.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QQuickWindow>

#include <cmath>

#include "Downloads/ArtworkFetcher.h"
#include "Support/ArtworkStore.h"
#include "Symbols.h"

namespace {

// A rectangle whose chosen corners are rounded.
QPainterPath roundedPath(const QRectF &rect, qreal radius, int corners)
{
    const qreal r = std::clamp(radius, 0.0, std::min(rect.width(), rect.height()) / 2);
    QPainterPath path;
    if (r <= 0) {
        path.addRect(rect);
        return path;
    }
    const qreal d = 2 * r;
    path.moveTo(rect.left() + ((corners & CoverImage::TopLeft) ? r : 0), rect.top());
    if (corners & CoverImage::TopRight)
        path.arcTo(rect.right() - d, rect.top(), d, d, 90, -90);
    else
        path.lineTo(rect.topRight());
    if (corners & CoverImage::BottomRight)
        path.arcTo(rect.right() - d, rect.bottom() - d, d, d, 0, -90);
    else
        path.lineTo(rect.bottomRight());
    if (corners & CoverImage::BottomLeft)
        path.arcTo(rect.left(), rect.bottom() - d, d, d, 270, -90);
    else
        path.lineTo(rect.bottomLeft());
    if (corners & CoverImage::TopLeft)
        path.arcTo(rect.left(), rect.top(), d, d, 180, -90);
    else
        path.lineTo(rect.topLeft());
    path.closeSubpath();
    return path;
}

constexpr qreal HairlineWidth = 0.5;

} // namespace

CoverImage::CoverImage(QQuickItem *parent)
    : QQuickPaintedItem(parent)
{
    setAntialiasing(true);
    setOpaquePainting(false);
    watchClient();
}

int CoverImage::pixelSize(qreal points)
{
    constexpr int Largest = ArtworkFetcher::PixelBuckets[std::size(ArtworkFetcher::PixelBuckets) - 1];
    const qreal doubled = points * 2;
    if (!(doubled > 0))
        return ArtworkFetcher::PixelBuckets[0];
    if (doubled >= Largest)
        return Largest;
    const int wanted = int(std::trunc(doubled));
    for (int bucket : ArtworkFetcher::PixelBuckets) {
        if (bucket >= wanted)
            return bucket;
    }
    return Largest;
}

void CoverImage::setCoverArt(const QString &coverArt)
{
    if (m_coverArt == coverArt)
        return;
    m_coverArt = coverArt;
    Q_EMIT coverArtChanged();
    reload(false);
}

void CoverImage::setRequestSize(qreal size)
{
    if (qFuzzyCompare(m_requestSize, size))
        return;
    m_requestSize = size;
    Q_EMIT requestSizeChanged();
    update(); // the placeholder's glyph follows the size
    reload(false);
}

void CoverImage::setCornerRadius(qreal radius)
{
    if (qFuzzyCompare(m_cornerRadius, radius))
        return;
    m_cornerRadius = radius;
    Q_EMIT cornerRadiusChanged();
    update();
}

void CoverImage::setRoundedCorners(int corners)
{
    if (m_roundedCorners == corners)
        return;
    m_roundedCorners = corners;
    Q_EMIT roundedCornersChanged();
    update();
}

void CoverImage::setClient(ArtworkClient *client)
{
    if (m_client == client)
        return;
    m_client = client;
    Q_EMIT clientChanged();
    watchClient();
    reload(true);
}

void CoverImage::setPlaceholderColor(const QColor &colour)
{
    if (m_placeholderColor == colour)
        return;
    m_placeholderColor = colour;
    Q_EMIT coloursChanged();
    update();
}

void CoverImage::setGlyphColor(const QColor &colour)
{
    if (m_glyphColor == colour)
        return;
    m_glyphColor = colour;
    Q_EMIT coloursChanged();
    update();
}

void CoverImage::setHairlineColor(const QColor &colour)
{
    if (m_hairlineColor == colour)
        return;
    m_hairlineColor = colour;
    Q_EMIT coloursChanged();
    update();
}

void CoverImage::componentComplete()
{
    QQuickPaintedItem::componentComplete();
    reload(true);
}

ArtworkClient *CoverImage::effectiveClient() const
{
    return m_client ? m_client.data() : ArtworkClient::current();
}

void CoverImage::watchClient()
{
    ArtworkClient *client = effectiveClient();
    if (m_watched == client)
        return;
    if (m_watched)
        disconnect(m_watched, nullptr, this, nullptr);
    m_watched = client;
    if (client)
        connect(client, &ArtworkClient::clientChanged, this, [this] { reload(true); });
}

void CoverImage::reload(bool force)
{
    // Properties set while QML builds the item arrive together; the load
    // starts once they are all in.
    if (!isComponentComplete())
        return;
    ArtworkClient *client = effectiveClient();
    const int size = pixelSize();
    const std::optional<QString> key
        = m_coverArt.isEmpty() || !client ? std::nullopt : client->cacheKey(m_coverArt, size);
    if (!force && key.value_or(QString()) == m_key)
        return;
    m_key = key.value_or(QString());
    const quint64 generation = ++m_generation;
    if (!key) {
        show(QImage());
        return;
    }
    const QImage cached = ArtworkStore::image(*key);
    if (!cached.isNull()) {
        show(cached);
        Q_EMIT image(cached);
        return;
    }
    show(QImage());
    client->queue()->enqueue(this, [this, generation] { return load(generation); });
}

QCoro::Task<void> CoverImage::load(quint64 generation)
{
    // Superseded while waiting in the queue: nothing to fetch.
    if (generation != m_generation)
        co_return;
    ArtworkClient *client = effectiveClient();
    if (!client)
        co_return;
    QPointer<CoverImage> self(this);
    QImage result = co_await client->image(m_coverArt, pixelSize());
    if (!self || self->m_generation != generation)
        co_return;
    self->show(result);
    if (!result.isNull())
        Q_EMIT self->image(result);
}

void CoverImage::show(const QImage &image)
{
    const bool had = hasImage();
    if (image.isNull() && !had)
        return;
    m_shown = image;
    m_scaled = QImage();
    update();
    if (had != hasImage())
        Q_EMIT hasImageChanged();
}

void CoverImage::paint(QPainter *painter)
{
    const qreal side = std::min(width(), height());
    if (side <= 0)
        return;
    const QRectF square((width() - side) / 2, (height() - side) / 2, side, side);
    const QPainterPath shape = roundedPath(square, m_cornerRadius, m_roundedCorners);
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setRenderHint(QPainter::SmoothPixmapTransform);

    if (!m_shown.isNull()) {
        // Scaled once per size in device pixels, so a large cover shrinks
        // smoothly instead of being sampled at every paint.
        const qreal ratio = window() ? window()->effectiveDevicePixelRatio() : 1.0;
        const QSize device = (square.size() * ratio).toSize().expandedTo(QSize(1, 1));
        const QSize filled = m_shown.size().scaled(device, Qt::KeepAspectRatioByExpanding);
        if (m_scaled.size() != filled) {
            m_scaled = m_shown.scaled(filled, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        }
        const QSizeF drawn = QSizeF(m_scaled.size()) / ratio;
        QBrush brush(m_scaled);
        brush.setTransform(QTransform::fromTranslate(
            square.center().x() - drawn.width() / 2, square.center().y() - drawn.height() / 2)
                               .scale(1 / ratio, 1 / ratio));
        painter->fillPath(shape, brush);
    } else {
        painter->fillPath(shape, m_placeholderColor);
        const QString glyph = Symbols::glyph(QStringLiteral("music.note"));
        const int glyphSize = int(std::round(m_requestSize * 0.3));
        if (glyphSize > 0 && m_glyphColor.alpha() > 0) {
            QFont font(QStringLiteral("Material Icons"));
            font.setPixelSize(glyphSize);
            painter->setFont(font);
            painter->setPen(m_glyphColor);
            painter->drawText(square, Qt::AlignCenter, glyph);
        }
    }

    if (m_hairlineColor.alpha() > 0) {
        const qreal inset = HairlineWidth / 2;
        QPen pen(m_hairlineColor, HairlineWidth, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
        pen.setMiterLimit(10);
        painter->setPen(pen);
        painter->setBrush(Qt::NoBrush);
        painter->drawPath(roundedPath(square.adjusted(inset, inset, -inset, -inset),
            std::max(0.0, m_cornerRadius - inset), m_roundedCorners));
    }
}
