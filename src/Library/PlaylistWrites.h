#pragma once

#include <QHash>
#include <QList>
#include <QStringList>

#include <coroutine>
#include <memory>
#include <optional>

#include "Models/Song.h"

// The writes of one playlist in the library store: each takes a ticket and
// runs when every ticket before it has finished. The edits still on their
// way are kept as they were asked for, for the lists handed out meanwhile.
struct PlaylistWrites
{
    int issued = 0; // the newest ticket handed out
    int finished = 0; // tickets finished, in order
    // The rows of an edit are the identities a page gave the rows of
    // `songIds`, one each.
    struct WaitingOrder
    {
        QStringList songIds;
        QList<quint64> rows;
    };
    QHash<int, WaitingOrder> waitingOrders; // order saves not yet started, by ticket
    struct WaitingRemoval
    {
        int index = 0;
        QStringList songIds;
        QList<quint64> rows;
    };
    QHash<int, WaitingRemoval> removals; // removals not yet settled, by ticket
    struct WaitingAdd
    {
        QList<Song> songs;
        std::optional<QStringList> before; // the list before it, once read
    };
    QHash<int, WaitingAdd> adds; // adds not yet settled, by ticket
    QHash<int, bool> reorderResults; // by ticket
    bool deleting = false;
    // The order of the save on its way (read first or sent), until it
    // finishes.
    std::optional<QStringList> sendingOrder;
};

// The writes waiting for their turn, resumed together when a turn ends.
struct OrderWaiters
{
    QList<std::coroutine_handle<>> handles;
};

struct OrderSaveAwaiter
{
    std::shared_ptr<OrderWaiters> waiters;
    bool await_ready() const noexcept { return false; }
    void await_suspend(std::coroutine_handle<> handle) { waiters->handles.append(handle); }
    void await_resume() const noexcept { }
};
