#pragma once

#include <QCoroTask>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QTimer>
#include <QtQml/qqmlregistration.h>

#include <optional>

#include "Components/AddToPlaylistModel.h"
#include "Components/LikeMenuItemModel.h"
#include "Models/PlaylistDetail.h"
#include "Models/Song.h"
#include "UI/KeyedLoad.h"
#include "UI/Playlists/PlaylistEntryListModel.h"

class LibraryStore;
class PageContext;

// The playlist page: the playlist loaded from the server (or its downloaded
// copy while the server cannot be reached), its rows with their selection,
// playback, rename, delete, removal and drag reordering.
//
// Order saves: a drag moves rows at once and saves the whole order a moment
// after the last move, or at once on the drop; the order sent is the one the
// user made, taken at the move, whatever loads meanwhile. Every other edit of
// the playlist made here sends a waiting order first (the store then runs
// the writes of one playlist one at a time, in order), and a delete drops it.
//
// Rows: each has an identity (uid), the name the store knows it by in the
// removals and orders asked for on it. The store hands out the list with
// the user's edits still on their way laid over it, and a load gives its
// rows the identities of the rows before it, by song and copy, less those
// the user's removals took; so whatever the user does on reloaded rows is
// told apart from what they did before the load.
class PlaylistDetailViewModel : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Built by the page table.")
    Q_PROPERTY(PlaylistEntryListModel *tracks READ tracks CONSTANT)
    Q_PROPERTY(QString playlistId READ playlistId CONSTANT)
    Q_PROPERTY(bool loaded READ loaded NOTIFY detailChanged)
    Q_PROPERTY(QString name READ name NOTIFY detailChanged)
    Q_PROPERTY(QString sourceName READ sourceName NOTIFY detailChanged)
    Q_PROPERTY(QString metadataLine READ metadataLine NOTIFY detailChanged)
    // The rows' songs and their ids in the order shown, for the header's
    // collage, the download badge and menu items; they follow a drag.
    Q_PROPERTY(QList<Song> songs READ songs NOTIFY songsChanged)
    // The leading songs that decide the collage.
    Q_PROPERTY(QList<Song> collageSongs READ collageSongs NOTIFY songsChanged)
    Q_PROPERTY(QStringList songIds READ songIds NOTIFY songsChanged)
    // The like and "Add to Playlist" items of the row whose menu opened last
    // (prepareRowMenu).
    Q_PROPERTY(LikeMenuItemModel *rowLike READ rowLike CONSTANT)
    Q_PROPERTY(AddToPlaylistModel *rowPlaylists READ rowPlaylists CONSTANT)
    Q_PROPERTY(QString errorMessage READ errorMessage NOTIFY errorMessageChanged)
    Q_PROPERTY(bool isLocalOrder READ isLocalOrder NOTIFY isLocalOrderChanged)
    Q_PROPERTY(int selectedRow READ selectedRow NOTIFY selectedRowChanged)

public:
    static constexpr int SaveDelayMs = 600;

    PlaylistDetailViewModel(PageContext *context, QString playlistId, QObject *parent = nullptr);
    ~PlaylistDetailViewModel() override;

    PlaylistEntryListModel *tracks() { return &m_tracks; }
    QString playlistId() const { return m_playlistId; }
    bool loaded() const { return m_detail.has_value(); }
    QString name() const { return m_detail ? m_detail->name : QString(); }
    QString sourceName() const;
    QString metadataLine() const;
    QList<Song> songs() const { return m_songs; }
    QList<Song> collageSongs() const { return m_collageSongs; }
    QStringList songIds() const { return m_songIds; }
    LikeMenuItemModel *rowLike() const { return m_rowLike; }
    AddToPlaylistModel *rowPlaylists() const { return m_rowPlaylists; }
    QString errorMessage() const { return m_errorMessage; }
    bool isLocalOrder() const { return m_isLocalOrder; }
    int selectedRow() const { return m_tracks.selectedRow(); }

    // The wait between the last move of a drag and its save.
    void setSaveDelay(int ms) { m_saveTimer.setInterval(ms); }

    Q_INVOKABLE void play();
    Q_INVOKABLE void playShuffled();
    Q_INVOKABLE void playNext();
    Q_INVOKABLE void playLast();

    Q_INVOKABLE void selectRow(int row);
    Q_INVOKABLE void moveSelection(int delta);
    Q_INVOKABLE void playSelected();
    Q_INVOKABLE void playRow(int row);
    Q_INVOKABLE void playRowNext(int row);
    Q_INVOKABLE void playRowLast(int row);
    Q_INVOKABLE void removeRow(int row);
    // Points the row menu at the entry of `row` as the menu opens. Its items
    // act on that entry wherever a reload has put it since, and on nothing
    // once it is gone.
    Q_INVOKABLE void prepareRowMenu(int row);
    Q_INVOKABLE void menuPlayNext();
    Q_INVOKABLE void menuPlayLast();
    Q_INVOKABLE void menuRemove();

    // Renames to `text` without the spaces and tabs around it; nothing for an
    // empty name.
    Q_INVOKABLE void rename(const QString &text);
    // Deletes the playlist on the server; the page then leaves for Home.
    Q_INVOKABLE void deletePlaylist();

    // Drag reordering, by row.
    Q_INVOKABLE void beginDrag(int row);
    Q_INVOKABLE void moveDraggedRow(int targetRow);
    Q_INVOKABLE void dropDragged();
    Q_INVOKABLE void endDrag();

    // Where the selection lands after the rows were rebuilt.
    static std::optional<int> resolvedSelection(std::optional<int> previousIndex,
        const std::optional<QString> &previousSongId, const QStringList &songIds);
    static QString metadataText(const std::optional<PlaylistDetail> &detail, int rows);

Q_SIGNALS:
    void detailChanged();
    void songsChanged();
    void errorMessageChanged();
    void isLocalOrderChanged();
    void selectedRowChanged();
    // Sent when the row at `row` should be scrolled into view.
    void revealRow(int row);

private:
    LibraryStore *library() const;
    void activate();
    void reload();
    static QCoro::Task<> load(KeyedLoad::Ticket ticket, QPointer<LibraryStore> library, QString id);
    void applyDetail(const PlaylistDetail &detail, bool localOrder);
    void applyEntries(const QList<Song> &songs, bool localOrder);
    void setErrorMessage(const QString &message);
    void scheduleSave();
    void persistOrder();
    // Sends a waiting order save now.
    void flushPendingOrder();
    void sendOrder();
    static QCoro::Task<> saveOrder(QPointer<PlaylistDetailViewModel> self, QPointer<LibraryStore> library,
        QString id, QStringList ids, QList<quint64> rows, int generation);
    // After a save, a list loaded while it waited shows the order from
    // before the drag: the server's list is loaded again.
    void reloadIfShownOrderStale(const QStringList &saved, int generation);
    static QCoro::Task<> runRename(
        QPointer<PlaylistDetailViewModel> self, QPointer<LibraryStore> library, QString id, QString name);
    static QCoro::Task<> runDelete(QPointer<PlaylistDetailViewModel> self, QPointer<PageContext> context,
        QPointer<LibraryStore> library, QString id);
    void removeEntry(quint64 uid);
    static QCoro::Task<> runRemove(QPointer<PlaylistDetailViewModel> self, QPointer<LibraryStore> library,
        quint64 uid, int row, QStringList ids, QString id, QList<quint64> rows);
    // The row the menu's entry is on now, or -1.
    int menuRow() const;
    // Takes the order on screen as the one to send.
    void takePendingOrder();
    // The rows on screen, by uid, top to bottom: the names the store knows
    // them by.
    QList<quint64> rowUids() const;
    // The rows of the last load, with those it left out while their
    // removal was on its way back in their places.
    QList<PlaylistEntry> rowsWithHidden() const;
    void updateCurrentSong();
    // The rows' songs changed (a load, a move): taken once for every reader.
    void takeSongs();

    QPointer<PageContext> m_context;
    // The store this page works with, kept apart from the context: an order
    // still waiting when the page goes (and its context with it) is sent.
    QPointer<LibraryStore> m_library;
    QString m_playlistId;
    PlaylistEntryListModel m_tracks;
    LikeMenuItemModel *m_rowLike;
    AddToPlaylistModel *m_rowPlaylists;
    KeyedLoad m_load {this};
    std::optional<PlaylistDetail> m_detail;
    QString m_errorMessage;
    bool m_isLocalOrder = false;
    int m_reloadToken = 0;
    quint64 m_draggingUid = 0;
    // The entry the row menu opened on last.
    quint64 m_menuUid = 0;
    // Rows whose removal was sent: a load that still has them (read before
    // the removal) hands their uids on only when nothing else fits. They
    // stay here, and may not be removed again, while the removal is on its
    // way (m_removingUids), whatever loads meanwhile.
    QSet<quint64> m_removedUids;
    QSet<quint64> m_removingUids;
    // Rows a load left out because their removal was on its way, with the
    // row above each: should the removal fail, the next load finds them
    // there again, by song and copy.
    struct HiddenRow
    {
        PlaylistEntry entry;
        quint64 after = 0;
    };
    QList<HiddenRow> m_hiddenRows;
    QTimer m_saveTimer;
    QList<Song> m_songs;
    QList<Song> m_collageSongs;
    QStringList m_songIds;
    // The order to send when the wait is over, taken when the move was made,
    // and its rows by uid.
    QStringList m_pendingOrder;
    QList<quint64> m_pendingUids;
    int m_saveGeneration = 0;
    QList<QMetaObject::Connection> m_storeConnections;
};
