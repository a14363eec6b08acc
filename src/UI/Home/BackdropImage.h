#pragma once

#include <QColor>
#include <QImage>
#include <QQuickPaintedItem>
#include <QtQml/qqmlregistration.h>

// Draws an image stretched to fill the item (aspect fill, centred), smoothly
// scaled, over a base colour, inside rounded corners: the featured card's
// small blurred backdrop.
class BackdropImage : public QQuickPaintedItem
{
    Q_OBJECT
    QML_ELEMENT

    Q_PROPERTY(QImage image READ image WRITE setImage NOTIFY imageChanged)
    Q_PROPERTY(bool hasImage READ hasImage NOTIFY imageChanged)
    // The rounded corners the image is clipped to, and the colour under it.
    Q_PROPERTY(qreal radius MEMBER m_radius NOTIFY shapeChanged)
    Q_PROPERTY(QColor baseColor MEMBER m_baseColor NOTIFY shapeChanged)

public:
    explicit BackdropImage(QQuickItem *parent = nullptr);

    QImage image() const { return m_image; }
    void setImage(const QImage &image);
    bool hasImage() const { return !m_image.isNull(); }

    void paint(QPainter *painter) override;

Q_SIGNALS:
    void imageChanged();
    void shapeChanged();

private:
    QImage m_image;
    qreal m_radius = 0;
    QColor m_baseColor;
};
