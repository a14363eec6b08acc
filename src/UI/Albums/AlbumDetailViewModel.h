#pragma once

#include <QColor>
#include <QCoroTask>
#include <QImage>
#include <QObject>
#include <QPointer>
#include <QVariant>
#include <QtQml/qqmlregistration.h>

#include <optional>

#include "AlbumTrackListModel.h"
#include "Components/AddToPlaylistModel.h"
#include "Components/DownloadMenuModel.h"
#include "Components/LikeMenuItemModel.h"
#include "KeyedLoad.h"
#include "Models/Album.h"
#include "Support/AlbumPalette.h"

class DownloadStore;
class LibraryStore;
class PageContext;

// The page of one album: the album as the pushing page had it (header,
// like state, playback source), the full album fetched through the library
// store or, when that fails, the downloaded copy (metadata line, tracks),
// the cover's palette and the track list's selection.
//
// The load runs each time the page comes on top and is cancelled when
// something is pushed above it; a cached album answers at once.
class AlbumDetailViewModel : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Built by the page table.")

    Q_PROPERTY(QString albumId READ albumId CONSTANT)
    Q_PROPERTY(QString title READ title CONSTANT)
    Q_PROPERTY(QString artist READ artist CONSTANT)
    Q_PROPERTY(bool artistLinked READ artistLinked CONSTANT)
    Q_PROPERTY(QString coverArt READ coverArt CONSTANT)
    Q_PROPERTY(QString metadataLine READ metadataLine NOTIFY loadedChanged)
    Q_PROPERTY(bool loading READ loading NOTIFY loadedChanged)
    Q_PROPERTY(QString errorMessage READ errorMessage NOTIFY loadedChanged)
    Q_PROPERTY(bool actionsEnabled READ actionsEnabled NOTIFY loadedChanged)
    Q_PROPERTY(QString firstSection READ firstSection NOTIFY loadedChanged)
    Q_PROPERTY(bool liked READ liked NOTIFY likedChanged)
    Q_PROPERTY(bool isPlaying READ isPlaying NOTIFY isPlayingChanged)
    // Palette colours, or null without a palette.
    Q_PROPERTY(QVariant accent READ accent NOTIFY paletteChanged)
    Q_PROPERTY(QVariant tint READ tint NOTIFY paletteChanged)
    Q_PROPERTY(QVariant fill READ fill NOTIFY paletteChanged)
    Q_PROPERTY(QVariant fillLabel READ fillLabel NOTIFY paletteChanged)
    Q_PROPERTY(AlbumTrackListModel *tracks READ tracks CONSTANT)
    Q_PROPERTY(int selectedRow READ selectedRow NOTIFY selectionChanged)
    // The loaded songs' ids in server order, for the download badge.
    Q_PROPERTY(QStringList songIds READ songIds NOTIFY loadedChanged)
    // The header menu's download items, for the loaded album (else the
    // pushed one).
    Q_PROPERTY(DownloadMenuModel *downloadMenu READ downloadMenu CONSTANT)
    // The like and "Add to Playlist" items of the track row whose menu
    // opened last (prepareRowMenu).
    Q_PROPERTY(LikeMenuItemModel *rowLike READ rowLike CONSTANT)
    Q_PROPERTY(AddToPlaylistModel *rowPlaylists READ rowPlaylists CONSTANT)

public:
    AlbumDetailViewModel(PageContext *context, const Album &album);
    ~AlbumDetailViewModel() override;

    QString albumId() const { return m_album.id; }
    QString title() const { return m_album.name; }
    QString artist() const { return m_album.artist.value_or(QString()); }
    bool artistLinked() const { return m_album.artist && m_album.artistId; }
    QString coverArt() const { return m_album.coverArt.value_or(QString()); }
    QString metadataLine() const;
    bool loading() const { return !m_loaded && m_error.isEmpty(); }
    QString errorMessage() const { return m_error; }
    bool actionsEnabled() const { return !songs().isEmpty(); }
    QString firstSection() const;
    bool liked() const;
    bool isPlaying() const;
    QVariant accent() const;
    QVariant tint() const;
    QVariant fill() const;
    QVariant fillLabel() const;
    AlbumTrackListModel *tracks() const { return m_tracks; }
    int selectedRow() const;
    std::optional<AlbumPalette> palette() const { return m_palette; }
    // The loaded album's songs in server order (empty until loaded).
    QList<Song> songs() const;
    QStringList songIds() const;
    DownloadMenuModel *downloadMenu() const { return m_downloadMenu; }
    LikeMenuItemModel *rowLike() const { return m_rowLike; }
    AddToPlaylistModel *rowPlaylists() const { return m_rowPlaylists; }

    // "YEAR • N min" of `album`: either part alone, or empty.
    static QString metadataLine(const Album &album);

    // Starts the load when the page is shown; forgets it when it is left.
    void activate();
    void deactivate();

    // Header actions.
    Q_INVOKABLE void openArtist();
    Q_INVOKABLE void play();
    Q_INVOKABLE void shuffle();
    Q_INVOKABLE void playNext();
    Q_INVOKABLE void playLast();
    Q_INVOKABLE void toggleLike();
    // Each image the cover view obtains.
    Q_INVOKABLE void coverImage(const QImage &image);

    // Track list (rows in display order).
    Q_INVOKABLE void selectRow(int row);
    Q_INVOKABLE void playRow(int row);
    Q_INVOKABLE void playSelected();
    // Moves the selection one row up (-1) or down (+1); the row to scroll to,
    // or -1 when the list is empty.
    Q_INVOKABLE int moveSelection(int step);
    Q_INVOKABLE void playRowNext(int row);
    Q_INVOKABLE void playRowLast(int row);
    // Points the row menu's like and playlist items at the song of `row`.
    Q_INVOKABLE void prepareRowMenu(int row);

Q_SIGNALS:
    void loadedChanged();
    void likedChanged();
    void isPlayingChanged();
    void paletteChanged();
    void selectionChanged();

private:
    static QCoro::Task<> load(KeyedLoad::Ticket ticket, QPointer<LibraryStore> library, QString id);
    void finishLoad(std::optional<Album> loaded, const QString &error);
    void setPalette(std::optional<AlbumPalette> palette);
    void reportAccent();
    void followCurrentSong();
    void useStores();
    QString paletteKey() const;
    const Song *songAt(int row) const;

    PageContext *m_context;
    Album m_album;
    std::optional<Album> m_loaded;
    QString m_error;
    std::optional<AlbumPalette> m_palette;
    AlbumTrackListModel *m_tracks;
    DownloadMenuModel *m_downloadMenu;
    LikeMenuItemModel *m_rowLike;
    AddToPlaylistModel *m_rowPlaylists;
    KeyedLoad m_load {this};
};
