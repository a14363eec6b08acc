#include "UrlSession.h"

#include <QCoreApplication>
#include <QCoroNetworkReply>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>

#include <memory>

UrlSession::UrlSession(QNetworkAccessManager *manager, int transferTimeoutMs, BodyLimits limits)
    : m_manager(manager)
    , m_transferTimeoutMs(transferTimeoutMs)
    , m_limits(limits)
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

namespace {

// The empty body of a GET that goes out at most once. Before Qt's HTTP layer
// sends a request again on a new connection it rewinds the request's body;
// this one refuses to rewind, so the request fails there ("content resend")
// and reaches the server no second time. The server sees a plain GET with
// an empty body.
class SentOnceBody : public QIODevice
{
public:
    explicit SentOnceBody(QObject *parent = nullptr)
        : QIODevice(parent)
    {
        open(QIODevice::ReadOnly);
    }
    bool isSequential() const override { return false; }
    qint64 size() const override { return 0; }
    bool reset() override { return false; }
    bool seek(qint64 position) override { return position == pos() && QIODevice::seek(position); }

protected:
    qint64 readData(char *, qint64) override { return 0; }
    qint64 writeData(const char *, qint64) override { return -1; }
};

} // namespace

QNetworkReply *UrlSession::get(const QUrl &url, Delivery delivery) const
{
    QNetworkRequest request(url);
    request.setTransferTimeout(m_transferTimeoutMs);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    if (delivery == Delivery::MayRepeat)
        return m_manager->get(request);
    // Qt reads a body it may buffer (and so rewind) itself; with its length
    // given and buffering off, it reads this device, which cannot rewind.
    request.setHeader(QNetworkRequest::ContentLengthHeader, 0);
    request.setAttribute(QNetworkRequest::DoNotBufferUploadDataAttribute, true);
    auto *body = new SentOnceBody;
    QNetworkReply *reply = m_manager->sendCustomRequest(request, QByteArrayLiteral("GET"), body);
    body->setParent(reply);
    return reply;
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

QCoro::Task<HttpResponse> UrlSession::data(QUrl url, TaskHandle handle, Body kind, Delivery delivery) const
{
    if (handle.isCancelled())
        throw TransportError::cancelled();

    std::unique_ptr<QNetworkReply, void (*)(QNetworkReply *)> reply(
        get(url, delivery), [](QNetworkReply *r) { r->deleteLater(); });
    QNetworkReply *raw = reply.get();
    // The body is taken out of the reply as it arrives, so that what is held
    // is counted exactly; one past the limit stops the transfer at once.
    struct Received
    {
        QByteArray body;
        bool tooLarge = false;
    };
    auto received = std::make_shared<Received>();
    const qint64 limit = kind == Body::Cover ? m_limits.cover : m_limits.answer;
    QObject::connect(raw, &QNetworkReply::metaDataChanged, raw, [raw, received, limit] {
        const QVariant announced = raw->header(QNetworkRequest::ContentLengthHeader);
        if (!received->tooLarge && announced.isValid() && announced.toLongLong() > limit) {
            received->tooLarge = true;
            raw->abort();
        }
    });
    QObject::connect(raw, &QIODevice::readyRead, raw, [raw, received, limit] {
        if (received->tooLarge)
            return;
        received->body += raw->readAll();
        if (received->body.size() > limit) {
            received->tooLarge = true;
            received->body.clear();
            raw->abort();
        }
    });
    handle.track(raw);
    co_await raw;
    handle.untrack(raw);

    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (handle.isCancelled())
        throw TransportError::cancelled();
    if (!received->tooLarge)
        received->body += reply->readAll();
    if (received->tooLarge || received->body.size() > limit)
        throw TransportError(QNetworkReply::UnknownContentError, QStringLiteral("too large"),
            TransportError::Reason::TooLarge);
    // A status alone makes no answer: a body cut off, a stall after the
    // headers or a redirect whose next hop failed all come with the first
    // status set. Only the error Qt derives from the status itself (a 404
    // is an answer) leaves the reply an answer.
    const QNetworkReply::NetworkError error = reply->error();
    // A request that must not go out twice fails where Qt would have sent it
    // again: the connection closed before the server answered.
    if (error == QNetworkReply::ContentReSendError && delivery == Delivery::AtMostOnce)
        throw TransportError(QNetworkReply::RemoteHostClosedError, QStringLiteral("Connection closed"));
    if (error != QNetworkReply::NoError && !(status.isValid() && isStatusError(error, status.toInt())))
        throw transportError(reply.get(), handle);
    HttpResponse response;
    if (status.isValid())
        response.status = status.toInt();
    response.body = std::move(received->body);
    co_return response;
}
