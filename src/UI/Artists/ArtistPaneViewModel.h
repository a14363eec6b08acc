#pragma once

#include <QCoroTask>
#include <QPointer>

#include <optional>

#include "Albums/AlbumCollectionViewModel.h"
#include "KeyedLoad.h"
#include "Models/Artist.h"
#include "Networking/SubsonicClient.h"
#include "Support/TaskHandle.h"

class LibraryStore;
class PlayerController;

// One artist: the name, the like state, the discography newest first as album
// tiles, and play / shuffle of every song of it. Shown as a pushed page and
// as the artists browser's right-hand pane, which hands it each selected
// artist in turn (the same pane, reloaded for the new id).
//
// The load is keyed by the artist id alone: it runs when the pane is shown
// or its artist changes and is cancelled when the pane is covered or the
// artist changes. Each load also cancels a discography still being put
// together, so the previous artist's songs never start.
class ArtistPaneViewModel : public AlbumCollectionViewModel
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Built by the page table or the artists browser.")

    Q_PROPERTY(QString artistId READ artistId NOTIFY artistChanged)
    Q_PROPERTY(QString name READ name NOTIFY artistChanged)
    Q_PROPERTY(QString playText READ playText NOTIFY artistChanged)
    Q_PROPERTY(QString shuffleText READ shuffleText NOTIFY artistChanged)
    Q_PROPERTY(bool liked READ liked NOTIFY likedChanged)
    Q_PROPERTY(QString likeText READ likeText NOTIFY likedChanged)
    Q_PROPERTY(AlbumCollectionViewModel::Overlay overlay READ overlay NOTIFY stateChanged)
    Q_PROPERTY(QString errorMessage READ errorMessage NOTIFY stateChanged)
    Q_PROPERTY(bool isAssembling READ isAssembling NOTIFY stateChanged)
    Q_PROPERTY(bool playEnabled READ playEnabled NOTIFY stateChanged)

public:
    // `isPage`: the pane is a pushed page of its own, shown while it is on top
    // of the stack, and tells the window each time that it has no accent. The
    // browser's pane (false) is shown and hidden by the browser.
    ArtistPaneViewModel(PageContext *context, const Artist &artist, bool isPage);

    QString title() const override { return m_artist.name; }
    const Artist &artist() const { return m_artist; }
    QString artistId() const { return m_artist.id; }
    QString name() const { return m_artist.name; }
    QString playText() const;
    QString shuffleText() const;
    bool liked() const;
    QString likeText() const;
    Overlay overlay() const;
    QString errorMessage() const { return m_error; }
    bool isAssembling() const { return m_assembling; }
    // The play buttons: albums are listed and no discography is being put
    // together.
    bool playEnabled() const { return m_albums && !m_albums->isEmpty() && !m_assembling; }
    // The albums shown, newest first; nothing while loading or after a failure.
    const std::optional<QList<Album>> &loadedAlbums() const { return m_albums; }

    // Shows another artist; a shown pane loads it at once.
    void setArtist(const Artist &artist);
    // The pane came on screen (load unless this artist is already loaded or
    // loading) or went off it (the load is cancelled and forgotten).
    Q_INVOKABLE void activate();
    Q_INVOKABLE void deactivate();

    // Every song of the discography, in order from the first or shuffled; a
    // press while the songs are still being gathered does nothing.
    Q_INVOKABLE void playDiscography(bool shuffled);
    Q_INVOKABLE void toggleArtistLike();

    // Gathers the artist's songs and hands them to the player with no source;
    // `guard` cancelled meanwhile (or an empty answer, or a failure): nothing
    // plays. The assembly outlives the page that started it.
    static QCoro::Task<bool> playArtist(QPointer<LibraryStore> library, QPointer<PlayerController> player,
        SubsonicClient client, QString artistId, bool shuffled, TaskHandle guard = {});

Q_SIGNALS:
    void artistChanged();
    void likedChanged();
    void stateChanged();

private:
    static QCoro::Task<> load(KeyedLoad::Ticket ticket, QPointer<LibraryStore> library, QString id);
    static QCoro::Task<> assemble(QPointer<ArtistPaneViewModel> pane, QPointer<LibraryStore> library,
        QPointer<PlayerController> player, SubsonicClient client, QString id, bool shuffled,
        TaskHandle guard);
    void startLoad();
    void finishLoad(const std::optional<QList<Album>> &albums, const QString &error);

    Artist m_artist;
    bool m_isPage;
    bool m_active = false;
    std::optional<QList<Album>> m_albums;
    QString m_error;
    bool m_assembling = false;
    TaskHandle m_assembly;
    KeyedLoad m_load {this};
};
