#include "ServerUnavailableViewModel.h"

#include "Downloads/DownloadStore.h"
#include "Library/LibraryStore.h"
#include "ServerUnavailableTracker.h"
#include "StoreBinding.h"

using namespace Qt::StringLiterals;

ServerUnavailableViewModel::Notice ServerUnavailableViewModel::notice(
    const ConnectionFault &fault, bool hasDownloads)
{
    switch (fault.kind()) {
    case ConnectionFault::Kind::Offline: {
        QString detail = u"Check that your music server is running and that it's reachable."_s;
        if (hasDownloads)
            detail += u" Downloaded music still plays."_s;
        return {u"Can't reach your server"_s, u"wifi.exclamationmark"_s, detail, true};
    }
    case ConnectionFault::Kind::Unauthorized:
        // Only signing in again saves a new password: nothing to retry.
        return {u"Your password no longer works"_s, u"lock.trianglebadge.exclamationmark"_s,
            u"Sign out and back in to save it again."_s, false};
    case ConnectionFault::Kind::Server:
    case ConnectionFault::Kind::Other:
        break;
    }
    return {u"Your server returned an error"_s, u"exclamationmark.triangle"_s, fault.text(), true};
}

bool ServerUnavailableViewModel::replacesContent(const ServerReachability &reachability, bool isEmpty)
{
    return reachability.isFailing() && isEmpty;
}

ServerUnavailableViewModel::ServerUnavailableViewModel(QObject *parent)
    : QObject(parent)
{ }

ServerUnavailableViewModel::~ServerUnavailableViewModel()
{
    if (m_tracker)
        m_tracker->unregister(this);
}

void ServerUnavailableViewModel::setLibrary(LibraryStore *library)
{
    if (!StoreBinding::rebind(this, m_library, library,
            {&LibraryStore::reachabilityChanged, &LibraryStore::isRetryingChanged},
            &ServerUnavailableViewModel::refresh))
        return;
    Q_EMIT libraryChanged();
    refresh();
}

void ServerUnavailableViewModel::setDownloads(DownloadStore *downloads)
{
    if (!StoreBinding::rebind(this, m_downloads, downloads, {&DownloadStore::manifestChanged},
            &ServerUnavailableViewModel::refresh))
        return;
    Q_EMIT downloadsChanged();
    refresh();
}

void ServerUnavailableViewModel::setTracker(ServerUnavailableTracker *tracker)
{
    if (m_tracker == tracker)
        return;
    if (m_tracker)
        m_tracker->unregister(this);
    m_tracker = tracker;
    Q_EMIT trackerChanged();
    report();
}

void ServerUnavailableViewModel::setIsEmpty(bool empty)
{
    if (m_isEmpty == empty)
        return;
    m_isEmpty = empty;
    Q_EMIT isEmptyChanged();
    refresh();
}

void ServerUnavailableViewModel::setPageVisible(bool visible)
{
    if (m_pageVisible == visible)
        return;
    m_pageVisible = visible;
    Q_EMIT pageVisibleChanged();
    report();
}

void ServerUnavailableViewModel::retry()
{
    StoreBinding::retryConnection(m_library);
}

void ServerUnavailableViewModel::refresh()
{
    const ServerReachability reachability = m_library ? m_library->reachability() : ServerReachability::ok();
    const bool shows = replacesContent(reachability, m_isEmpty);
    const bool hasDownloads = m_downloads && !m_downloads->manifest().songs.isEmpty();
    const Notice notice
        = shows ? ServerUnavailableViewModel::notice(reachability.fault(), hasDownloads) : Notice {};
    const bool retrying = m_library && m_library->isRetrying();
    if (shows == m_showsNotice && notice == m_notice && retrying == m_isRetrying)
        return;
    m_showsNotice = shows;
    m_notice = notice;
    m_isRetrying = retrying;
    Q_EMIT noticeChanged();
    report();
}

void ServerUnavailableViewModel::report()
{
    if (m_tracker)
        m_tracker->report(this, m_showsNotice, m_pageVisible);
}
