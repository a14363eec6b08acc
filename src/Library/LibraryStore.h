#pragma once

#include <QCoroTask>
#include <QHash>
#include <QList>
#include <QLoggingCategory>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QVariant>

#include <coroutine>
#include <functional>
#include <memory>
#include <optional>
#include <type_traits>

#include "Library/AlbumListState.h"
#include "Library/ConnectionFault.h"
#include "Library/PlaylistWrites.h"
#include "Library/ServerReachability.h"
#include "Library/StoreFailure.h"
#include "Models/Album.h"
#include "Models/AlbumListType.h"
#include "Models/Artist.h"
#include "Models/ArtistDetail.h"
#include "Models/ArtistIndex.h"
#include "Models/Playlist.h"
#include "Models/PlaylistDetail.h"
#include "Models/Song.h"
#include "Networking/SubsonicClient.h"
#include "Support/TaskHandle.h"

Q_DECLARE_LOGGING_CATEGORY(lcLibrary)

// The GUI-thread cache of one signed-in account's library. Pages read its
// properties and call its loaders; every load runs as a queued coroutine with
// a cancellable handle, and a write notifies only when it changes something
// (the album-list table, the playlist detail cache and the epoch always
// notify).
class LibraryStore : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int epoch READ epoch NOTIFY epochChanged)
    Q_PROPERTY(QList<ArtistIndex> artistIndexes READ artistIndexes NOTIFY artistIndexesChanged)
    Q_PROPERTY(QList<Artist> allArtists READ allArtists NOTIFY allArtistsChanged)
    Q_PROPERTY(bool artistsLoaded READ artistsLoaded NOTIFY artistsLoadedChanged)
    Q_PROPERTY(QVariant artistsError READ artistsErrorValue NOTIFY artistsErrorChanged)
    Q_PROPERTY(QList<Song> songs READ songs NOTIFY songsChanged)
    Q_PROPERTY(bool songsLoaded READ songsLoaded NOTIFY songsLoadedChanged)
    Q_PROPERTY(QVariant songsError READ songsErrorValue NOTIFY songsErrorChanged)
    Q_PROPERTY(QList<Song> starredSongs READ starredSongs NOTIFY starredSongsChanged)
    Q_PROPERTY(bool starredLoaded READ starredLoaded NOTIFY starredLoadedChanged)
    Q_PROPERTY(QVariant starredError READ starredErrorValue NOTIFY starredErrorChanged)
    Q_PROPERTY(QList<Album> starredAlbums READ starredAlbums NOTIFY starredAlbumsChanged)
    Q_PROPERTY(QList<Playlist> playlists READ playlists NOTIFY playlistsChanged)
    Q_PROPERTY(bool playlistsLoaded READ playlistsLoaded NOTIFY playlistsLoadedChanged)
    Q_PROPERTY(QVariant playlistsError READ playlistsErrorValue NOTIFY playlistsErrorChanged)
    Q_PROPERTY(QList<Album> homeRandomAlbums READ homeRandomAlbums NOTIFY homeRandomAlbumsChanged)
    Q_PROPERTY(QVariant homeRandomError READ homeRandomErrorValue NOTIFY homeRandomErrorChanged)
    Q_PROPERTY(bool homeRandomLoading READ homeRandomLoading NOTIFY homeRandomTaskChanged)
    Q_PROPERTY(ServerReachability reachability READ reachability NOTIFY reachabilityChanged)
    Q_PROPERTY(QVariant lastFailure READ lastFailureValue WRITE setLastFailureValue NOTIFY lastFailureChanged)
    Q_PROPERTY(bool isRetrying READ isRetrying NOTIFY isRetryingChanged)
    Q_PROPERTY(int playlistRevision READ playlistRevision NOTIFY playlistRevisionChanged)
    Q_PROPERTY(bool hasCachedContent READ hasCachedContent NOTIFY hasCachedContentChanged)

public:
    static constexpr int AlbumPageSize = 60;
    static constexpr int HomeRandomSize = 20;
    static constexpr int SongPageSize = 500;
    static constexpr int SongLimit = 20'000;

    explicit LibraryStore(SubsonicClient client, QObject *parent = nullptr);
    ~LibraryStore() override;

    const SubsonicClient &client() const { return m_client; }

    int epoch() const { return m_epoch; }
    const QList<ArtistIndex> &artistIndexes() const { return m_artistIndexes; }
    const QList<Artist> &allArtists() const { return m_allArtists; }
    bool artistsLoaded() const { return m_artistsLoaded; }
    const std::optional<QString> &artistsError() const { return m_artistsError; }
    const QList<Song> &songs() const { return m_songs; }
    bool songsLoaded() const { return m_songsLoaded; }
    const std::optional<QString> &songsError() const { return m_songsError; }
    const QList<Song> &starredSongs() const { return m_starredSongs; }
    bool starredLoaded() const { return m_starredLoaded; }
    const std::optional<QString> &starredError() const { return m_starredError; }
    const QSet<QString> &starredIds() const { return m_starredIds; }
    const QList<Album> &starredAlbums() const { return m_starredAlbums; }
    const QSet<QString> &starredAlbumIds() const { return m_starredAlbumIds; }
    const QSet<QString> &starredArtistIds() const { return m_starredArtistIds; }
    const QList<Playlist> &playlists() const { return m_playlists; }
    bool playlistsLoaded() const { return m_playlistsLoaded; }
    const std::optional<QString> &playlistsError() const { return m_playlistsError; }
    const QList<Album> &homeRandomAlbums() const { return m_homeRandomAlbums; }
    const std::optional<QString> &homeRandomError() const { return m_homeRandomError; }
    bool homeRandomLoading() const { return !m_homeRandomTask.isNull(); }
    const ServerReachability &reachability() const { return m_reachability; }
    const std::optional<StoreFailure> &lastFailure() const { return m_lastFailure; }
    // The interface clears the failure to dismiss it.
    void setLastFailure(const std::optional<StoreFailure> &failure);
    bool isRetrying() const { return m_isRetrying; }
    int playlistRevision() const { return m_playlistRevision; }

    const QHash<QString, Album> &albumDetails() const { return m_albumDetails; }
    const QHash<QString, ArtistDetail> &artistDetails() const { return m_artistDetails; }
    const QHash<QString, PlaylistDetail> &playlistDetails() const { return m_playlistDetails; }

    // Whether anything of the library is cached (album lists, random albums,
    // artists, songs, liked songs and albums, playlists).
    bool hasCachedContent() const { return m_hasCachedContent; }

    // Whole collections: each call starts its load only when the collection is
    // neither loaded nor loading. A failed load counts as loaded until refresh().
    void ensureArtistsLoaded();
    void ensureSongsLoaded();
    void ensureStarredLoaded();
    void ensurePlaylistsLoaded();

    // Cancels every load, clears every cache (the playlist list stays shown)
    // and advances the epoch, so the pages load again.
    Q_INVOKABLE void refresh();

    // Cancels every running load without touching what is cached; used when
    // the store is about to be replaced.
    void cancelAll();

    // Album lists, paged 60 at a time, and the home page's rows.
    AlbumListState albumList(AlbumListType type) const;
    void loadMoreAlbums(AlbumListType type);
    AlbumListState homeRowState(AlbumListType type) const;
    void ensureHomeRow(AlbumListType type);

    // Detail look-ups: from the cache, or fetched and cached. Errors pass to
    // the caller unchanged; `handle` cancelled aborts the request.
    QCoro::Task<Album> albumDetail(QString id);
    QCoro::Task<ArtistDetail> artistDetail(QString id, TaskHandle handle = {});
    QCoro::Task<PlaylistDetail> playlistDetail(QString id);
    // Every song of an artist, album by album, newest album first; albums that
    // cannot be fetched are left out. `handle` cancelled meanwhile: the
    // artist's and the albums' requests are aborted and it throws
    // TransportError::cancelled().
    QCoro::Task<QList<Song>> artistDiscographySongs(QString id, TaskHandle handle = {});

    static QList<Album> discographyOrder(const QList<Album> &albums);
    static QList<Song> discographySongs(const QList<Album> &albums);

    // Likes change at once and are sent in the background; a failure puts the
    // item back to what the server last confirmed and records a retry.
    bool isStarred(const Song &song) const;
    bool isStarredAlbum(const Album &album) const;
    bool isStarredArtist(const QString &id) const;
    void toggleStar(const Song &song);
    void toggleStarAlbum(const Album &album);
    void toggleStarArtist(const QString &id);

    // Runs the last failure's retry, if it has one (the failure is cleared
    // first). Does nothing without a failure or a retry.
    QCoro::Task<> retryLastFailure();
    // Pings the server; on success clears the failure state and reloads the
    // library. One at a time.
    QCoro::Task<> retryConnection();

    // Playlist edits go to the server first and change local state only after
    // it accepted them; failures become the last failure. The writes to one
    // playlist (orders, additions, removals, renames, the delete) go to the
    // server one at a time, in the order they were asked for; a delete
    // cancels the order saves still waiting before it.
    QCoro::Task<std::optional<QString>> createPlaylist(QString name);
    QCoro::Task<> renamePlaylist(QString id, QString name);
    QCoro::Task<bool> deletePlaylist(QString id);
    QCoro::Task<> addSongs(QList<Song> songs, QString playlistId);
    QCoro::Task<> addAlbum(Album album, QString playlistId);
    // The albums' songs, album after album, each fully before the next. The
    // whole call counts as pending from the start, so that the end of the
    // run waits for the last album as well as the first.
    QCoro::Task<> addAlbums(QList<Album> albums, QString playlistId);
    // Removes the row at `index` of `songIds`, the list the user acted on.
    // The row is found again, by song and copy, in the list the server holds
    // right before the removal goes; one no longer there is not removed
    // again. `rows` names the rows of `songIds`, one identity for each, as
    // the page keeps them across its loads and drags: rows that earlier
    // removals of ours took are not the user's any more, whichever list
    // they were removed from. Empty: the rows are named by nothing.
    QCoro::Task<> removeSong(int index, QStringList songIds, QString playlistId, QList<quint64> rows = {});
    // A newer order waiting replaces an older one waiting (when no other write
    // of the playlist was asked for between them), and both callers get the
    // result of the save that carried the newer order. `rows` names the rows
    // of `songIds` as for removeSong: those that removals of ours took
    // before the order's turn are left out of it, so that another copy of
    // the same song keeps its place.
    QCoro::Task<bool> reorderPlaylist(QString id, QStringList songIds, QList<quint64> rows = {});

    // Where to redo a removal in a freshly fetched playlist: the same copy of
    // the removed song, counted from the start, or nothing.
    struct RemovalRetry
    {
        std::optional<int> position;

        static RemovalRetry nothing() { return {}; }
        static RemovalRetry at(int position) { return {position}; }
        friend bool operator==(const RemovalRetry &, const RemovalRetry &) = default;
    };
    static RemovalRetry removalRetryTarget(int index, const QStringList &before, const QStringList &current);

    // How long the end of the run waits for playlist writes on their way.
    static constexpr int SettleLimitMs = 4000;
    // Whether a playlist write was asked for and has not finished.
    bool hasPendingPlaylistWrites() const;
    // Asks the stores' pages to send the orders they hold back, then runs
    // the event loop until every playlist write has finished, or `limitMs`
    // passed. For the end of the run, once the window is gone.
    static void settlePlaylistWrites(const QList<LibraryStore *> &stores, int limitMs = SettleLimitMs);
    // For a store being replaced: asks its pages to send what they hold,
    // and deletes it once its playlist writes have finished (sent under its
    // own account), or after `limitMs`.
    void retire(int limitMs = SettleLimitMs);

Q_SIGNALS:
    void epochChanged();
    void albumListsChanged();
    void artistIndexesChanged();
    void allArtistsChanged();
    void artistsLoadedChanged();
    void artistsErrorChanged();
    void songsChanged();
    // A song page was appended at `first`; sent just before songsChanged so a
    // list model can insert the new rows without re-reading the old ones.
    void songsAppended(qsizetype first, qsizetype count);
    void songsLoadedChanged();
    void songsErrorChanged();
    void starredSongsChanged();
    void starredLoadedChanged();
    void starredErrorChanged();
    void starredIdsChanged();
    void starredAlbumsChanged();
    void starredAlbumIdsChanged();
    void starredArtistIdsChanged();
    void playlistsChanged();
    void playlistsLoadedChanged();
    void playlistsErrorChanged();
    void homeRandomAlbumsChanged();
    void homeRandomErrorChanged();
    void homeRandomTaskChanged();
    void reachabilityChanged();
    void lastFailureChanged();
    void isRetryingChanged();
    void playlistRevisionChanged();
    void albumDetailsChanged();
    void artistDetailsChanged();
    void playlistDetailsChanged();
    void hasCachedContentChanged();
    // Pages send the playlist orders they hold back (the pause before a
    // save) at once.
    void heldWritesWanted();
    // No playlist write is pending any more.
    void playlistWritesSettled();
    // An edit of the playlist that pages show before the server has it (an
    // add, a removal, an order save when no newer one is on its way)
    // failed: what the user sees is not what the server holds.
    void playlistEditRefused(const QString &playlistId);

private:
    enum class Collection { Artists, Songs, Starred, Playlists };

    // One whole-collection load: its handle, loaded flag and error text.
    TaskHandle &taskOf(Collection collection);
    void startCollectionLoad(Collection collection);
    // One request, then `apply` with its answer (unless the load was cancelled).
    template<typename T>
    QCoro::Task<> runCollectionLoad(Collection collection, QCoro::Task<T> request, TaskHandle handle,
        void (LibraryStore::*apply)(const T &));
    void applyArtists(const QList<ArtistIndex> &indexes);
    void applyStarred(const SearchResult &result);
    QCoro::Task<> runSongsLoad(TaskHandle handle);
    void finishCollectionTask(Collection collection, const TaskHandle &handle);
    void failCollection(Collection collection, const std::exception_ptr &error);
    void setCollectionLoaded(Collection collection, bool loaded);
    void setCollectionError(Collection collection, const std::optional<QString> &error);

    QCoro::Task<> runAlbumPage(AlbumListType type, TaskHandle handle);
    void ensureHomeRandomLoaded();
    QCoro::Task<> runHomeRandom(TaskHandle handle);

    // Notes what a failed load says about the server.
    void noteLoadFault(const std::exception_ptr &error);
    void markReachable();
    // Records a failed user action: reachability, the last failure, one log line.
    void note(const std::exception_ptr &error, const QString &action, StoreFailure::Retry retry = {});

    enum class LikeKind { Song, Album, Artist };
    struct LikeTarget
    {
        LikeKind kind = LikeKind::Song;
        QString id;
        Song song;
        Album album;
        QString key() const;
    };
    // The like changes of one item that have not all been answered, in the
    // order they were sent, and the state the item had before the first.
    struct LikeCall
    {
        quint64 ticket = 0;
        bool starred = false;
        enum class Answer { Pending, Accepted, Failed } answer = Answer::Pending;
    };
    struct LikeBurst
    {
        bool before = false;
        QList<LikeCall> calls;
    };
    static LikeTarget songTarget(const Song &song);
    static LikeTarget albumTarget(const Album &album);
    static LikeTarget artistTarget(const QString &id);
    bool likeState(const LikeTarget &target) const;
    void applyLike(const LikeTarget &target, bool starred);
    void apply(bool starred, const Song &song);
    void applyAlbum(bool starred, const Album &album);
    void applyArtist(bool starred, const QString &id);
    void changeLike(const LikeTarget &target, bool starred);
    QCoro::Task<> sendLike(LikeTarget target, bool starred, quint64 ticket);
    void settleLike(const LikeTarget &target, quint64 ticket, bool accepted);
    static QCoro::Task<> retryLike(QPointer<LibraryStore> store, LikeTarget target);
    // The liked items as the server's list tells, with each item whose like
    // changed after the list was asked for, or was still out then or is now,
    // as shown here.
    void keepLikesNewerThanList(QList<Song> &songs, QList<Album> &albums, QSet<QString> &artistIds) const;

    // The retry of a failed playlist edit: runs `operation` again with the
    // same arguments; it holds the store weakly and does nothing once the
    // store is gone.
    template<typename Result, typename... Params>
    StoreFailure::Retry retryOf(
        QCoro::Task<Result> (LibraryStore::*operation)(Params...), std::type_identity_t<Params>... arguments);
    template<typename Result, typename... Params>
    static QCoro::Task<> runRetry(QPointer<LibraryStore> store,
        QCoro::Task<Result> (LibraryStore::*operation)(Params...), std::type_identity_t<Params>... arguments);

    void dropPlaylistDetail(const QString &id);
    void storePlaylistDetail(const QString &id, const PlaylistDetail &detail);
    // Reloads the playlist list. A failure keeps the old list and records
    // nothing; it is handed back.
    struct Reload
    {
        std::exception_ptr error;
    };
    QCoro::Task<Reload> reloadPlaylists();
    static std::optional<QString> newPlaylistId(
        const QList<Playlist> &playlists, const QString &name, const QSet<QString> &before);
    // The add of `songs` once more, as far as the list lacks the copies it
    // had before the add (`before`) and those the add brought.
    QCoro::Task<> retryAdd(QList<Song> songs, QString playlistId, QStringList before);
    // The copies of `ids` that `current` lacks for `before` plus `ids`, in
    // the order of `ids`.
    static QStringList missingCopies(
        const QStringList &ids, const QStringList &before, const QStringList &current);
    // Whether a write failed without saying whether it reached the server
    // (the connection closed, or no answer came in time).
    static bool fateUnknown(const std::exception_ptr &error);
    // Sends a write; when its fate is unknown, `landed` reads the server and
    // the write is sent once more only when it did not land. The error of
    // the last try, or none.
    struct Settled
    {
        std::exception_ptr error;
    };
    using Write = std::function<QCoro::Task<>()>;
    using Check = std::function<QCoro::Task<bool>()>;
    QCoro::Task<Settled> sendSettled(Write send, Check landed);
    // Row `row` of the shown list `songIds`, whose rows are `rows`, without
    // the rows removals of ours took (and those in `assumed`, removals
    // still to come before): both are rewritten. False when the row was one
    // of them.
    bool followLandedRemovals(const QString &playlistId, const QList<quint64> &rows, int &row,
        QStringList &songIds, const QList<quint64> &assumed = {}) const;
    // The shown list `songIds` without the rows removals of ours took from it.
    QStringList withoutTakenRows(const QString &playlistId, const QList<quint64> &rows, QStringList songIds,
        const QList<quint64> &assumed = {}) const;
    void noteLandedRemoval(const QString &playlistId, const QList<quint64> &rows, int index);
    // `held`, the playlist as the server holds it, with the writes of ours
    // still on their way laid over it by the rules each follows in its turn:
    // the list the server will hold once they are done, as far as they
    // reach it.
    // The songs of the adds among them go to `added`.
    QStringList ownEditsOver(const QString &id, QStringList held, QList<Song> *added = nullptr) const;
    // One album of a drop, in the turn `ticket` taken for it.
    QCoro::Task<> addAlbumInTurn(Album album, QString playlistId, int ticket);
    // Once no playlist write is pending: the list of playlists is read
    // again when an edit asked for it, and the store tells it is settled.
    void noteWritesIdle();

    // The newest order of the playlist not yet answered: waiting, or on its
    // way.
    std::optional<QStringList> orderOnItsWay(const QString &id) const;
    static QStringList songIdsOf(const QList<Song> &songs);
    // `songs` in the order of `ids` (which names each copy once).
    static QList<Song> songsInOrder(const QList<Song> &songs, const QStringList &ids);
    int takePlaylistTicket(const QString &id);
    // False when the store went away while waiting.
    QCoro::Task<bool> awaitPlaylistTurn(QString id, int ticket);
    void finishPlaylistTurn(const QString &id);
    // Runs `send` with `arguments` in the playlist's next turn.
    template<typename... Params>
    QCoro::Task<> inPlaylistTurn(QString id, QCoro::Task<> (LibraryStore::*send)(Params...),
        std::type_identity_t<Params>... arguments);
    QCoro::Task<> sendRename(QString id, QString name);
    QCoro::Task<bool> sendDelete(QString id);
    // An add (a retry's: of the copies `before` lacks) in the playlist's next turn.
    QCoro::Task<> addInTurn(QList<Song> songs, QString playlistId, std::optional<QStringList> before);
    QCoro::Task<> sendAdd(
        QList<Song> songs, QString playlistId, std::optional<QStringList> before, int ticket);
    QCoro::Task<> sendRemove(
        int index, QStringList songIds, QString playlistId, QList<quint64> rows, int ticket);
    // The playlist's song ids as the server holds them now (a failed read
    // sets `error`). Read in the playlist's turn, right before its write;
    // `keep` stores the copy read.
    QCoro::Task<std::optional<QStringList>> serverSongIds(
        QString id, std::exception_ptr &error, bool keep = false);
    // `wanted` laid over `held`: every copy in `held` once; the places of
    // the copies the wanted order names take them in that order, and those
    // it does not name (songs the user never saw) keep their places.
    static QStringList orderOver(const QStringList &wanted, const QStringList &held);
    void wakeOrderWaiters();

    template<typename Container> static QSet<QString> idsOf(const Container &items)
    {
        QSet<QString> ids;
        ids.reserve(items.size());
        for (const auto &item : items)
            ids.insert(item.id);
        return ids;
    }

    void setEpoch(int epoch);
    void setAlbumList(AlbumListType type, const AlbumListState &state);
    void setArtistIndexes(const QList<ArtistIndex> &indexes);
    void setAllArtists(const QList<Artist> &artists);
    void setSongs(const QList<Song> &songs);
    void appendSongs(const QList<Song> &page);
    void setStarredSongs(const QList<Song> &songs);
    void setStarredIds(const QSet<QString> &ids);
    void setStarredAlbums(const QList<Album> &albums);
    void setStarredAlbumIds(const QSet<QString> &ids);
    void setStarredArtistIds(const QSet<QString> &ids);
    void setPlaylists(const QList<Playlist> &playlists);
    void setHomeRandomAlbums(const QList<Album> &albums);
    void setHomeRandomError(const std::optional<QString> &error);
    void setHomeRandomTask(const TaskHandle &handle);
    void setReachability(const ServerReachability &reachability);
    void setIsRetrying(bool retrying);
    void setPlaylistRevision(int revision);
    void updateHasCachedContent();

    QVariant artistsErrorValue() const;
    QVariant songsErrorValue() const;
    QVariant starredErrorValue() const;
    QVariant playlistsErrorValue() const;
    QVariant homeRandomErrorValue() const;
    QVariant lastFailureValue() const;
    void setLastFailureValue(const QVariant &value);

    // Stores `value` and notifies readers, only when it really changes;
    // tells whether it did.
    template<typename T> bool assign(T &field, const T &value, void (LibraryStore::*changed)())
    {
        if (field == value)
            return false;
        field = value;
        Q_EMIT(this->*changed)();
        return true;
    }

    // A detail look-up: the cached record, or the fetched one cached unless
    // refresh() emptied the caches meanwhile, or (with `drops`) an edit
    // dropped that record's cached copy.
    template<typename Record, typename Fetch>
    QCoro::Task<Record> detail(QHash<QString, Record> LibraryStore::*cache, void (LibraryStore::*changed)(),
        QString id, Fetch fetch, QHash<QString, int> LibraryStore::*drops = nullptr, TaskHandle handle = {});

    SubsonicClient m_client;
    int m_epoch = 0;
    QHash<AlbumListType, AlbumListState> m_albumLists;
    QList<Album> m_homeRandomAlbums;
    std::optional<QString> m_homeRandomError;
    bool m_homeRandomLoaded = false;
    TaskHandle m_homeRandomTask;
    QList<ArtistIndex> m_artistIndexes;
    QList<Artist> m_allArtists;
    bool m_artistsLoaded = false;
    std::optional<QString> m_artistsError;
    QList<Song> m_songs;
    bool m_songsLoaded = false;
    std::optional<QString> m_songsError;
    QList<Song> m_starredSongs;
    bool m_starredLoaded = false;
    std::optional<QString> m_starredError;
    QSet<QString> m_starredIds;
    QList<Album> m_starredAlbums;
    QSet<QString> m_starredAlbumIds;
    QSet<QString> m_starredArtistIds;
    QList<Playlist> m_playlists;
    bool m_playlistsLoaded = false;
    std::optional<QString> m_playlistsError;
    ServerReachability m_reachability;
    std::optional<StoreFailure> m_lastFailure;
    bool m_isRetrying = false;
    int m_playlistRevision = 0;
    QHash<QString, Album> m_albumDetails;
    QHash<QString, ArtistDetail> m_artistDetails;
    QHash<QString, PlaylistDetail> m_playlistDetails;
    // How often an edit dropped each playlist's cached copy: a load that
    // started before a drop may carry the playlist as it was before the edit.
    QHash<QString, int> m_playlistDrops;
    QHash<AlbumListType, TaskHandle> m_albumTasks;
    TaskHandle m_artistsTask;
    TaskHandle m_songsTask;
    TaskHandle m_starredTask;
    TaskHandle m_playlistsTask;
    bool m_hasCachedContent = false;
    QHash<QString, LikeBurst> m_likeBursts;
    // Every like change gets the next ticket. Each item's last change: its
    // ticket, its value, whether the server refused it, and the item.
    struct LikeWish
    {
        quint64 ticket = 0;
        bool starred = false;
        bool failed = false;
        LikeTarget target;
    };
    quint64 m_likeTickets = 0;
    QHash<QString, LikeWish> m_likeWishes;
    // The last ticket given before the liked list was asked for, and the
    // items with a change still out then: the server may have read the list
    // before taking that change, however early its answer comes back.
    quint64 m_likeTicketAtStarredRequest = 0;
    QSet<QString> m_likesOutAtStarredRequest;
    QHash<QString, PlaylistWrites> m_playlistWrites;
    // The rows that removals of this store took, by playlist and the rows'
    // identities: the latest few, for the lists pages still show them in.
    QHash<QString, QList<quint64>> m_takenRows;
    // An add or a removal landed since the list of playlists was last asked
    // for: it is read again once the writes are done, once for all of them.
    bool m_playlistsStale = false;
    // Playlists being created: writes too, for the end of the run.
    int m_creating = 0;
    // Reloads of the playlist list asked for, and the newest whose answer
    // was applied: an older answer arriving later is dropped.
    int m_playlistReloadsIssued = 0;
    int m_playlistReloadApplied = 0;
    std::shared_ptr<OrderWaiters> m_orderWaiters = std::make_shared<OrderWaiters>();
};
