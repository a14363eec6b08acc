#pragma once

#include <QCoroTask>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include "Downloads/DownloadStore.h"
#include "Library/ConnectionFault.h"
#include "Library/LibraryStore.h"
#include "Library/ServerReachability.h"
#include "ServerUnavailableTracker.h"

// The full-page notice a page shows instead of its content while the server
// is failing and the page has nothing to show. One per page: the page tells
// whether its content is empty and whether it is visible; the model decides
// whether the notice replaces the content, what it says, and reports itself
// to the window's tracker so the connection banner does not repeat the fault.
class ServerUnavailableViewModel : public QObject
{
    Q_OBJECT
    QML_ELEMENT

    Q_PROPERTY(LibraryStore *library READ library WRITE setLibrary NOTIFY libraryChanged)
    Q_PROPERTY(DownloadStore *downloads READ downloads WRITE setDownloads NOTIFY downloadsChanged)
    Q_PROPERTY(ServerUnavailableTracker *tracker READ tracker WRITE setTracker NOTIFY trackerChanged)
    Q_PROPERTY(bool isEmpty READ isEmpty WRITE setIsEmpty NOTIFY isEmptyChanged)
    Q_PROPERTY(bool pageVisible READ pageVisible WRITE setPageVisible NOTIFY pageVisibleChanged)

    Q_PROPERTY(bool showsNotice READ showsNotice NOTIFY noticeChanged)
    Q_PROPERTY(QString title READ title NOTIFY noticeChanged)
    Q_PROPERTY(QString symbol READ symbol NOTIFY noticeChanged)
    Q_PROPERTY(QString detail READ detail NOTIFY noticeChanged)
    Q_PROPERTY(bool offersRetry READ offersRetry NOTIFY noticeChanged)
    Q_PROPERTY(bool isRetrying READ isRetrying NOTIFY noticeChanged)

public:
    // What the notice says about one fault.
    struct Notice
    {
        QString title;
        QString symbol;
        QString detail;
        bool offersRetry = false;
        friend bool operator==(const Notice &, const Notice &) = default;
    };
    static Notice notice(const ConnectionFault &fault, bool hasDownloads);
    // The notice replaces a page's content only while the server fails and
    // the page has nothing of its own to show.
    static bool replacesContent(const ServerReachability &reachability, bool isEmpty);

    explicit ServerUnavailableViewModel(QObject *parent = nullptr);
    ~ServerUnavailableViewModel() override;

    LibraryStore *library() const { return m_library; }
    void setLibrary(LibraryStore *library);
    DownloadStore *downloads() const { return m_downloads; }
    void setDownloads(DownloadStore *downloads);
    ServerUnavailableTracker *tracker() const { return m_tracker; }
    void setTracker(ServerUnavailableTracker *tracker);
    bool isEmpty() const { return m_isEmpty; }
    void setIsEmpty(bool empty);
    bool pageVisible() const { return m_pageVisible; }
    void setPageVisible(bool visible);

    bool showsNotice() const { return m_showsNotice; }
    QString title() const { return m_notice.title; }
    QString symbol() const { return m_notice.symbol; }
    QString detail() const { return m_notice.detail; }
    bool offersRetry() const { return m_notice.offersRetry; }
    bool isRetrying() const { return m_isRetrying; }

    // "Try Again": one connection retry through the store.
    Q_INVOKABLE void retry();

Q_SIGNALS:
    void libraryChanged();
    void downloadsChanged();
    void trackerChanged();
    void isEmptyChanged();
    void pageVisibleChanged();
    void noticeChanged();

private:
    void refresh();
    void report();

    QPointer<LibraryStore> m_library;
    QPointer<DownloadStore> m_downloads;
    QPointer<ServerUnavailableTracker> m_tracker;
    bool m_isEmpty = false;
    bool m_pageVisible = true;
    bool m_showsNotice = false;
    bool m_isRetrying = false;
    Notice m_notice;
};
