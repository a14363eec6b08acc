#include "LibraryStore.h"

#include <QEventLoop>
#include <QTimer>

// MARK: - Playlist writes at the end of a run or of a sign-in

bool LibraryStore::hasPendingPlaylistWrites() const
{
    if (m_creating > 0)
        return true;
    for (const PlaylistWrites &writes : m_playlistWrites) {
        if (writes.finished < writes.issued)
            return true;
    }
    return false;
}

void LibraryStore::noteWritesIdle()
{
    if (hasPendingPlaylistWrites())
        return;
    // A burst of adds and removals reads the list of playlists once, after
    // its last write; the end of the run waits for writes, not for this.
    if (std::exchange(m_playlistsStale, false))
        reloadPlaylists();
    Q_EMIT playlistWritesSettled();
}

void LibraryStore::settlePlaylistWrites(const QList<LibraryStore *> &stores, int limitMs)
{
    QList<QPointer<LibraryStore>> live;
    for (LibraryStore *store : stores) {
        if (store)
            live.append(store);
    }
    // The pages send the orders they hold back first: those are writes too.
    for (const QPointer<LibraryStore> &store : std::as_const(live))
        Q_EMIT store->heldWritesWanted();
    const auto pending = [&live] {
        for (const QPointer<LibraryStore> &store : std::as_const(live)) {
            if (store && store->hasPendingPlaylistWrites())
                return true;
        }
        return false;
    };
    if (!pending())
        return;
    QEventLoop loop;
    QTimer::singleShot(limitMs, &loop, &QEventLoop::quit);
    for (const QPointer<LibraryStore> &store : std::as_const(live)) {
        connect(store.data(), &LibraryStore::playlistWritesSettled, &loop, [&loop, &pending] {
            if (!pending())
                loop.quit();
        });
        // A store that goes meanwhile is looked at once it is gone.
        connect(store.data(), &QObject::destroyed, &loop, [&loop, &pending] {
            QTimer::singleShot(0, &loop, [&loop, &pending] {
                if (!pending())
                    loop.quit();
            });
        });
    }
    loop.exec();
}

void LibraryStore::retire(int limitMs)
{
    cancelAll();
    Q_EMIT heldWritesWanted();
    if (!hasPendingPlaylistWrites()) {
        deleteLater();
        return;
    }
    // The writes go on under this store's client, the account they were
    // made for; nothing else of the store is read any more.
    connect(this, &LibraryStore::playlistWritesSettled, this, &QObject::deleteLater);
    QTimer::singleShot(limitMs, this, &QObject::deleteLater);
}
