#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include <optional>

#include "Models/Album.h"
#include "Models/Artist.h"
#include "Models/Song.h"

#include "AudioOutputButtonViewModel.h"
#include "BarFocus.h"
#include "ProgressStripViewModel.h"
#include "UpNextModel.h"
#include "VolumeControlViewModel.h"

class AudioOutputMonitor;
class AudioOutputSource;
class LibraryStore;
class PlayerController;

// The floating now-playing bar: what it shows of the current song (title,
// artist and album, each a link where it has somewhere to go), the transport
// and like buttons with their states and texts, and the parts it holds (the
// position strip, the volume control, Up Next and the output button).
//
// The bar navigates nowhere itself: its links ask for a page through the
// three request signals.
class NowPlayingBarViewModel : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Built by the main window.")

    Q_PROPERTY(BarFocus *focus READ focus CONSTANT)
    Q_PROPERTY(ProgressStripViewModel *progress READ progress CONSTANT)
    Q_PROPERTY(VolumeControlViewModel *volume READ volume CONSTANT)
    Q_PROPERTY(UpNextModel *upNext READ upNext CONSTANT)
    Q_PROPERTY(AudioOutputButtonViewModel *audioOutput READ audioOutput CONSTANT)

    // The song line.
    Q_PROPERTY(bool hasSong READ hasSong NOTIFY songChanged)
    Q_PROPERTY(QString notPlayingText READ notPlayingText CONSTANT)
    Q_PROPERTY(QString title READ title NOTIFY songChanged)
    Q_PROPERTY(Link titleLink READ titleLink NOTIFY songChanged)
    Q_PROPERTY(QString titleTooltip READ titleTooltip NOTIFY songChanged)
    Q_PROPERTY(bool hasArtist READ hasArtist NOTIFY songChanged)
    Q_PROPERTY(QString artistText READ artistText NOTIFY songChanged)
    Q_PROPERTY(bool artistIsLink READ artistIsLink NOTIFY songChanged)
    Q_PROPERTY(QString artistTooltip READ artistTooltip CONSTANT)
    Q_PROPERTY(bool showsSeparator READ showsSeparator NOTIFY songChanged)
    Q_PROPERTY(QString separator READ separator CONSTANT)
    Q_PROPERTY(bool hasAlbum READ hasAlbum NOTIFY songChanged)
    Q_PROPERTY(QString albumText READ albumText NOTIFY songChanged)
    Q_PROPERTY(bool albumIsLink READ albumIsLink NOTIFY songChanged)
    Q_PROPERTY(QString albumTooltip READ albumTooltip CONSTANT)
    Q_PROPERTY(QString coverArt READ coverArt NOTIFY songChanged)
    Q_PROPERTY(bool artworkIsLink READ artworkIsLink NOTIFY songChanged)
    Q_PROPERTY(QString artworkTooltip READ albumTooltip CONSTANT)
    Q_PROPERTY(QString artworkAccessibleName READ artworkAccessibleName CONSTANT)

    // The transport buttons: all enabled only with a song.
    Q_PROPERTY(bool controlsEnabled READ hasSong NOTIFY songChanged)
    Q_PROPERTY(bool isShuffling READ isShuffling NOTIFY shufflingChanged)
    Q_PROPERTY(QString shuffleText READ shuffleText CONSTANT)
    Q_PROPERTY(QString previousText READ previousText CONSTANT)
    Q_PROPERTY(bool isPlaying READ isPlaying NOTIFY playingChanged)
    Q_PROPERTY(QString playPauseSymbol READ playPauseSymbol NOTIFY playingChanged)
    Q_PROPERTY(QString playPauseText READ playPauseText NOTIFY playingChanged)
    Q_PROPERTY(QString nextText READ nextText CONSTANT)
    Q_PROPERTY(bool repeatOn READ repeatOn NOTIFY repeatChanged)
    Q_PROPERTY(QString repeatSymbol READ repeatSymbol NOTIFY repeatChanged)
    Q_PROPERTY(QString repeatText READ repeatText CONSTANT)

    // The trailing buttons.
    Q_PROPERTY(bool isLiked READ isLiked NOTIFY likeChanged)
    Q_PROPERTY(QString likeSymbol READ likeSymbol NOTIFY likeChanged)
    Q_PROPERTY(QString likeText READ likeText NOTIFY likeChanged)
    Q_PROPERTY(bool likeEnabled READ hasSong NOTIFY songChanged)
    Q_PROPERTY(bool showQueue READ showQueue WRITE setShowQueue NOTIFY showQueueChanged)
    Q_PROPERTY(QString upNextText READ upNextText CONSTANT)

public:
    // Where the title goes when clicked.
    enum Link { NoLink, AlbumLink, PlaylistLink };
    Q_ENUM(Link)

    // Takes `outputSource` over; without one the output button watches the
    // system's outputs through GStreamer.
    NowPlayingBarViewModel(PlayerController *player, LibraryStore *library,
        AudioOutputSource *outputSource = nullptr, QObject *parent = nullptr);

    // The store the like button reads and writes; replaced at a new sign-in.
    void setLibrary(LibraryStore *library);

    BarFocus *focus() const { return m_focus; }
    ProgressStripViewModel *progress() const { return m_progress; }
    VolumeControlViewModel *volume() const { return m_volume; }
    UpNextModel *upNext() const { return m_upNext; }
    AudioOutputButtonViewModel *audioOutput() const { return m_audioOutput; }

    bool hasSong() const { return m_song.has_value(); }
    QString notPlayingText() const { return QStringLiteral("Not Playing"); }
    QString title() const { return m_song ? m_song->title : QString(); }
    Link titleLink() const;
    QString titleTooltip() const;
    bool hasArtist() const { return m_song && m_song->artist; }
    QString artistText() const { return hasArtist() ? *m_song->artist : QString(); }
    bool artistIsLink() const { return artistOf(m_song).has_value(); }
    QString artistTooltip() const { return QStringLiteral("Go to Artist"); }
    bool showsSeparator() const { return hasArtist() && hasAlbum(); }
    QString separator() const { return QStringLiteral("\u2014"); }
    bool hasAlbum() const { return m_song && m_song->album; }
    QString albumText() const { return hasAlbum() ? *m_song->album : QString(); }
    bool albumIsLink() const { return hasAlbum() && albumOf(m_song).has_value(); }
    QString albumTooltip() const { return QStringLiteral("Go to Album"); }
    QString coverArt() const { return m_song ? m_song->coverArt.value_or(QString()) : QString(); }
    bool artworkIsLink() const { return albumOf(m_song).has_value(); }
    QString artworkAccessibleName() const { return QStringLiteral("Album Artwork"); }

    bool isShuffling() const;
    QString shuffleText() const { return QStringLiteral("Shuffle"); }
    QString previousText() const { return QStringLiteral("Previous"); }
    bool isPlaying() const;
    QString playPauseSymbol() const;
    QString playPauseText() const;
    QString nextText() const { return QStringLiteral("Next"); }
    bool repeatOn() const;
    QString repeatSymbol() const;
    QString repeatText() const { return QStringLiteral("Repeat"); }

    bool isLiked() const;
    QString likeSymbol() const;
    QString likeText() const;
    bool showQueue() const { return m_showQueue; }
    void setShowQueue(bool show);
    QString upNextText() const { return QStringLiteral("Up Next"); }

    // The album page a song opens: built from the song alone (the page loads
    // the rest); none without an album id.
    static std::optional<Album> albumOf(const std::optional<Song> &song);
    // The artist page a song opens; none without an artist and its id.
    static std::optional<Artist> artistOf(const std::optional<Song> &song);

    Q_INVOKABLE void toggleShuffle();
    Q_INVOKABLE void previous();
    Q_INVOKABLE void togglePlayPause();
    Q_INVOKABLE void next();
    // off -> all -> one -> off.
    Q_INVOKABLE void cycleRepeat();
    Q_INVOKABLE void toggleLike();
    Q_INVOKABLE void toggleQueue() { setShowQueue(!m_showQueue); }

    // The title link: the playlist the queue came from, else the song's album.
    Q_INVOKABLE void openTitle();
    Q_INVOKABLE void openArtist();
    // The album name in the subtitle, or the artwork.
    Q_INVOKABLE void openAlbum();

Q_SIGNALS:
    void openAlbumRequested(const Album &album);
    void openArtistRequested(const Artist &artist);
    void openPlaylistRequested(const QString &playlistId);

    void songChanged();
    void shufflingChanged();
    void playingChanged();
    void repeatChanged();
    void likeChanged();
    void showQueueChanged();

private:
    void refreshSong();

    QPointer<PlayerController> m_player;
    QPointer<LibraryStore> m_library;
    QMetaObject::Connection m_likesConnection;
    std::optional<Song> m_song;
    bool m_showQueue = false;

    BarFocus *m_focus = nullptr;
    ProgressStripViewModel *m_progress = nullptr;
    VolumeControlViewModel *m_volume = nullptr;
    UpNextModel *m_upNext = nullptr;
    AudioOutputMonitor *m_outputMonitor = nullptr;
    AudioOutputButtonViewModel *m_audioOutput = nullptr;
};
