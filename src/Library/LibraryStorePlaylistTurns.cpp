#include "LibraryStore.h"

#include <QCoreApplication>

#include <algorithm>

// MARK: - Turns of one playlist's writes, and its order saves

int LibraryStore::takePlaylistTicket(const QString &id)
{
    return ++m_playlistWrites[id].issued;
}

QCoro::Task<bool> LibraryStore::awaitPlaylistTurn(QString id, int ticket)
{
    QPointer<LibraryStore> self(this);
    const std::shared_ptr<OrderWaiters> waiters = m_orderWaiters;
    while (m_playlistWrites[id].finished < ticket - 1) {
        OrderSaveAwaiter turn;
        turn.waiters = waiters;
        co_await turn;
        if (!self)
            co_return false;
    }
    co_return true;
}

void LibraryStore::finishPlaylistTurn(const QString &id)
{
    ++m_playlistWrites[id].finished;
    wakeOrderWaiters();
    if (!hasPendingPlaylistWrites())
        Q_EMIT playlistWritesSettled();
}

std::optional<QStringList> LibraryStore::orderOnItsWay(const QString &id) const
{
    const auto it = m_playlistWrites.constFind(id);
    if (it == m_playlistWrites.constEnd())
        return std::nullopt;
    if (!it->waitingOrders.isEmpty()) {
        const QList<int> tickets = it->waitingOrders.keys();
        return it->waitingOrders.value(*std::max_element(tickets.begin(), tickets.end()));
    }
    return it->sendingOrder;
}

void LibraryStore::forgetServerList(const QString &id)
{
    m_playlistWrites[id].lastTold.reset();
    dropPlaylistDetail(id);
}

QStringList LibraryStore::songIdsOf(const QList<Song> &songs)
{
    QStringList ids;
    ids.reserve(songs.size());
    for (const Song &song : songs)
        ids.append(song.id);
    return ids;
}

QList<Song> LibraryStore::songsInOrder(const QList<Song> &songs, const QStringList &ids)
{
    QHash<QString, QList<Song>> copies;
    for (const Song &song : songs)
        copies[song.id].append(song);
    QList<Song> ordered;
    ordered.reserve(ids.size());
    for (const QString &id : ids) {
        QList<Song> &left = copies[id];
        if (!left.isEmpty())
            ordered.append(left.takeFirst());
    }
    return ordered;
}

void LibraryStore::wakeOrderWaiters()
{
    QCoreApplication *app = QCoreApplication::instance();
    if (!app)
        return;
    const QList<std::coroutine_handle<>> handles = std::exchange(m_orderWaiters->handles, {});
    // Resumed from the event loop, never inside the caller: a waiter may start
    // the next save, and the store may be on its way out.
    for (std::coroutine_handle<> handle : handles)
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [handle] { handle.resume(); }, Qt::QueuedConnection);
}

QCoro::Task<bool> LibraryStore::reorderPlaylist(QString id, QStringList songIds)
{
    QPointer<LibraryStore> self(this);
    const std::shared_ptr<OrderWaiters> waiters = m_orderWaiters;
    int ticket = 0;
    {
        PlaylistWrites &writes = m_playlistWrites[id];
        // Joins the order save that waits last in line; any other write asked
        // for since keeps this order behind it.
        if (!writes.waitingOrders.contains(writes.issued))
            ++writes.issued;
        ticket = writes.issued;
        writes.waitingOrders.insert(ticket, songIds);
    }
    // Waits for its turn; another caller of the same ticket may have started
    // the save, and then this one waits for its answer.
    while (true) {
        const PlaylistWrites &writes = m_playlistWrites[id];
        if (auto it = writes.reorderResults.constFind(ticket); it != writes.reorderResults.constEnd())
            co_return *it;
        if (writes.finished == ticket - 1 && writes.waitingOrders.contains(ticket))
            break;
        OrderSaveAwaiter turn;
        turn.waiters = waiters;
        co_await turn;
        if (!self)
            co_return false;
    }

    QStringList wanted;
    bool cancelled = false;
    {
        PlaylistWrites &writes = m_playlistWrites[id];
        wanted = writes.waitingOrders.take(ticket);
        cancelled = writes.deleting;
        if (!cancelled)
            writes.sendingOrder = wanted;
    }
    // The order replaces the whole list: it is laid over what the server
    // holds, so that songs added since the caller's list was loaded stay.
    std::exception_ptr error;
    QStringList order;
    if (!cancelled) {
        const std::optional<QStringList> held = co_await serverSongIds(id, error);
        if (!self)
            co_return false;
        if (held)
            order = orderOver(wanted, *held);
    }
    const SubsonicClient client = m_client;
    if (!cancelled && !error) {
        try {
            co_await client.replacePlaylistSongs(id, order);
        } catch (...) {
            error = std::current_exception();
        }
    }
    const bool saved = !cancelled && !error;
    if (!self)
        co_return saved;
    {
        PlaylistWrites &writes = m_playlistWrites[id];
        writes.reorderResults.insert(ticket, saved);
        writes.sendingOrder.reset();
        if (saved)
            writes.lastTold = order;
    }
    if (error)
        forgetServerList(id);
    finishPlaylistTurn(id);
    if (cancelled)
        co_return false;
    if (error) {
        note(error, QStringLiteral("save the new order"));
        co_return false;
    }
    markReachable();
    dropPlaylistDetail(id);
    co_return true;
}

QCoro::Task<std::optional<QStringList>> LibraryStore::serverSongIds(QString id, std::exception_ptr &error)
{
    if (const std::optional<QStringList> &told = m_playlistWrites[id].lastTold)
        co_return *told;
    // Unknown (never loaded here, or a write failed half way): asked for in
    // the playlist's turn, so no write of this store runs meanwhile.
    QPointer<LibraryStore> self(this);
    const SubsonicClient client = m_client;
    QStringList ids;
    try {
        const PlaylistDetail detail = co_await client.playlist(id);
        ids = songIdsOf(detail.entry.value_or(QList<Song>()));
    } catch (...) {
        error = std::current_exception();
        co_return std::nullopt;
    }
    if (self)
        m_playlistWrites[id].lastTold = ids;
    co_return ids;
}

void LibraryStore::noteServerSongIds(const QString &id, const QList<Song> &songs, int issuedBefore)
{
    // Only while no write of the playlist was asked for since the read began
    // (nor is still out) does the answer say what the server holds now.
    PlaylistWrites &writes = m_playlistWrites[id];
    if (writes.issued != issuedBefore || writes.finished != writes.issued)
        return;
    writes.lastTold = songIdsOf(songs);
}

QStringList LibraryStore::orderOver(const QStringList &wanted, const QStringList &held)
{
    // Each copy of a song the server holds is placed once: first as far as
    // the wanted order names it, the rest (songs added since that order's
    // list was loaded) after it in the server's order. A song the server no
    // longer holds is not brought back.
    QHash<QString, int> left;
    for (const QString &id : held)
        ++left[id];
    QStringList order;
    order.reserve(held.size());
    QHash<QString, int> placed;
    for (const QString &id : wanted) {
        int &available = left[id];
        if (available > 0) {
            --available;
            ++placed[id];
            order.append(id);
        }
    }
    for (const QString &id : held) {
        int &seen = placed[id];
        if (seen > 0)
            --seen;
        else
            order.append(id);
    }
    return order;
}
