#include "LibraryStore.h"

// MARK: - Failure recording and retry

void LibraryStore::note(const std::exception_ptr &error, const QString &action, StoreFailure::Retry retry)
{
    const ConnectionFault fault = ConnectionFault::fromError(error);
    if (fault.marksServerFailing())
        setReachability(ServerReachability::failing(fault));
    setLastFailure(StoreFailure(QUuid::createUuid(), action, fault, std::move(retry)));
    // The error texts never carry a request URL (it holds a replayable token).
    const QString line = action + QStringLiteral(" failed: ") + ConnectionFault::describe(error);
    qCWarning(lcLibrary).noquote() << line;
}

QCoro::Task<> LibraryStore::retryLastFailure()
{
    if (!m_lastFailure)
        co_return;
    const StoreFailure::Retry retry = m_lastFailure->retry();
    if (!retry)
        co_return;
    setLastFailure(std::nullopt);
    co_await retry();
}

QCoro::Task<> LibraryStore::retryConnection()
{
    if (m_isRetrying)
        co_return;
    setIsRetrying(true);
    QPointer<LibraryStore> self(this);
    const SubsonicClient client = m_client;
    std::exception_ptr error;
    try {
        co_await client.ping();
    } catch (...) {
        error = std::current_exception();
    }
    if (!self)
        co_return;
    if (error) {
        noteLoadFault(error);
    } else {
        markReachable();
        setLastFailure(std::nullopt);
        refresh();
    }
    setIsRetrying(false);
}
