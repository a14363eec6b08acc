#pragma once

#include <QColor>
#include <QCoroTask>
#include <QFutureWatcher>
#include <QImage>
#include <QPointer>
#include <QQuickPaintedItem>
#include <QtQml/qqmlregistration.h>

#include "Components/ArtworkClient.h"

// One cover, drawn as a square with rounded corners: the image when there is
// one, otherwise the placeholder (a fill and a music note), then a hairline
// just inside the edge. A cover already decoded in memory at the requested
// size is drawn on the first frame; anything else is loaded through the
// client's queue and drawn when it arrives. A cover that cannot be had
// leaves the placeholder. The smooth scaling to the drawn size runs on a
// worker: painting (on the thread that draws the window) only samples.
//
// The client is `client` when set, otherwise ArtworkClient::current().
// Colours come from the caller (ArtworkView binds them to the theme).
class CoverImage : public QQuickPaintedItem
{
    Q_OBJECT
    QML_ELEMENT

    Q_PROPERTY(QString coverArt READ coverArt WRITE setCoverArt NOTIFY coverArtChanged)
    Q_PROPERTY(qreal requestSize READ requestSize WRITE setRequestSize NOTIFY requestSizeChanged)
    Q_PROPERTY(qreal cornerRadius READ cornerRadius WRITE setCornerRadius NOTIFY cornerRadiusChanged)
    Q_PROPERTY(int roundedCorners READ roundedCorners WRITE setRoundedCorners NOTIFY roundedCornersChanged)
    Q_PROPERTY(ArtworkClient *client READ client WRITE setClient NOTIFY clientChanged)
    Q_PROPERTY(
        QColor placeholderColor MEMBER m_placeholderColor WRITE setPlaceholderColor NOTIFY coloursChanged)
    Q_PROPERTY(QColor glyphColor MEMBER m_glyphColor WRITE setGlyphColor NOTIFY coloursChanged)
    Q_PROPERTY(QColor hairlineColor MEMBER m_hairlineColor WRITE setHairlineColor NOTIFY coloursChanged)
    Q_PROPERTY(int pixelSize READ pixelSize NOTIFY requestSizeChanged)
    Q_PROPERTY(bool hasImage READ hasImage NOTIFY hasImageChanged)

public:
    // The corners drawn rounded (`roundedCorners`, or-ed together).
    enum Corner { TopLeft = 1, TopRight = 2, BottomLeft = 4, BottomRight = 8, AllCorners = 15 };
    Q_ENUM(Corner)

    explicit CoverImage(QQuickItem *parent = nullptr);

    // The pixel size asked of the server for a cover shown at `points`: twice
    // the size, truncated, rounded up to 64, 128, 256, 512 or 1024.
    static int pixelSize(qreal points);

    QString coverArt() const { return m_coverArt; }
    void setCoverArt(const QString &coverArt);
    qreal requestSize() const { return m_requestSize; }
    void setRequestSize(qreal size);
    qreal cornerRadius() const { return m_cornerRadius; }
    void setCornerRadius(qreal radius);
    int roundedCorners() const { return m_roundedCorners; }
    void setRoundedCorners(int corners);
    ArtworkClient *client() const { return m_client; }
    void setClient(ArtworkClient *client);
    void setPlaceholderColor(const QColor &colour);
    void setGlyphColor(const QColor &colour);
    void setHairlineColor(const QColor &colour);

    int pixelSize() const { return pixelSize(m_requestSize); }
    bool hasImage() const { return !m_shown.isNull(); }
    QImage shownImage() const { return m_shown; }
    // The shown image at the size it is drawn at, in device pixels, once a
    // worker has scaled it (until then the painting samples the shown one).
    QImage drawnImage() const { return m_scaled; }

    void paint(QPainter *painter) override;

Q_SIGNALS:
    // Each image a load delivers, at most once per load (a new cover or size
    // starts a new load).
    void image(const QImage &cover);
    void coverArtChanged();
    void requestSizeChanged();
    void cornerRadiusChanged();
    void roundedCornersChanged();
    void clientChanged();
    void coloursChanged();
    void hasImageChanged();

protected:
    void componentComplete() override;
    void geometryChange(const QRectF &newGeometry, const QRectF &oldGeometry) override;
    void itemChange(ItemChange change, const ItemChangeData &value) override;

private:
    ArtworkClient *effectiveClient() const;
    void watchClient();
    void reload(bool force);
    void show(const QImage &image);
    QSize drawnPixels() const;
    void scaleForDrawing();
    QCoro::Task<void> load(quint64 generation);

    QString m_coverArt;
    qreal m_requestSize = 0;
    qreal m_cornerRadius = 0;
    int m_roundedCorners = AllCorners;
    QPointer<ArtworkClient> m_client;
    QPointer<ArtworkClient> m_watched;
    QColor m_placeholderColor = Qt::transparent;
    QColor m_glyphColor = Qt::transparent;
    QColor m_hairlineColor = Qt::transparent;

    QString m_key;
    quint64 m_generation = 0;
    QImage m_shown;
    QImage m_scaled; // m_shown at the drawn size in device pixels
    QFutureWatcher<QImage> m_scaling;
    QSize m_scalingTo;
    bool m_rescale = false;
};
