#pragma once

#include <QColor>
#include <QObject>
#include <QPointer>
#include <QtQml/qqmlregistration.h>

#include "AlbumGridDestination.h"
#include "Components/ServerUnavailableTracker.h"
#include "Models/Album.h"
#include "Models/Artist.h"
#include "Networking/SubsonicClient.h"
#include "PageRoute.h"

class DownloadStore;
class LibraryStore;
class MainViewModel;
class NavigationModel;
class PlayerController;

// What every page of the detail column is given, besides its own view model:
// the signed-in account's stores and client, the playback engine, the space
// the floating playback bar keeps clear, and the navigation actions.
//
// The page contract:
// - A page is one QML file with exactly two inputs:
//       required property PageContext context
//       required property <ItsViewModel> viewModel
//   The view model is a C++ QObject (QML_ELEMENT, uncreatable) holding all of
//   the page's logic; the page only lays out, binds and forwards actions.
// - The page table (PageRegistry.cpp) maps each PageKind to the QML file and
//   to a factory `QObject *(PageContext *, const PageRoute &)` that builds the
//   view model from this context and the route's typed arguments. Adding a
//   page: a PageKind value (when it is a new kind), its QML file, its view
//   model, and its row in that table. Nothing else changes.
// - One context is built per page shown; it is the parent of the page's view
//   model and is itself owned by the page item, so both end with the page.
// - Records never reach QML: list data goes through list models' roles, and
//   an action comes back to the view model by row or id; the view model finds
//   the record and calls the context (e.g. openAlbum(album)).
class PageContext : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Built for each page by the main window.")

    Q_PROPERTY(LibraryStore *library READ library NOTIFY storesChanged)
    Q_PROPERTY(DownloadStore *downloads READ downloads NOTIFY storesChanged)
    Q_PROPERTY(PlayerController *player READ player CONSTANT)
    // Bottom space scrolling content leaves free for the floating playback bar.
    Q_PROPERTY(int bottomInset READ bottomInset CONSTANT)
    // Whether this page is the root page of the selection (not pushed).
    Q_PROPERTY(bool isRoot READ isRoot CONSTANT)
    // Whether this page is the one shown: nothing is pushed above it.
    Q_PROPERTY(bool isOnTop READ isOnTop NOTIFY isOnTopChanged)
    // The window's count of pages showing the full-page server notice; a
    // page's ServerUnavailableFallback reports to it.
    Q_PROPERTY(ServerUnavailableTracker *serverUnavailableTracker READ serverUnavailableTracker CONSTANT)

public:
    static constexpr int PlaybackBarClearance = 78;

    // The page at `level` of `window`'s stack (0: the root page).
    PageContext(MainViewModel *window, PageRoute route, int level, QObject *parent = nullptr);

    LibraryStore *library() const;
    DownloadStore *downloads() const;
    PlayerController *player() const;
    const SubsonicClient &client() const;
    int bottomInset() const { return PlaybackBarClearance; }
    bool isRoot() const { return m_level == 0; }
    bool isOnTop() const;
    ServerUnavailableTracker *serverUnavailableTracker() const;
    // What this page was opened with.
    const PageRoute &route() const { return m_route; }
    int level() const { return m_level; }

    // Navigation: push an album, an artist or an album grid above the shown page.
    void openAlbum(const Album &album);
    void openArtist(const Artist &artist);
    // The album's artist, when the album links to one (its artist known by id).
    void openArtistOf(const Album &album);
    void pushGrid(const AlbumGridDestination &destination);
    // Plays `album` from its first song.
    void playAlbum(const Album &album, bool shuffled);
    // Clears the search and the pushed pages, then selects the playlist.
    Q_INVOKABLE void openPlaylist(const QString &id);
    // The page's accent colour (invalid: none). A root page's accent is taken
    // only while nothing is pushed above it; a pushed page's always.
    Q_INVOKABLE void reportAccent(const QColor &color);
    // The playlist this page shows was deleted from it: Home is selected.
    Q_INVOKABLE void pageDeleted();

Q_SIGNALS:
    void storesChanged();
    void isOnTopChanged();

private:
    NavigationModel *navigation() const;

    QPointer<MainViewModel> m_window;
    PageRoute m_route;
    int m_level;
    bool m_onTop = false;
};
