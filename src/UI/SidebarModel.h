#pragma once

#include <QList>
#include <QPointer>
#include <QtQml/qqmlregistration.h>

#include <optional>

#include "Components/RecordListModel.h"
#include "Models/Playlist.h"
#include "SidebarSelection.h"

class NavigationModel;

// The sidebar's rows, in order: the first group (Home … Downloads), the
// "Presets" header and its entries, the "Playlists" header (with its plus
// button) and one row per server playlist in the store's order. Activating a
// row selects it in the navigation model. The playlist rows follow the store
// in place: a renamed playlist changes its row, others stay untouched.
class SidebarModel : public RecordListModelBase
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Built by the main window's view model.")

public:
    enum Role {
        KindRole = Qt::UserRole + 1, // "item", "header" or "playlist"
        TitleRole,
        IconRole, // the symbol name
        SelectedRole,
        PlaylistIdRole,
        HeaderRole, // which header a header row is (Header)
    };
    enum Header { NoHeader, PresetsHeader, PlaylistsHeader };
    Q_ENUM(Header)

    explicit SidebarModel(NavigationModel *navigation, QObject *parent = nullptr);

    void setPlaylists(const QList<Playlist> &playlists);
    QList<Playlist> playlists() const { return m_playlists; }

    // The selection a row stands for; none for a header.
    std::optional<SidebarSelection> selectionAt(int row) const;
    // Selects the row's entry; headers do nothing.
    Q_INVOKABLE void activate(int row);
    // The playlist of a playlist row, as its id and name.
    Q_INVOKABLE QString playlistNameAt(int row) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;

private:
    struct Row
    {
        enum class Kind { Item, Header, Playlist } kind;
        SidebarItem item = SidebarItem::Home;
        Header header = NoHeader;
        int playlist = -1;
    };

    void rebuildFixedRows();
    Row rowAt(int row) const;
    int rowOf(const std::optional<SidebarSelection> &selection) const;
    void selectionChanged();

    QPointer<NavigationModel> m_navigation;
    QList<Row> m_fixedRows;
    QList<Playlist> m_playlists;
    std::optional<SidebarSelection> m_shownSelection; // the one whose row shows as selected
};
