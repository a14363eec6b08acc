#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include <optional>

#include "Albums/AlbumCollectionViewModel.h"
#include "ArtistListModel.h"
#include "ArtistPaneViewModel.h"

class PageContext;

// The artists browser: every artist of the library in one flat list, the
// selected one's pane beside it. The selection is kept in the preferences
// ("artistsSelectedID") across launches, resolved again each time the list
// has loaded (an id no longer listed gives way to the first artist) and
// never left empty once an artist was selected: a cleared selection comes
// back.
class ArtistsViewModel : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Built by the page table.")

    Q_PROPERTY(ArtistListModel *artists READ artists CONSTANT)
    Q_PROPERTY(ArtistPaneViewModel *pane READ pane CONSTANT)
    Q_PROPERTY(int selectedRow READ selectedRow NOTIFY selectionChanged)
    // An artist of the list is selected (its pane shows), else the placeholder.
    Q_PROPERTY(bool hasSelection READ hasSelection NOTIFY selectionChanged)
    // The list's centred notice: None while it has artists.
    Q_PROPERTY(AlbumCollectionViewModel::Overlay overlay READ overlay NOTIFY stateChanged)
    Q_PROPERTY(QString errorMessage READ errorMessage NOTIFY stateChanged)

public:
    static const QString SelectionKey;

    explicit ArtistsViewModel(PageContext *context);

    // The stored id when some artist has exactly it, else the first artist's,
    // else nothing.
    static std::optional<QString> resolvedSelection(
        const std::optional<QString> &stored, const QList<Artist> &artists);

    ArtistListModel *artists() { return &m_artists; }
    ArtistPaneViewModel *pane() const { return m_pane; }
    std::optional<QString> selectedId() const { return m_selectedId; }
    int selectedRow() const;
    bool hasSelection() const { return selectedRow() >= 0; }
    AlbumCollectionViewModel::Overlay overlay() const;
    QString errorMessage() const;

    // The page came on screen (again): no accent, the list's load, the pane.
    Q_INVOKABLE void appear();
    // Something was pushed above the page: the pane's load stops.
    Q_INVOKABLE void disappear();
    Q_INVOKABLE void select(int row);
    // The user cleared the selection (the previous artist comes back).
    Q_INVOKABLE void clearSelection();
    // Moves the selection one row up (-1) or down (+1), clamped; the row to
    // scroll to, or -1 for an empty list.
    Q_INVOKABLE int moveSelection(int step);

    // The row's context menu.
    Q_INVOKABLE void play(int row, bool shuffled) const;
    Q_INVOKABLE bool isLiked(int row) const;
    Q_INVOKABLE void toggleLike(int row) const;

Q_SIGNALS:
    void selectionChanged();
    void stateChanged();

private:
    void setSelectedId(const std::optional<QString> &id);
    void artistsLoaded();
    void syncArtists();
    void updatePane();

    QPointer<PageContext> m_context;
    ArtistListModel m_artists;
    ArtistPaneViewModel *m_pane;
    std::optional<QString> m_selectedId;
    std::optional<QString> m_lastSelectedId;
    bool m_shown = false;
};
