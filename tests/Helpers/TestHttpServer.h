#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTcpServer>
#include <QUrl>

#include <functional>

class QImage;
class QTcpSocket;

// A minimal HTTP/1.1 server on 127.0.0.1 for tests. It answers each GET with
// the canned response of its path (or of the handler), records every request
// exactly as it arrived, and can delay, hang or drop a connection.
// It runs on the thread that created it; TestAwait::await (Await.h) and QSignalSpy::wait
// spin the event loop it needs.
class TestHttpServer : public QObject
{
    Q_OBJECT
public:
    struct Request
    {
        QByteArray method;
        QByteArray target; // the raw request target: path and query as sent
        QHash<QByteArray, QByteArray> headers; // names lower-cased
        QByteArray body; // as many bytes as Content-Length announced
        QUrl url() const; // target resolved against the server's address
        QByteArray path() const;
        // The parameters as a server reads them: the query's items, then
        // those of an application/x-www-form-urlencoded body, as raw pairs,
        // percent-decoded, in order; repeats kept.
        QList<std::pair<QString, QString>> queryItems() const;
        QString queryValue(const QString &name) const;
    };

    struct Response
    {
        int status = 200;
        QByteArray body;
        QByteArray contentType = "application/json";
        QList<std::pair<QByteArray, QByteArray>> headers;
        int delayMs = 0;        // wait before answering
        bool hang = false;      // never answer
        bool drop = false;      // close the connection without an answer
        bool rawBody = false;   // send `body` as the whole answer, no status line
        bool supportRanges = false; // honour "Range: bytes=a-b"
        qsizetype sendOnly = -1;    // send only this many bytes of the body, still announcing all of it
        bool stall = false;         // after writing, keep the connection open and send nothing more
        int trickleMs = 0;          // send the body one byte at a time, this many ms apart
    };

    using Handler = std::function<Response(const Request &)>;

    explicit TestHttpServer(QObject *parent = nullptr);
    ~TestHttpServer() override;

    bool listen();
    bool isListening() const;
    quint16 port() const;
    QUrl baseUrl() const; // http://127.0.0.1:<port>

    // Canned answer of one path ("/rest/ping"); the handler answers the rest.
    void setResponse(const QByteArray &path, const Response &response);
    void setHandler(Handler handler);
    void setDefaultResponse(const Response &response);
    void clearResponses() { m_responses.clear(); }
    // A front server, as a proxy that moved: every request is answered with
    // `status` and a Location of the same path and query on `origin`.
    void redirectEverythingTo(const QUrl &origin, int status = 308);

    QList<Request> requests() const { return m_requests; }
    Request lastRequest() const { return m_requests.isEmpty() ? Request{} : m_requests.last(); }
    void clearRequests() { m_requests.clear(); }
    // How many requests went to any of `paths`, and one query value of each
    // request to `path`, in the order sent.
    int requestCount(const QByteArrayList &paths) const;
    QStringList sentValues(const QByteArray &path, const QString &key) const;

    static Response json(const QByteArray &body, int status = 200);
    // {"subsonic-response": {"status": "ok", "version": "1.16.1", <fields>}}
    static Response ok(const QByteArray &fields = {});
    static Response failed(int code, const QByteArray &message);
    // A connection closed without an answer, and one never answered.
    static Response dropped();
    static Response hanging();
    // An image file (a cover), encoded as `format`.
    static Response image(const QImage &image, const char *format = "PNG");

Q_SIGNALS:
    void requestReceived(const TestHttpServer::Request &request);
    // The answer to `request` went out, or its connection was closed in its
    // place; a hanging request never has one.
    void answerSent(const TestHttpServer::Request &request);

private:
    void onNewConnection();
    void onReadyRead(QTcpSocket *socket);
    void answer(QTcpSocket *socket, const Request &request);
    void write(QTcpSocket *socket, const Request &request, const Response &response);

    QTcpServer m_server;
    QHash<QByteArray, Response> m_responses;
    Handler m_handler;
    Response m_default;
    QList<Request> m_requests;
    QHash<QTcpSocket *, QByteArray> m_buffers;
    QList<QPointer<QTcpSocket>> m_hanging;
};
