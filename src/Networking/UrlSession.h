#pragma once

#include <QByteArray>
#include <QCoroTask>
#include <QDeadlineTimer>
#include <QUrl>

#include <optional>

#include "Networking/TransportError.h"
#include "Support/TaskHandle.h"

class QNetworkAccessManager;
class QNetworkReply;

// The answer of a plain GET: the HTTP status (absent when the answer was not
// HTTP at all) and the whole body.
struct HttpResponse
{
    std::optional<int> status;
    QByteArray body;
};

// The most of an answer a request holds in memory. Past it the request fails:
// a server that announces or sends more is broken or hostile. Songs stream to
// disk and are not bound by these.
struct BodyLimits
{
    static constexpr qint64 MaxAnswerBytes = 64LL * 1024 * 1024; // API answers
    static constexpr qint64 MaxCoverBytes = 32LL * 1024 * 1024; // cover images

    qint64 answer = MaxAnswerBytes;
    qint64 cover = MaxCoverBytes;
};

// The process-wide HTTP session every client copy shares: one network access
// manager on the GUI thread with a transfer time-out on every request.
class UrlSession
{
public:
    static constexpr int TransferTimeoutMs = 60'000;
    // The most time a request made through data() takes in all, from its
    // first send across every redirect, however steadily its answer arrives.
    static constexpr int RequestDeadlineMs = 120'000;
    // The most redirects one request follows, Qt's own bound.
    static constexpr int RedirectLimit = 50;

    // What a request fetches, which decides how much of it may be held.
    enum class Body {
        Answer,
        Cover,
    };

    // Whether a request may reach the server more than once. Qt's HTTP layer
    // sends a request again by itself when the connection closes before any
    // answer came; a write that is not safe to repeat (an added song, a
    // removal by position, a new playlist) must fail instead. Qt follows the
    // redirects of a request that may repeat; those of one that must not are
    // followed by data(), each hop again sent at most once.
    enum class Delivery {
        MayRepeat,
        AtMostOnce,
    };

    explicit UrlSession(QNetworkAccessManager *manager, int transferTimeoutMs = TransferTimeoutMs,
        BodyLimits limits = {}, int requestDeadlineMs = RequestDeadlineMs);

    // The session of the whole run, created on first use on the GUI thread.
    static UrlSession *shared();

    QNetworkAccessManager *manager() const { return m_manager; }
    int requestDeadlineMs() const { return m_requestDeadlineMs; }

    // Fetches `url` with a GET, or with a POST of `form` (an
    // application/x-www-form-urlencoded body) when one is given. Transport
    // failures (also those after the status arrived), the transfer time-out,
    // the request's deadline and cancellation through `handle` throw a
    // TransportError; a complete HTTP answer, whatever its status, is
    // returned. A body past the limit of its kind, announced or received,
    // stops the transfer and throws a TransportError too. A POST follows
    // every redirect as a POST of the same body, each hop sent as `delivery`
    // says.
    QCoro::Task<HttpResponse> data(QUrl url, TaskHandle handle = {}, Body kind = Body::Answer,
        Delivery delivery = Delivery::MayRepeat, std::optional<QByteArray> form = std::nullopt) const;

    // Starts a GET (or a POST of `form`) with this session's settings; the
    // caller owns the reply. The reply of a request sent at most once, and of
    // any POST, ends at a redirect. Only the transfer time-out bounds it: a
    // song streaming to disk may take long.
    QNetworkReply *get(const QUrl &url, Delivery delivery = Delivery::MayRepeat,
        const std::optional<QByteArray> &form = std::nullopt) const;

    // Whether `status` sends the request on to the address in the answer's
    // Location header.
    static bool isRedirect(int status);
    // Where a redirect from `from` to `location` (the header's raw value)
    // leads, refused by a TransportError as Qt refuses it for a request it
    // follows: a target that is not http or https, and one that is less safe
    // than `from` (https to http), since the request carries credentials.
    static QUrl redirectTarget(const QUrl &from, const QByteArray &location);

    // Turns a finished reply's failure into a TransportError, telling our own
    // cancellation (`handle`) from Qt's transfer time-out.
    static TransportError transportError(QNetworkReply *reply, const TaskHandle &handle);

    // Whether `error` is the one Qt sets for a complete answer with `status`,
    // rather than a failure of the transfer.
    static bool isStatusError(QNetworkReply::NetworkError error, int status);

private:
    struct Hop;
    // One request and its answer, up to a redirect that the request does not
    // leave to Qt.
    QCoro::Task<Hop> fetch(QUrl url, TaskHandle handle, Body kind, Delivery delivery, QDeadlineTimer deadline,
        std::optional<QByteArray> form = {}) const;

    QNetworkAccessManager *m_manager;
    int m_transferTimeoutMs;
    BodyLimits m_limits;
    int m_requestDeadlineMs;
};
