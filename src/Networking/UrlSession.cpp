#include "UrlSession.h"

#include <QAuthenticator>
#include <QCoreApplication>
#include <QCoroNetworkReply>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QTimer>

#include <memory>

UrlSession::UrlSession(
    QNetworkAccessManager *manager, int transferTimeoutMs, BodyLimits limits, int requestDeadlineMs)
    : m_manager(manager)
    , m_transferTimeoutMs(transferTimeoutMs)
    , m_limits(limits)
    , m_requestDeadlineMs(requestDeadlineMs)
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

// The body of a request that goes out at most once: empty for a GET, the
// form of a POST. Before Qt's HTTP layer sends a request again on a new
// connection it rewinds the request's body; this one refuses to rewind, so
// the request fails there ("content resend") and reaches the server no
// second time. The server sees a plain request with its body.
class SentOnceBody : public QIODevice
{
public:
    explicit SentOnceBody(QByteArray content, QObject *parent = nullptr)
        : QIODevice(parent)
        , m_content(std::move(content))
    {
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }
    bool isSequential() const override { return false; }
    qint64 size() const override { return m_content.size(); }
    bool reset() override { return false; }
    bool seek(qint64 position) override { return position == m_sent && QIODevice::seek(position); }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        const qint64 count = std::min(maxSize, qint64(m_content.size()) - m_sent);
        if (count <= 0)
            return 0;
        memcpy(data, m_content.constData() + m_sent, size_t(count));
        m_sent += count;
        return count;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QByteArray m_content;
    qint64 m_sent = 0;
};

} // namespace

QNetworkReply *UrlSession::get(
    const QUrl &url, Delivery delivery, const std::optional<QByteArray> &form) const
{
    QNetworkRequest request(url);
    request.setTransferTimeout(m_transferTimeoutMs);
    if (delivery == Delivery::MayRepeat && !form) {
        request.setAttribute(
            QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
        return m_manager->get(request);
    }
    // Qt would send the next hop of a 301 or 302 as a plain GET, which drops
    // a POST's body and sends a write again when the connection closes, and
    // fail that of a 307 or 308 when it cannot rewind the body: the redirect
    // is followed by data().
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    const QByteArray verb = form ? QByteArrayLiteral("POST") : QByteArrayLiteral("GET");
    if (form)
        request.setHeader(
            QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/x-www-form-urlencoded"));
    if (delivery == Delivery::MayRepeat)
        return m_manager->sendCustomRequest(request, verb, *form);
    // Qt reads a body it may buffer (and so rewind) itself; with its length
    // given and buffering off, it reads this device, which cannot rewind.
    const QByteArray content = form.value_or(QByteArray());
    request.setHeader(QNetworkRequest::ContentLengthHeader, content.size());
    request.setAttribute(QNetworkRequest::DoNotBufferUploadDataAttribute, true);
    auto *body = new SentOnceBody(content);
    QNetworkReply *reply = m_manager->sendCustomRequest(request, verb, body);
    body->setParent(reply);
    return reply;
}

bool UrlSession::isRedirect(int status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

QUrl UrlSession::redirectTarget(const QUrl &from, const QByteArray &location)
{
    QUrl target = QUrl::fromEncoded(location);
    if (target.isEmpty() || !target.isValid())
        throw TransportError(QNetworkReply::ProtocolUnknownError, QStringLiteral("Invalid redirect"),
            TransportError::Reason::BadRedirect);
    if (target.isRelative())
        target = from.resolved(target);
    const QString scheme = target.scheme();
    if (scheme != QLatin1StringView("http") && scheme != QLatin1StringView("https"))
        throw TransportError(
            QNetworkReply::ProtocolUnknownError, QStringLiteral("Unsupported redirect scheme"));
    // The query or the form carries a token that stands for the password.
    if (from.scheme() == QLatin1StringView("https") && scheme == QLatin1StringView("http"))
        throw TransportError(QNetworkReply::InsecureRedirectError, QStringLiteral("Insecure redirect"));
    return target;
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

struct UrlSession::Hop
{
    HttpResponse response;
    // The raw Location of a redirect left to us to follow.
    std::optional<QByteArray> location;
};

QCoro::Task<HttpResponse> UrlSession::data(
    QUrl url, TaskHandle handle, Body kind, Delivery delivery, std::optional<QByteArray> form) const
{
    // Every hop of a POST goes out as a POST of the same body, whatever the
    // redirect's code: a 303 that answers a POST the server applied tells a
    // browser where to read the result, but a Subsonic server answers every
    // call itself, so a redirect before one comes from the address having
    // moved (a proxy sending http on to https, a new path) and the request
    // was not applied where it went. As a GET the hop would lose its
    // parameters; sent on once, it is applied once, as a GET write's hop is.
    //
    // The transfer time-out only bounds a silence: an answer that trickles
    // in, or one redirect after another, would keep the request alive.
    const QDeadlineTimer deadline(m_requestDeadlineMs);
    for (int redirects = 0;; ++redirects) {
        Hop hop = co_await fetch(url, handle, kind, delivery, deadline, form);
        if (!hop.location)
            co_return std::move(hop.response);
        if (redirects == RedirectLimit)
            throw TransportError(QNetworkReply::TooManyRedirectsError, QStringLiteral("Too many redirects"));
        url = redirectTarget(url, *hop.location);
    }
}

QCoro::Task<UrlSession::Hop> UrlSession::fetch(QUrl url, TaskHandle handle, Body kind, Delivery delivery,
    QDeadlineTimer deadline, std::optional<QByteArray> form) const
{
    if (handle.isCancelled())
        throw TransportError::cancelled();
    if (deadline.hasExpired())
        throw TransportError(QNetworkReply::OperationCanceledError, QStringLiteral("timed out"),
            TransportError::Reason::TimedOut);

    std::unique_ptr<QNetworkReply, void (*)(QNetworkReply *)> reply(
        get(url, delivery, form), [](QNetworkReply *r) { r->deleteLater(); });
    QNetworkReply *raw = reply.get();
    // The body is taken out of the reply as it arrives, so that what is held
    // is counted exactly; one past the limit stops the transfer at once.
    struct Received
    {
        QByteArray body;
        bool tooLarge = false;
        bool unusableRedirect = false;
        // The status of an authentication challenge Qt met on the way.
        std::optional<int> challenge;
    };
    auto received = std::make_shared<Received>();
    const qint64 limit = kind == Body::Cover ? m_limits.cover : m_limits.answer;
    QObject::connect(raw, &QNetworkReply::metaDataChanged, raw, [raw, received, limit] {
        const QVariant announced = raw->header(QNetworkRequest::ContentLengthHeader);
        if (!received->tooLarge && announced.isValid() && announced.toLongLong() > limit) {
            received->tooLarge = true;
            raw->abort();
        }
        // Qt drops every header of an answer whose headers are past its
        // limits (a Location of hundreds of kilobytes) and keeps the status
        // alone; without a length it then waits for the connection to close.
        const QVariant status = raw->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        if (status.isValid() && isRedirect(status.toInt()) && !raw->hasRawHeader("Location")) {
            received->unusableRedirect = true;
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
    if (delivery == Delivery::AtMostOnce) {
        // Qt answers a challenge it can take up (a 401 naming NTLM, a 407 of
        // a proxy) by sending the request again; one sent once then fails
        // with the content-resend error, and the answer, which came whole, is
        // dropped.
        // Qt names the reply a server challenged; a proxy's challenge names
        // none, so one met while this request is out counts as its own.
        QObject::connect(m_manager, &QNetworkAccessManager::authenticationRequired, raw,
            [raw, received](QNetworkReply *challenged, QAuthenticator *) {
                if (challenged == raw)
                    received->challenge = 401;
            });
        QObject::connect(m_manager, &QNetworkAccessManager::proxyAuthenticationRequired, raw,
            [received](const QNetworkProxy &, QAuthenticator *) { received->challenge = 407; });
    }
    // Past the deadline the request ends as if it had timed out.
    QTimer overdue;
    overdue.setSingleShot(true);
    QObject::connect(&overdue, &QTimer::timeout, raw, [raw] { raw->abort(); });
    overdue.start(std::chrono::ceil<std::chrono::milliseconds>(deadline.remainingTimeAsDuration()));
    handle.track(raw);
    co_await raw;
    handle.untrack(raw);
    overdue.stop();

    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (handle.isCancelled())
        throw TransportError::cancelled();
    if (received->unusableRedirect)
        throw TransportError(QNetworkReply::ProtocolUnknownError, QStringLiteral("Unusable redirect"),
            TransportError::Reason::BadRedirect);
    if (!received->tooLarge && reply->isOpen())
        received->body += reply->readAll();
    if (received->tooLarge || received->body.size() > limit)
        throw TransportError(QNetworkReply::UnknownContentError, QStringLiteral("too large"),
            TransportError::Reason::TooLarge);
    // A status alone makes no answer: a body cut off, a stall after the
    // headers or a redirect whose next hop failed all come with the first
    // status set. Only the error Qt derives from the status itself (a 404
    // is an answer) leaves the reply an answer.
    const QNetworkReply::NetworkError error = reply->error();
    Hop hop;
    if (status.isValid())
        hop.response.status = status.toInt();
    if (delivery == Delivery::AtMostOnce || form) {
        // Once a 307 or 308 has come in whole, Qt rewinds the body for a next
        // hop, even one it will not send: that failure ends the exchange with
        // the redirect, which is followed from here like any other.
        const bool redirected = hop.response.status && isRedirect(*hop.response.status);
        if (redirected && (error == QNetworkReply::NoError || error == QNetworkReply::ContentReSendError)) {
            hop.location = reply->rawHeader("Location");
            co_return hop;
        }
        if (error == QNetworkReply::ContentReSendError && received->challenge) {
            hop.response.status = received->challenge;
            co_return hop;
        }
        // A request that must not go out twice fails where Qt would have
        // sent it again: the connection closed before the server answered.
        if (error == QNetworkReply::ContentReSendError)
            throw TransportError(QNetworkReply::RemoteHostClosedError, QStringLiteral("Connection closed"));
    }
    if (error != QNetworkReply::NoError && !(status.isValid() && isStatusError(error, status.toInt())))
        throw transportError(reply.get(), handle);
    hop.response.body = std::move(received->body);
    co_return hop;
}
