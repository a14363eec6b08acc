#include "UrlSession.h"

#include <QCoreApplication>
#include <QCoroNetworkReply>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>

#include <memory>

UrlSession::UrlSession(QNetworkAccessManager *manager, int transferTimeoutMs)
    : m_manager(manager)
    , m_transferTimeoutMs(transferTimeoutMs)
{
    m_manager->setTransferTimeout(transferTimeoutMs);
}

UrlSession *UrlSession::shared()
{
    // The manager goes first thing in the application's teardown, while the
    // application is whole: destroyed among its children it can meet its own
    // thread still delivering events.
    static QPointer<QNetworkAccessManager> manager;
    static UrlSession *session = [] {
        manager = new QNetworkAccessManager();
        qAddPostRoutine([] { delete manager.data(); });
        return new UrlSession(manager.data());
    }();
    return session;
}

QNetworkReply *UrlSession::get(const QUrl &url) const
{
    QNetworkRequest request(url);
    request.setTransferTimeout(m_transferTimeoutMs);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    return m_manager->get(request);
}

TransportError UrlSession::transportError(QNetworkReply *reply, const TaskHandle &handle)
{
    const auto code = reply->error();
    if (code == QNetworkReply::OperationCanceledError) {
        // Qt reports its own transfer time-out with the code of an abort.
        if (handle.isCancelled())
            return TransportError::cancelled();
        return TransportError(code, QStringLiteral("timed out"), TransportError::Reason::TimedOut);
    }
    // Qt's text can name the request URL, which carries a replayable token.
    QString text = reply->errorString();
    text.replace(reply->url().toString(), QStringLiteral("<request>"));
    text.replace(reply->url().toString(QUrl::FullyEncoded), QStringLiteral("<request>"));
    return TransportError(code, text);
}

QCoro::Task<HttpResponse> UrlSession::data(QUrl url, TaskHandle handle) const
{
    if (handle.isCancelled())
        throw TransportError::cancelled();

    std::unique_ptr<QNetworkReply, void (*)(QNetworkReply *)> reply(get(url), [](QNetworkReply *r) {
        r->deleteLater();
    });
    handle.track(reply.get());
    QNetworkReply *raw = reply.get();
    co_await raw;
    handle.untrack(reply.get());

    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (handle.isCancelled())
        throw TransportError::cancelled();
    // A 404 sets both an error and the status: an HTTP answer is an answer.
    if (status.isValid()) {
        HttpResponse response;
        response.status = status.toInt();
        response.body = reply->readAll();
        co_return response;
    }
    if (reply->error() != QNetworkReply::NoError)
        throw transportError(reply.get(), handle);
    HttpResponse response;
    response.body = reply->readAll();
    co_return response;
}
