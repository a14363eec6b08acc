#pragma once

#include <QColor>
#include <QHash>
#include <QObject>
#include <QString>
#include <QVariant>
#include <QtQml/qqmlregistration.h>

#include <optional>

#include "NavigationDestination.h"
#include "Networking/ServerConfig.h"
#include "PageRoute.h"
#include "SidebarSelection.h"

class SavedLocationFile;

// The main window's navigation state for one signed-in account: the sidebar
// selection (which root page the detail column shows), the pages pushed above
// it, the search text and the window accent with the accents of covered pages.
// It starts from the account's saved place and saves the place on every change
// of the selection or the path. The detail column's stack view mirrors it.
class NavigationModel : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Built by the main window's view model.")

    Q_PROPERTY(int depth READ depth NOTIFY pathChanged)
    Q_PROPERTY(QString searchText READ searchText WRITE setSearchText NOTIFY searchTextChanged)
    Q_PROPERTY(QColor windowAccent READ windowAccent NOTIFY windowAccentChanged)

public:
    // `file` is the saved place to start from and save to (the run's file
    // when null); it must outlive the model.
    explicit NavigationModel(
        const ServerConfig &config, SavedLocationFile *file = nullptr, QObject *parent = nullptr);

    // The account the place is saved for (another user on the same server
    // keeps the window and saves under its own key from then on).
    void setConfig(const ServerConfig &config) { m_config = config; }

    std::optional<SidebarSelection> selection() const { return m_selection; }
    // A change resets the path, the search text and the accents, then saves.
    void setSelection(const std::optional<SidebarSelection> &selection);

    const NavigationPath &path() const { return m_path; }
    void push(const NavigationDestination &destination);
    // Replaces the whole path (pushes, pops and replacements alike).
    void setPath(const NavigationPath &path);

    // The page at `level` of the stack: 0 is the root page of the selection,
    // n the n-th page pushed above it (up to depth()).
    PageRoute routeAt(int level) const;

    int depth() const { return int(m_path.size()); }
    QString searchText() const { return m_searchText; }
    void setSearchText(const QString &text);
    // Invalid: no accent.
    QColor windowAccent() const { return m_windowAccent; }
    QHash<int, QColor> coveredAccents() const { return m_coveredAccents; }

    // Pops to `depth` pages (the stack's back control, the sidebar double-click).
    Q_INVOKABLE void popTo(int depth);
    // Pushes the grid of a list type by its raw value ("newest" …); an unknown one pushes nothing.
    void pushAlbumGrid(const QString &listType, const QString &title);
    // Clears the search text and the path, then selects the playlist.
    Q_INVOKABLE void openPlaylist(const QString &id);
    // The open playlist was deleted from its own page.
    void selectHome() { setSelection(SidebarSelection::item(SidebarItem::Home)); }
    // The accent reported by the root page: taken only while nothing is pushed.
    void reportRootAccent(const QColor &color);
    // The accent reported by a pushed album or artist page: always taken.
    void reportPageAccent(const QColor &color);

Q_SIGNALS:
    void selectionChanged();
    // One page was pushed on top.
    void pushed();
    // Pages were popped; `depth` pages remain.
    void popped(int depth);
    // The path was replaced in another way; the stack is rebuilt from it.
    void pathReset();
    void pathChanged();
    void searchTextChanged();
    void windowAccentChanged();

private:
    void applyPath(NavigationPath path);
    void setWindowAccent(const QColor &color);
    void save();

    ServerConfig m_config;
    SavedLocationFile *m_file;
    std::optional<SidebarSelection> m_selection;
    NavigationPath m_path;
    QString m_searchText;
    QColor m_windowAccent;
    QHash<int, QColor> m_coveredAccents;
};
