#pragma once

#include <QColor>
#include <QCoroTask>
#include <QImage>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QtQml/qqmlregistration.h>

#include <optional>

#include "Albums/AlbumListModel.h"
#include "Networking/SubsonicClient.h"
#include "Support/AlbumPalette.h"
#include "UI/KeyedLoad.h"

class PageContext;

// The home page's featured carousel: up to five random albums asked of the
// server itself (not through the library), one card shown at a time. It
// advances every 8 s while it is on screen and holds two or more albums,
// skipping turns while the pointer is over the card; the arrows and dots
// page by hand. The shown card's cover gives the backdrop (blurred off the
// GUI thread) and the palette whose accent goes to the window.
class FeaturedCarouselViewModel : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Owned by the home page's view model.")

    Q_PROPERTY(AlbumListModel *albums READ albums CONSTANT)
    Q_PROPERTY(int count READ count NOTIFY albumsChanged)
    Q_PROPERTY(int index READ index NOTIFY indexChanged)
    Q_PROPERTY(Display display READ display NOTIFY displayChanged)
    Q_PROPERTY(bool hovering READ hovering WRITE setHovering NOTIFY hoveringChanged)
    // The window is shown and not minimised; the advance stops otherwise.
    Q_PROPERTY(bool windowShown READ windowShown WRITE setWindowShown NOTIFY windowShownChanged)
    Q_PROPERTY(bool hasPalette READ hasPalette NOTIFY paletteChanged)
    Q_PROPERTY(QColor accent READ accent NOTIFY paletteChanged)
    Q_PROPERTY(QColor playFill READ playFill NOTIFY paletteChanged)
    Q_PROPERTY(QColor playLabel READ playLabel NOTIFY paletteChanged)
    // Black over the backdrop that keeps the white text legible.
    Q_PROPERTY(double scrim READ scrim NOTIFY paletteChanged)
    Q_PROPERTY(QImage backdrop READ backdrop NOTIFY backdropChanged)

public:
    // Placeholder until the first load ends; the card while there is an
    // album to show; nothing (no height) after a load with no album.
    enum class Display { Placeholder, Card, Hidden };
    Q_ENUM(Display)

    static constexpr int FeatureCount = 5;
    static constexpr int AdvanceInterval = 8000;

    explicit FeaturedCarouselViewModel(
        PageContext *context, int advanceInterval = AdvanceInterval, QObject *parent = nullptr);

    AlbumListModel *albums() { return &m_albums; }
    int count() const { return m_albums.count(); }
    int index() const { return m_index; }
    Display display() const;
    const Album *currentAlbum() const { return m_albums.recordAt(m_index); }
    bool hovering() const { return m_hovering; }
    void setHovering(bool hovering);
    bool windowShown() const { return m_windowShown; }
    void setWindowShown(bool shown);
    bool hasPalette() const { return m_palette.has_value(); }
    QColor accent() const;
    QColor playFill() const;
    QColor playLabel() const;
    double scrim() const;
    QImage backdrop() const { return m_backdrop; }
    // Whether the advance is counting (for tests and the hidden window).
    bool isAdvancing() const { return m_tick.isActive(); }

    // Loads the albums for the library's epoch (again only when it changed).
    void activate();

    // Pages by `delta`, wrapping at both ends.
    Q_INVOKABLE void advance(int delta);
    Q_INVOKABLE void show(int index);
    Q_INVOKABLE void openAlbum(int row) const;
    Q_INVOKABLE void openArtist(int row) const;
    Q_INVOKABLE void play(int row, bool shuffled) const;
    // Each cover the card of `row` obtains.
    Q_INVOKABLE void coverImage(int row, const QImage &image);

Q_SIGNALS:
    void albumsChanged();
    void indexChanged();
    void displayChanged();
    void hoveringChanged();
    void windowShownChanged();
    void paletteChanged();
    void backdropChanged();

private:
    static QCoro::Task<> load(KeyedLoad::Ticket ticket, SubsonicClient client);
    static QCoro::Task<> blur(QPointer<FeaturedCarouselViewModel> self, quint64 generation, QImage cover);
    void finishLoad(QList<Album> albums);
    void setIndex(int index);
    void setHasLoaded(bool loaded);
    void takeCachedPalette();
    void setPalette(const std::optional<AlbumPalette> &palette);
    void reportAccent();
    void onScreenChanged();
    void updateAdvance();
    void tick();
    QString paletteKey(const QString &coverArt) const;

    QPointer<PageContext> m_context;
    AlbumListModel m_albums;
    KeyedLoad m_load {this};
    QTimer m_tick;
    int m_index = 0;
    bool m_hasLoaded = false;
    bool m_hovering = false;
    bool m_windowShown = true;
    bool m_onScreen = false;
    // The key the advance was last started for: (album count, on screen).
    std::optional<std::pair<int, bool>> m_advanceKey;
    std::optional<AlbumPalette> m_palette;
    bool m_accentReported = false;
    QImage m_backdrop;
    quint64 m_backdropGeneration = 0;
};
