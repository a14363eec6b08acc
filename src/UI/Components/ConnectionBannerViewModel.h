#pragma once

#include <QCoroTask>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QtQml/qqmlregistration.h>

#include <optional>

#include "Downloads/DownloadStore.h"
#include "Library/ConnectionFault.h"
#include "Library/LibraryStore.h"
#include "Library/ServerReachability.h"
#include "Library/StoreFailure.h"
#include "ServerUnavailableTracker.h"

// The floating notice at the top of the main window about connection
// trouble: a standing notice while the server fails and cached content is
// still shown, or a transient one about the last failed user action. A
// transient notice without a retry goes away by itself after a while; the
// wait starts again only when what the banner shows changes.
class ConnectionBannerViewModel : public QObject
{
    Q_OBJECT
    QML_ELEMENT

    Q_PROPERTY(LibraryStore *library READ library WRITE setLibrary NOTIFY libraryChanged)
    Q_PROPERTY(DownloadStore *downloads READ downloads WRITE setDownloads NOTIFY downloadsChanged)
    Q_PROPERTY(ServerUnavailableTracker *tracker READ tracker WRITE setTracker NOTIFY trackerChanged)
    Q_PROPERTY(int autoDismissInterval READ autoDismissInterval WRITE setAutoDismissInterval NOTIFY
            autoDismissIntervalChanged)

    Q_PROPERTY(Kind kind READ kind NOTIFY contentChanged)
    Q_PROPERTY(bool shown READ shown NOTIFY contentChanged)
    Q_PROPERTY(QString symbol READ symbol NOTIFY contentChanged)
    Q_PROPERTY(Tint tint READ tint NOTIFY contentChanged)
    Q_PROPERTY(QString title READ title NOTIFY contentChanged)
    Q_PROPERTY(QString detail READ detail NOTIFY contentChanged)
    Q_PROPERTY(bool showsTryAgain READ showsTryAgain NOTIFY contentChanged)
    Q_PROPERTY(bool showsRetry READ showsRetry NOTIFY contentChanged)
    Q_PROPERTY(bool showsDismiss READ showsDismiss NOTIFY contentChanged)
    Q_PROPERTY(bool isRetrying READ isRetrying NOTIFY isRetryingChanged)

public:
    static constexpr int DefaultAutoDismissInterval = 6000;

    enum class Kind { None, Standing, Transient };
    Q_ENUM(Kind)
    // The colour of the icon and the border: orange when the server cannot
    // be used at all, yellow for an error it reported.
    enum class Tint { Orange, Yellow };
    Q_ENUM(Tint)

    // What the banner shows. Two contents are the same when both stand for
    // the same fault, or both for the failure with the same id.
    struct Content
    {
        Kind kind = Kind::None;
        ConnectionFault fault;
        std::optional<StoreFailure> failure;

        friend bool operator==(const Content &a, const Content &b);
    };
    // First match wins: a failing server with cached content, then the last
    // failure; nothing while a page shows the full-page notice.
    static Content decide(const ServerReachability &reachability, const std::optional<StoreFailure> &failure,
        bool hasCachedContent, bool faultShownFullPage);

    struct Texts
    {
        QString symbol;
        Tint tint = Tint::Yellow;
        QString title;
        QString detail;
        friend bool operator==(const Texts &, const Texts &) = default;
    };
    static Texts texts(const Content &content, bool hasDownloads);

    explicit ConnectionBannerViewModel(QObject *parent = nullptr);

    LibraryStore *library() const { return m_library; }
    void setLibrary(LibraryStore *library);
    DownloadStore *downloads() const { return m_downloads; }
    void setDownloads(DownloadStore *downloads);
    ServerUnavailableTracker *tracker() const { return m_tracker; }
    void setTracker(ServerUnavailableTracker *tracker);
    int autoDismissInterval() const { return m_timer.interval(); }
    void setAutoDismissInterval(int milliseconds);

    const Content &content() const { return m_content; }
    Kind kind() const { return m_content.kind; }
    bool shown() const { return m_content.kind != Kind::None; }
    QString symbol() const { return m_texts.symbol; }
    Tint tint() const { return m_texts.tint; }
    QString title() const { return m_texts.title; }
    QString detail() const { return m_texts.detail; }
    // The texts and buttons are those of the last content shown, also once
    // it is gone (the banner leaves with them).
    bool showsTryAgain() const { return m_said.kind == Kind::Standing; }
    bool showsRetry() const { return m_said.kind == Kind::Transient && m_said.failure->canRetry(); }
    bool showsDismiss() const { return m_said.kind == Kind::Transient; }
    bool isRetrying() const { return m_isRetrying; }
    // Whether the automatic dismissal of the current content is pending.
    bool isDismissPending() const { return m_timer.isActive(); }

    // These three act only while the banner is shown, not while it slides
    // out. "Try Again" on a standing notice: one connection retry.
    Q_INVOKABLE void tryAgain();
    // "Retry" on a transient notice: the failed action once more.
    Q_INVOKABLE void retryFailure();
    // The dismiss button, and the automatic dismissal: forgets the failure.
    Q_INVOKABLE void dismiss();

Q_SIGNALS:
    void libraryChanged();
    void downloadsChanged();
    void trackerChanged();
    void autoDismissIntervalChanged();
    void contentChanged();
    void isRetryingChanged();

private:
    void refresh();
    static QCoro::Task<> retryLastFailure(QPointer<LibraryStore> library);

    QPointer<LibraryStore> m_library;
    QPointer<DownloadStore> m_downloads;
    QPointer<ServerUnavailableTracker> m_tracker;
    Content m_content;
    // The last content shown, and its texts.
    Content m_said;
    Texts m_texts;
    bool m_isRetrying = false;
    QTimer m_timer;
};
