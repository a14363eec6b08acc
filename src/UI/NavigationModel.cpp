#include "NavigationModel.h"

#include "SavedLocationFile.h"

NavigationModel::NavigationModel(const ServerConfig &config, SavedLocationFile *file, QObject *parent)
    : QObject(parent)
    , m_config(config)
    , m_file(file ? file : &SavedLocationFile::shared())
    , m_selection(SidebarSelection::item(SidebarItem::Home))
{
    if (std::optional<SavedLocation> saved = m_file->restorable(m_config)) {
        m_selection = saved->selection;
        m_path = std::move(saved->path);
    }
}

void NavigationModel::setSelection(const std::optional<SidebarSelection> &selection)
{
    if (selection == m_selection)
        return;
    m_selection = selection;
    // A new root page starts clean: nothing pushed, no search, no accents.
    m_coveredAccents.clear();
    setSearchText(QString());
    if (!m_path.isEmpty()) {
        m_path.clear();
        Q_EMIT popped(0);
        Q_EMIT pathChanged();
    }
    setWindowAccent(QColor());
    Q_EMIT selectionChanged();
    save();
}

void NavigationModel::push(const NavigationDestination &destination)
{
    NavigationPath path = m_path;
    path.append(destination);
    applyPath(std::move(path));
}

void NavigationModel::setPath(const NavigationPath &path)
{
    applyPath(path);
}

void NavigationModel::applyPath(NavigationPath path)
{
    if (path == m_path)
        return;
    const int oldCount = depth();
    const int newCount = int(path.size());
    const bool isPush = newCount == oldCount + 1 && std::equal(m_path.cbegin(), m_path.cend(), path.cbegin());
    const bool isPop = newCount < oldCount && std::equal(path.cbegin(), path.cend(), m_path.cbegin());
    m_path = std::move(path);

    // The accent of a covered page comes back when the pages above it go.
    if (oldCount < newCount) {
        m_coveredAccents.removeIf([oldCount](const auto &entry) { return entry.key() >= oldCount; });
        if (m_windowAccent.isValid())
            m_coveredAccents.insert(oldCount, m_windowAccent);
        setWindowAccent(QColor());
    } else if (newCount < oldCount) {
        setWindowAccent(m_coveredAccents.value(newCount));
        m_coveredAccents.removeIf([newCount](const auto &entry) { return entry.key() >= newCount; });
    } else {
        m_coveredAccents.clear();
        setWindowAccent(QColor());
    }

    if (isPush)
        Q_EMIT pushed();
    else if (isPop)
        Q_EMIT popped(newCount);
    else
        Q_EMIT pathReset();
    Q_EMIT pathChanged();
    save();
}

PageRoute NavigationModel::routeAt(int level) const
{
    if (level <= 0 || level > depth())
        return PageRoute::forSelection(m_selection);
    return PageRoute::forDestination(m_path.at(level - 1));
}

void NavigationModel::setSearchText(const QString &text)
{
    if (text == m_searchText)
        return;
    m_searchText = text;
    Q_EMIT searchTextChanged();
}

void NavigationModel::popTo(int count)
{
    if (count < 0 || count >= depth())
        return;
    applyPath(m_path.first(count));
}

void NavigationModel::pushAlbumGrid(const QString &listType, const QString &title)
{
    const std::optional<AlbumListType> type = AlbumListTypes::fromRawValue(listType);
    if (!type)
        return;
    push(AlbumGridDestination {*type, title});
}

void NavigationModel::openPlaylist(const QString &id)
{
    setSearchText(QString());
    applyPath({});
    setSelection(SidebarSelection::playlist(id));
}

void NavigationModel::reportRootAccent(const QColor &color)
{
    if (!m_path.isEmpty())
        return;
    setWindowAccent(color);
}

void NavigationModel::reportPageAccent(const QColor &color)
{
    setWindowAccent(color);
}

void NavigationModel::setWindowAccent(const QColor &color)
{
    if (color == m_windowAccent)
        return;
    m_windowAccent = color;
    Q_EMIT windowAccentChanged();
}

void NavigationModel::save()
{
    m_file->save(m_selection, m_path, m_config);
}
