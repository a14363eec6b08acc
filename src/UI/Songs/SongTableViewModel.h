#pragma once

#include <QLocale>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QtQml/qqmlregistration.h>
#include <functional>

#include "Components/AddToPlaylistModel.h"
#include "Networking/SubsonicClient.h"
#include "SongTableModel.h"

class LibraryStore;
class PlayerController;

// One song table page: every song of the library, or the liked songs. It
// keeps the table model in step with the store, decides the loading, failure
// and empty overlay, and carries out the header clicks, the row actions and
// the context menu over the menu's set of rows.
class SongTableViewModel : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Built by the page table.")
    Q_PROPERTY(SongTableModel *model READ model CONSTANT)
    Q_PROPERTY(bool liked READ liked CONSTANT)
    Q_PROPERTY(Overlay overlay READ overlay NOTIFY overlayChanged)
    Q_PROPERTY(QString overlayTitle READ overlayTitle NOTIFY overlayChanged)
    Q_PROPERTY(QString overlaySymbol READ overlaySymbol NOTIFY overlayChanged)
    Q_PROPERTY(QString overlayText READ overlayText NOTIFY overlayChanged)
    // The menu opened last: whether it has the one-song like item, and its text.
    Q_PROPERTY(bool menuHasLike READ menuHasLike NOTIFY menuChanged)
    Q_PROPERTY(QString menuLikeText READ menuLikeText NOTIFY menuChanged)
    // The menu's "Add to Playlist" items; they add the menu's songs.
    Q_PROPERTY(AddToPlaylistModel *menuPlaylists READ menuPlaylists CONSTANT)

public:
    enum class Kind { AllSongs, LikedSongs };
    enum Overlay { NoOverlay, Loading, Failed, Empty };
    Q_ENUM(Overlay)

    SongTableViewModel(Kind kind, LibraryStore *library, PlayerController *player,
        std::function<SubsonicClient()> client, const QLocale &locale, QObject *parent = nullptr);

    SongTableModel *model() const { return m_model; }
    bool liked() const { return m_kind == Kind::LikedSongs; }
    QString title() const;
    Overlay overlay() const;
    QString overlayTitle() const;
    QString overlaySymbol() const;
    QString overlayText() const;

    Q_INVOKABLE void headerClicked(int column);
    Q_INVOKABLE void rowClicked(int row, int modifiers);
    // Double click: the displayed list from that row.
    Q_INVOKABLE void activate(int row);
    // Return: the displayed list from the topmost selected row.
    Q_INVOKABLE void playSelection();
    // ↑/↓ (with Shift to extend): the row to bring into view, or -1.
    Q_INVOKABLE int moveSelection(int step, int modifiers);

    // The rows a right click acts on: the selection when it holds the
    // clicked row, else that row alone; nothing beside the rows (-1).
    QSet<QString> menuSet(int row) const;
    Q_INVOKABLE void prepareMenu(int row);
    bool menuHasLike() const;
    QString menuLikeText() const;
    AddToPlaylistModel *menuPlaylists() const { return m_menuPlaylists; }
    // The menu's songs in display order (also what "Add to Playlist" adds).
    QList<Song> menuSongs() const { return m_model->songsOf(m_menuIds); }
    Q_INVOKABLE void menuPlay() { play(m_menuIds); }
    Q_INVOKABLE void menuPlayNext();
    Q_INVOKABLE void menuPlayLast();
    Q_INVOKABLE void menuToggleLike();
    Q_INVOKABLE void menuUnlike();

    // The whole displayed list from the topmost shown row of `ids` (nothing
    // when none is shown).
    void play(const QSet<QString> &ids);

Q_SIGNALS:
    void overlayChanged();
    void menuChanged();

private:
    const QList<Song> &storeSongs() const;
    void startLoad();
    void storeSongsChanged();
    void updateCurrent();
    void playFrom(int row);

    Kind m_kind;
    QPointer<LibraryStore> m_library;
    QPointer<PlayerController> m_player;
    std::function<SubsonicClient()> m_client;
    SongTableModel *m_model = nullptr;
    AddToPlaylistModel *m_menuPlaylists = nullptr;
    QSet<QString> m_menuIds;
};
