#include "CoverImage.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QQuickWindow>
#include <QtConcurrent/QtConcurrentRun>

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
    connect(&m_scaling, &QFutureWatcher<QImage>::finished, this, [this] {
        if (m_rescale) {
            // The image or its size changed meanwhile: one more run, for now.
            m_rescale = false;
            m_scalingTo = QSize();
            scaleForDrawing();
            return;
        }
        const QImage scaled = m_scaling.result();
        // Only the answer for the image and size of now.
        if (scaled.size() != m_scalingTo || drawnPixels() != m_scalingTo)
            return;
        m_scalingTo = QSize();
        m_scaled = scaled;
        update();
    });
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

void CoverImage::geometryChange(const QRectF &newGeometry, const QRectF &oldGeometry)
{
    QQuickPaintedItem::geometryChange(newGeometry, oldGeometry);
    if (newGeometry.size() != oldGeometry.size())
        scaleForDrawing();
}

void CoverImage::itemChange(ItemChange change, const ItemChangeData &value)
{
    QQuickPaintedItem::itemChange(change, value);
    if (change == ItemDevicePixelRatioHasChanged || change == ItemSceneChange)
        scaleForDrawing();
}

// The cover's square in device pixels, filled edge to edge.
QSize CoverImage::drawnPixels() const
{
    const qreal side = std::min(width(), height());
    if (m_shown.isNull() || side <= 0)
        return {};
    const qreal ratio = window() ? window()->effectiveDevicePixelRatio() : 1.0;
    const QSize device = (QSizeF(side, side) * ratio).toSize().expandedTo(QSize(1, 1));
    return m_shown.size().scaled(device, Qt::KeepAspectRatioByExpanding);
}

void CoverImage::scaleForDrawing()
{
    const QSize target = drawnPixels();
    if (target.isEmpty() || m_scaled.size() == target || m_scalingTo == target)
        return;
    m_scaled = QImage();
    if (m_shown.size() == target) {
        m_scaled = m_shown;
        m_scalingTo = QSize();
        update();
        return;
    }
    // A large cover shrinks smoothly once, off this thread. While a run is on
    // its way a new image or size only asks for one more after it, so a
    // window being resized does not queue a run per cover and frame.
    m_scalingTo = target;
    if (m_scaling.isRunning()) {
        m_rescale = true;
        return;
    }
    m_scaling.setFuture(QtConcurrent::run([image = m_shown, target] {
        return image.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }));
}

void CoverImage::show(const QImage &image)
{
    const bool had = hasImage();
    if (image.isNull() && !had)
        return;
    m_shown = image;
    m_scaled = QImage();
    m_scalingTo = QSize();
    scaleForDrawing();
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
        // The worker's smooth copy at the drawn size when it is ready; until
        // then the shown image, sampled.
        const qreal ratio = window() ? window()->effectiveDevicePixelRatio() : 1.0;
        const QSize filled = drawnPixels();
        const QImage &source = m_scaled.size() == filled ? m_scaled : m_shown;
        const QSizeF drawn = QSizeF(filled) / ratio;
        QBrush brush(source);
        brush.setTransform(QTransform::fromTranslate(
            square.center().x() - drawn.width() / 2, square.center().y() - drawn.height() / 2)
                               .scale(drawn.width() / source.width(), drawn.height() / source.height()));
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
