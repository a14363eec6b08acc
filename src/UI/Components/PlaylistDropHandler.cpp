#include "PlaylistDropHandler.h"

#include "DragPayload.h"
#include "Library/LibraryStore.h"

namespace {

QCoro::Task<> addAlbums(QPointer<PlaylistDropHandler> handler, QPointer<LibraryStore> library,
    QList<Album> albums, QString playlistId)
{
    // The store takes the whole drop at once: the albums still to come count
    // as pending while the first is on its way (a quit or a Log Out then
    // waits for all of them).
    if (library)
        co_await library->addAlbums(albums, playlistId);
    if (handler)
        Q_EMIT handler->dropHandled(playlistId);
}

} // namespace

PlaylistDropHandler::PlaylistDropHandler(QObject *parent)
    : QObject(parent)
{ }

void PlaylistDropHandler::setLibrary(LibraryStore *library)
{
    if (m_library == library)
        return;
    m_library = library;
    Q_EMIT libraryChanged();
}

bool PlaylistDropHandler::dropAlbums(const QString &playlistId, const QVariant &payload)
{
    const QByteArray bytes
        = payload.typeId() == QMetaType::QByteArray ? payload.toByteArray() : payload.toString().toUtf8();
    const std::optional<QList<Album>> albums = DragPayload::decodeAlbums(bytes);
    return albums && dropAlbums(playlistId, *albums);
}

bool PlaylistDropHandler::dropAlbums(const QString &playlistId, const QList<Album> &albums)
{
    if (albums.isEmpty() || playlistId.isEmpty() || !m_library)
        return false;
    addAlbums(this, m_library, albums, playlistId);
    return true;
}
