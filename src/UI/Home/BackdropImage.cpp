#include "BackdropImage.h"

#include <QPainter>
#include <QPainterPath>

BackdropImage::BackdropImage(QQuickItem *parent)
    : QQuickPaintedItem(parent)
{
    setOpaquePainting(false);
    setAntialiasing(true);
    connect(this, &BackdropImage::shapeChanged, this, [this] { update(); });
}

void BackdropImage::setImage(const QImage &image)
{
    if (image.cacheKey() == m_image.cacheKey())
        return;
    m_image = image;
    Q_EMIT imageChanged();
    update();
}

void BackdropImage::paint(QPainter *painter)
{
    if (width() <= 0 || height() <= 0)
        return;
    painter->setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(0, 0, width(), height()), m_radius, m_radius);
    painter->fillPath(shape, m_baseColor);
    if (m_image.isNull())
        return;
    painter->setClipPath(shape);
    const QSizeF target = QSizeF(m_image.size()).scaled(size(), Qt::KeepAspectRatioByExpanding);
    const QRectF rect(
        (width() - target.width()) / 2, (height() - target.height()) / 2, target.width(), target.height());
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    painter->drawImage(rect, m_image);
}
