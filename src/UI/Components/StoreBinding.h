#pragma once

#include <QCoroTask>
#include <QObject>
#include <QPointer>

#include <initializer_list>

#include "Library/LibraryStore.h"

// What the notices' view models share about the stores they watch.
namespace StoreBinding {

// Points `member` at `source`: unhooks `receiver` from the old source and
// hooks `slot` to each of the new one's `changes`. False, with nothing done,
// when `source` is the one already held.
template<typename Source, typename Receiver>
bool rebind(Receiver *receiver, QPointer<Source> &member, Source *source,
    std::initializer_list<void (Source::*)()> changes, void (Receiver::*slot)())
{
    if (member == source)
        return false;
    if (member)
        QObject::disconnect(member, nullptr, receiver, nullptr);
    member = source;
    if (source) {
        for (auto change : changes)
            QObject::connect(source, change, receiver, slot);
    }
    return true;
}

// One connection retry through the store, unless one is already running.
// The store is held weakly: it may go away while the retry waits.
inline QCoro::Task<> retryConnection(QPointer<LibraryStore> library)
{
    if (!library || library->isRetrying())
        co_return;
    co_await library->retryConnection();
}

} // namespace StoreBinding
