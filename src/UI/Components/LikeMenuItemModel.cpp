#include "LikeMenuItemModel.h"

#include "Library/LibraryStore.h"

LikeMenuItemModel::LikeMenuItemModel(QObject *parent)
    : QObject(parent)
{ }

void LikeMenuItemModel::setLibrary(LibraryStore *library)
{
    if (m_library == library)
        return;
    disconnect(m_connection);
    m_library = library;
    if (library)
        m_connection = connect(library, &LibraryStore::starredIdsChanged, this, &LikeMenuItemModel::update);
    Q_EMIT libraryChanged();
    update();
}

void LikeMenuItemModel::setSong(const std::optional<Song> &song)
{
    m_song = song;
    update();
}

void LikeMenuItemModel::toggle()
{
    if (m_song && m_library)
        m_library->toggleStar(*m_song);
}

void LikeMenuItemModel::update()
{
    const QString next = m_song && m_library && m_library->isStarred(*m_song) ? QStringLiteral("Unlike")
                                                                              : QStringLiteral("Like");
    const bool available = m_song && m_library;
    if (next == m_text && available == m_available)
        return;
    m_text = next;
    m_available = available;
    Q_EMIT textChanged();
}
