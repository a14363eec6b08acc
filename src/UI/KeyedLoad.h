#pragma once

#include <QCoroTask>
#include <QObject>
#include <QPointer>
#include <QVariant>

#include <functional>
#include <memory>
#include <optional>

#include "Support/TaskHandle.h"

// A view model's load keyed by what it shows: it runs when the page is shown,
// again when the key changes, and is cancelled when the page is left.
//
// activate(key, start) starts `start` with a fresh Ticket unless a load of
// the same key is already running or done. A new key cancels the old load:
// its ticket's handle is cancelled (which aborts a request it tracks) and its
// ticket stops being current, so whatever the old load gets back is dropped.
// deactivate() cancels and forgets the key, so the next activate loads again.
//
// The load itself is a coroutine that reads its owner only through the
// ticket, after every co_await, because the owner may be gone by then:
//
//     void AlbumViewModel::activate()
//     {
//         m_load.activate(m_albumId, [this](KeyedLoad::Ticket ticket) {
//             return load(std::move(ticket), m_library, m_albumId);
//         });
//     }
//
//     // static: nothing of the owner is captured
//     QCoro::Task<> AlbumViewModel::load(KeyedLoad::Ticket ticket, QPointer<LibraryStore> library, QString
//     id)
//     {
//         const Album album = co_await library->albumDetail(id);
//         if (auto *self = ticket.owner<AlbumViewModel>())   // null: stale or owner gone
//             self->setAlbum(album);
//     }
//
// Client calls take `ticket.handle()` so a cancelled load stops its request.
class KeyedLoad
{
public:
    class Ticket
    {
    public:
        // The owner still exists, no newer key replaced this load and it
        // was not cancelled.
        bool isCurrent() const;
        // The owner while the ticket is current, else null.
        template<typename Owner> Owner *owner() const
        {
            return isCurrent() ? static_cast<Owner *>(m_owner.data()) : nullptr;
        }
        const TaskHandle &handle() const { return m_handle; }

    private:
        friend class KeyedLoad;
        QPointer<QObject> m_owner;
        std::weak_ptr<quint64> m_generation;
        quint64 m_mine = 0;
        TaskHandle m_handle;
    };

    using Start = std::function<QCoro::Task<>(Ticket)>;

    explicit KeyedLoad(QObject *owner);
    ~KeyedLoad();
    KeyedLoad(const KeyedLoad &) = delete;
    KeyedLoad &operator=(const KeyedLoad &) = delete;

    // Starts the load of `key`; does nothing (and returns false) when the
    // current key is the same.
    bool activate(const QVariant &key, const Start &start);
    // Cancels the running load and forgets its key.
    void deactivate();

    std::optional<QVariant> key() const { return m_key; }

private:
    void cancel();

    QPointer<QObject> m_owner;
    std::shared_ptr<quint64> m_generation;
    std::optional<QVariant> m_key;
    TaskHandle m_handle;
};
