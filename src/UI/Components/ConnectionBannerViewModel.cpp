#include "ConnectionBannerViewModel.h"

#include "Downloads/DownloadStore.h"
#include "Library/LibraryStore.h"
#include "ServerUnavailableTracker.h"
#include "StoreBinding.h"

using namespace Qt::StringLiterals;

bool operator==(const ConnectionBannerViewModel::Content &a, const ConnectionBannerViewModel::Content &b)
{
    using Kind = ConnectionBannerViewModel::Kind;
    if (a.kind != b.kind)
        return false;
    switch (a.kind) {
    case Kind::None:
        return true;
    case Kind::Standing:
        return a.fault == b.fault;
    case Kind::Transient:
        return a.failure->id() == b.failure->id();
    }
    return false;
}

ConnectionBannerViewModel::Content ConnectionBannerViewModel::decide(const ServerReachability &reachability,
    const std::optional<StoreFailure> &failure, bool hasCachedContent, bool faultShownFullPage)
{
    if (faultShownFullPage)
        return {};
    if (reachability.isFailing() && hasCachedContent)
        return {Kind::Standing, reachability.fault(), std::nullopt};
    if (failure)
        return {Kind::Transient, failure->fault(), failure};
    return {};
}

ConnectionBannerViewModel::Texts ConnectionBannerViewModel::texts(const Content &content, bool hasDownloads)
{
    if (content.kind == Kind::None)
        return {};
    Texts texts;
    switch (content.fault.kind()) {
    case ConnectionFault::Kind::Offline:
        texts.symbol = u"wifi.exclamationmark"_s;
        texts.tint = Tint::Orange;
        break;
    case ConnectionFault::Kind::Unauthorized:
        texts.symbol = u"lock.trianglebadge.exclamationmark"_s;
        texts.tint = Tint::Orange;
        break;
    case ConnectionFault::Kind::Server:
    case ConnectionFault::Kind::Other:
        texts.symbol = u"exclamationmark.triangle"_s;
        texts.tint = Tint::Yellow;
        break;
    }
    if (content.kind == Kind::Transient) {
        texts.title = content.failure->message();
        return texts;
    }
    switch (content.fault.kind()) {
    case ConnectionFault::Kind::Offline:
        texts.title = u"Can't reach your server"_s;
        if (hasDownloads)
            texts.detail = u"Downloaded music still plays."_s;
        break;
    case ConnectionFault::Kind::Unauthorized:
        texts.title = u"Your server rejected the saved password"_s;
        texts.detail = u"Sign out and back in to save it again."_s;
        break;
    case ConnectionFault::Kind::Server:
    case ConnectionFault::Kind::Other:
        texts.title = content.fault.text();
        break;
    }
    return texts;
}

ConnectionBannerViewModel::ConnectionBannerViewModel(QObject *parent)
    : QObject(parent)
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setInterval(DefaultAutoDismissInterval);
    connect(&m_timer, &QTimer::timeout, this, &ConnectionBannerViewModel::dismiss);
}

void ConnectionBannerViewModel::setLibrary(LibraryStore *library)
{
    if (!StoreBinding::rebind(this, m_library, library,
            {&LibraryStore::reachabilityChanged, &LibraryStore::lastFailureChanged,
                &LibraryStore::hasCachedContentChanged, &LibraryStore::isRetryingChanged},
            &ConnectionBannerViewModel::refresh))
        return;
    Q_EMIT libraryChanged();
    refresh();
}

void ConnectionBannerViewModel::setDownloads(DownloadStore *downloads)
{
    if (!StoreBinding::rebind(this, m_downloads, downloads, {&DownloadStore::manifestChanged},
            &ConnectionBannerViewModel::refresh))
        return;
    Q_EMIT downloadsChanged();
    refresh();
}

void ConnectionBannerViewModel::setTracker(ServerUnavailableTracker *tracker)
{
    if (!StoreBinding::rebind(this, m_tracker, tracker,
            {&ServerUnavailableTracker::serverUnavailableShownChanged}, &ConnectionBannerViewModel::refresh))
        return;
    Q_EMIT trackerChanged();
    refresh();
}

void ConnectionBannerViewModel::setAutoDismissInterval(int milliseconds)
{
    if (m_timer.interval() == milliseconds)
        return;
    m_timer.setInterval(milliseconds);
    Q_EMIT autoDismissIntervalChanged();
}

void ConnectionBannerViewModel::tryAgain()
{
    if (shown())
        StoreBinding::retryConnection(m_library);
}

void ConnectionBannerViewModel::retryFailure()
{
    if (m_library && shown())
        retryLastFailure(m_library);
}

void ConnectionBannerViewModel::dismiss()
{
    if (m_library && shown())
        m_library->setLastFailure(std::nullopt);
}

void ConnectionBannerViewModel::refresh()
{
    const bool fullPage = m_tracker && m_tracker->serverUnavailableShown();
    Content content;
    if (m_library) {
        content = decide(
            m_library->reachability(), m_library->lastFailure(), m_library->hasCachedContent(), fullPage);
    }
    const bool hasDownloads = m_downloads && !m_downloads->manifest().songs.isEmpty();
    const Texts texts = ConnectionBannerViewModel::texts(content, hasDownloads);

    // A banner going away slides out as it was: it keeps saying what it said
    // last, and only `shown` changes.
    const bool leaving = content.kind == Kind::None;
    const Texts said = leaving ? m_texts : texts;
    const bool keyChanged = !(content == m_content);
    if (keyChanged || said != m_texts) {
        m_content = content;
        if (!leaving)
            m_said = content;
        m_texts = said;
        if (keyChanged) {
            // A new content gets its own full wait; the same one keeps its wait.
            m_timer.stop();
            if (content.kind == Kind::Transient && !content.failure->canRetry())
                m_timer.start();
        }
        Q_EMIT contentChanged();
    }

    const bool retrying = m_library && m_library->isRetrying();
    if (retrying != m_isRetrying) {
        m_isRetrying = retrying;
        Q_EMIT isRetryingChanged();
    }
}

QCoro::Task<> ConnectionBannerViewModel::retryLastFailure(QPointer<LibraryStore> library)
{
    if (library)
        co_await library->retryLastFailure();
}
