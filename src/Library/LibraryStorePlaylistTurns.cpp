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
    noteWritesIdle();
}

std::optional<QStringList> LibraryStore::orderOnItsWay(const QString &id) const
{
    const auto it = m_playlistWrites.constFind(id);
    if (it == m_playlistWrites.constEnd())
        return std::nullopt;
    if (!it->waitingOrders.isEmpty()) {
        const QList<int> tickets = it->waitingOrders.keys();
        const PlaylistWrites::WaitingOrder order
            = it->waitingOrders.value(*std::max_element(tickets.begin(), tickets.end()));
        return withoutTakenRows(id, order.rows, order.songIds);
    }
    return it->sendingOrder;
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

QCoro::Task<bool> LibraryStore::reorderPlaylist(QString id, QStringList songIds, QList<quint64> rows)
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
        writes.waitingOrders.insert(ticket, {songIds, rows});
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
        // A row whose removal landed before this turn is no longer the
        // server's: left in, it would take the place of another copy of its
        // song, the one the user moved.
        const PlaylistWrites::WaitingOrder order = writes.waitingOrders.take(ticket);
        wanted = withoutTakenRows(id, order.rows, order.songIds);
        cancelled = writes.deleting;
        if (!cancelled)
            writes.sendingOrder = wanted;
    }
    // The order replaces the whole list: it is laid over what the server
    // holds right before it goes, so that songs another device added since
    // the caller's list was read stay, and songs it removed do not return.
    std::exception_ptr error;
    if (!cancelled) {
        const SubsonicClient client = m_client;
        auto order = std::make_shared<QStringList>();
        const Check layOver = [id, wanted, order, client]() -> QCoro::Task<bool> {
            const PlaylistDetail detail = co_await client.playlist(id);
            const QStringList held = songIdsOf(detail.entry.value_or(QList<Song>()));
            const bool landed = !order->isEmpty() && held == *order;
            *order = orderOver(wanted, held);
            co_return landed;
        };
        try {
            co_await layOver();
        } catch (...) {
            error = std::current_exception();
        }
        if (!self)
            co_return false;
        if (!error) {
            const Write save = [client, id, order]() { return client.replacePlaylistSongs(id, *order); };
            const Settled sent = co_await sendSettled(save, layOver);
            error = sent.error;
        }
    }
    const bool saved = !cancelled && !error;
    if (!self)
        co_return saved;
    {
        PlaylistWrites &writes = m_playlistWrites[id];
        writes.reorderResults.insert(ticket, saved);
        writes.sendingOrder.reset();
    }
    finishPlaylistTurn(id);
    if (cancelled)
        co_return false;
    if (error) {
        dropPlaylistDetail(id);
        note(error, QStringLiteral("save the new order"));
        // A page that shows the refused order shows the server's again,
        // unless a newer order is on its way.
        if (!orderOnItsWay(id))
            Q_EMIT playlistEditRefused(id);
        co_return false;
    }
    markReachable();
    dropPlaylistDetail(id);
    co_return true;
}

QCoro::Task<std::optional<QStringList>> LibraryStore::serverSongIds(
    QString id, std::exception_ptr &error, bool keep)
{
    QPointer<LibraryStore> self(this);
    const SubsonicClient client = m_client;
    const int epoch = m_epoch;
    const int dropped = m_playlistDrops.value(id);
    std::optional<PlaylistDetail> detail;
    try {
        PlaylistDetail answer = co_await client.playlist(id);
        detail = std::move(answer);
    } catch (...) {
        error = std::current_exception();
        co_return std::nullopt;
    }
    // A retry keeps the newest copy there is for the page, unless a refresh
    // or an edit came meanwhile.
    if (keep && self && m_epoch == epoch && m_playlistDrops.value(id) == dropped)
        storePlaylistDetail(id, *detail);
    co_return songIdsOf(detail->entry.value_or(QList<Song>()));
}

bool LibraryStore::fateUnknown(const std::exception_ptr &error)
{
    try {
        std::rethrow_exception(error);
    } catch (const TransportError &transport) {
        // The request may have reached the server: the connection closed
        // before an answer, or none came in time.
        return transport.isTimedOut() || transport.code() == QNetworkReply::RemoteHostClosedError;
    } catch (...) { }
    return false;
}

QCoro::Task<LibraryStore::Settled> LibraryStore::sendSettled(Write send, Check landed)
{
    std::exception_ptr error;
    try {
        co_await send();
        co_return {};
    } catch (...) {
        error = std::current_exception();
    }
    if (!fateUnknown(error))
        co_return {error};
    try {
        if (co_await landed())
            co_return {};
        co_await send();
        co_return {};
    } catch (...) {
        co_return {std::current_exception()};
    }
}

QStringList LibraryStore::orderOver(const QStringList &wanted, const QStringList &held)
{
    // The wanted order without the copies the server no longer holds.
    QHash<QString, int> left;
    for (const QString &id : held)
        ++left[id];
    QStringList placed;
    placed.reserve(wanted.size());
    QHash<QString, int> named;
    for (const QString &id : wanted) {
        if (int &available = left[id]; available > 0) {
            --available;
            ++named[id];
            placed.append(id);
        }
    }
    // The first copies of each song in the server's list are those the user
    // saw; they take the wanted order in their places. Later copies (added
    // since, unseen) stay where they are.
    QStringList order;
    order.reserve(held.size());
    qsizetype next = 0;
    for (const QString &id : held) {
        if (int &seen = named[id]; seen > 0) {
            --seen;
            order.append(placed.at(next++));
        } else {
            order.append(id);
        }
    }
    return order;
}
