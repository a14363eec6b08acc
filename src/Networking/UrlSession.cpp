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

bool UrlSession::isStatusError(QNetworkReply::NetworkError error, int status)
{
    // Qt turns a complete answer with a status of 400 or more into one of
    // these; every other error is the transfer's own.
    if (status < 400)
        return false;
    if (error >= QNetworkReply::ContentAccessDenied && error <= QNetworkReply::UnknownContentError)
        return true;
    if (error >= QNetworkReply::InternalServerError && error <= QNetworkReply::UnknownServerError)
        return true;
    return error == QNetworkReply::ProtocolInvalidOperationError
        || error == QNetworkReply::ProxyAuthenticationRequiredError
        || error == QNetworkReply::ProtocolFailure;
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
    // A status alone makes no answer: a body cut off, a stall after the
    // headers or a redirect whose next hop failed all come with the first
    // status set. Only the error Qt derives from the status itself (a 404
    // is an answer) leaves the reply an answer.
    const QNetworkReply::NetworkError error = reply->error();
    if (error != QNetworkReply::NoError && !(status.isValid() && isStatusError(error, status.toInt())))
        throw transportError(reply.get(), handle);
    HttpResponse response;
    if (status.isValid())
        response.status = status.toInt();
    response.body = reply->readAll();
    co_return response;
}
