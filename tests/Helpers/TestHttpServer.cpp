#include "TestHttpServer.h"

#include <QBuffer>
#include <QImage>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTimer>

#include <memory>

QUrl TestHttpServer::Request::url() const
{
    return QUrl(QStringLiteral("http://127.0.0.1") + QString::fromLatin1(target), QUrl::StrictMode);
}

QByteArray TestHttpServer::Request::path() const
{
    const int q = target.indexOf('?');
    return q < 0 ? target : target.left(q);
}

namespace {

void appendPairs(const QByteArray &encoded, QList<std::pair<QString, QString>> &items)
{
    for (const QByteArray &pair : encoded.split('&')) {
        if (pair.isEmpty())
            continue;
        const int eq = pair.indexOf('=');
        const QByteArray name = eq < 0 ? pair : pair.left(eq);
        const QByteArray value = eq < 0 ? QByteArray() : pair.mid(eq + 1);
        // A server reads "+" as a space: decode the way it would.
        auto decode = [](QByteArray raw) {
            raw.replace('+', ' ');
            return QString::fromUtf8(QByteArray::fromPercentEncoding(raw));
        };
        items.append({decode(name), decode(value)});
    }
}

} // namespace

QList<std::pair<QString, QString>> TestHttpServer::Request::queryItems() const
{
    QList<std::pair<QString, QString>> items;
    if (const int q = target.indexOf('?'); q >= 0)
        appendPairs(target.mid(q + 1), items);
    if (headers.value("content-type").startsWith("application/x-www-form-urlencoded"))
        appendPairs(body, items);
    return items;
}

QString TestHttpServer::Request::queryValue(const QString &name) const
{
    for (const auto &[n, v] : queryItems()) {
        if (n == name)
            return v;
    }
    return {};
}

TestHttpServer::TestHttpServer(QObject *parent)
    : QObject(parent)
{
    m_default.status = 404;
    m_default.body = "not found";
    m_default.contentType = "text/plain";
    connect(&m_server, &QTcpServer::newConnection, this, &TestHttpServer::onNewConnection);
}

TestHttpServer::~TestHttpServer()
{
    for (const auto &socket : std::as_const(m_hanging)) {
        if (socket)
            socket->abort();
    }
    // Connections a client still holds open (a shared network session keeps
    // them alive) close while the sockets are deleted below, after the
    // members their handlers use are gone: let go of those handlers first.
    const QList<QTcpSocket *> sockets = m_server.findChildren<QTcpSocket *>();
    for (QTcpSocket *socket : sockets)
        socket->disconnect(this);
}

bool TestHttpServer::listen()
{
    return m_server.listen(QHostAddress::LocalHost, 0);
}

bool TestHttpServer::isListening() const
{
    return m_server.isListening();
}

quint16 TestHttpServer::port() const
{
    return m_server.serverPort();
}

QUrl TestHttpServer::baseUrl() const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(port()));
}

void TestHttpServer::setResponse(const QByteArray &path, const Response &response)
{
    m_responses.insert(path, response);
}

void TestHttpServer::setHandler(Handler handler)
{
    m_handler = std::move(handler);
}

void TestHttpServer::setDefaultResponse(const Response &response)
{
    m_default = response;
}

void TestHttpServer::redirectEverythingTo(const QUrl &origin, int status)
{
    const QByteArray to
        = origin.adjusted(QUrl::RemovePath | QUrl::RemoveQuery | QUrl::RemoveFragment).toEncoded();
    setHandler([to, status](const Request &request) {
        Response moved = json("moved", status);
        moved.headers.append({"Location", to + request.target});
        return moved;
    });
}

TestHttpServer::Response TestHttpServer::json(const QByteArray &body, int status)
{
    Response response;
    response.status = status;
    response.body = body;
    return response;
}

TestHttpServer::Response TestHttpServer::ok(const QByteArray &fields)
{
    QByteArray body = R"({"subsonic-response":{"status":"ok","version":"1.16.1")";
    if (!fields.isEmpty())
        body += ',' + fields;
    body += "}}";
    return json(body);
}

TestHttpServer::Response TestHttpServer::failed(int code, const QByteArray &message)
{
    return json(R"({"subsonic-response":{"status":"failed","version":"1.16.1","error":{"code":)"
        + QByteArray::number(code) + R"(,"message":")" + message + R"("}}})");
}

TestHttpServer::Response TestHttpServer::dropped()
{
    Response response;
    response.drop = true;
    return response;
}

TestHttpServer::Response TestHttpServer::hanging()
{
    Response response;
    response.hang = true;
    return response;
}

TestHttpServer::Response TestHttpServer::image(const QImage &image, const char *format)
{
    Response response;
    QBuffer buffer(&response.body);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    const QByteArray type = QByteArray(format).toLower();
    response.contentType = "image/" + (type == "jpg" ? QByteArray("jpeg") : type);
    return response;
}

int TestHttpServer::requestCount(const QByteArrayList &paths) const
{
    int count = 0;
    for (const Request &request : m_requests)
        count += paths.contains(request.path());
    return count;
}

QStringList TestHttpServer::sentValues(const QByteArray &path, const QString &key) const
{
    QStringList values;
    for (const Request &request : m_requests) {
        if (request.path() == path)
            values.append(request.queryValue(key));
    }
    return values;
}

void TestHttpServer::onNewConnection()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            m_buffers.remove(socket);
            socket->deleteLater();
        });
    }
}

void TestHttpServer::onReadyRead(QTcpSocket *socket)
{
    QByteArray &buffer = m_buffers[socket];
    buffer += socket->readAll();
    const int end = buffer.indexOf("\r\n\r\n");
    if (end < 0)
        return;
    const QByteArray head = buffer.left(end);
    static const QRegularExpression lengthHeader(
        QStringLiteral("\r\ncontent-length:\\s*(\\d+)"), QRegularExpression::CaseInsensitiveOption);
    const auto length = lengthHeader.match(QString::fromLatin1(head));
    const qsizetype bodySize = length.hasMatch() ? length.captured(1).toLongLong() : 0;
    if (buffer.size() < end + 4 + bodySize)
        return;
    const QByteArray body = buffer.mid(end + 4, bodySize);
    buffer.remove(0, end + 4 + bodySize);

    const QList<QByteArray> lines = head.split('\n');
    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    Request request;
    request.method = requestLine.value(0);
    request.target = requestLine.value(1);
    request.body = body;
    for (int i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        const int colon = line.indexOf(':');
        if (colon > 0)
            request.headers.insert(line.left(colon).trimmed().toLower(), line.mid(colon + 1).trimmed());
    }
    m_requests.append(request);
    Q_EMIT requestReceived(request);
    answer(socket, request);
}

void TestHttpServer::answer(QTcpSocket *socket, const Request &request)
{
    Response response = m_default;
    if (auto it = m_responses.constFind(request.path()); it != m_responses.constEnd())
        response = *it;
    else if (m_handler)
        response = m_handler(request);

    if (response.hang) {
        m_hanging.append(socket);
        return;
    }
    if (response.drop) {
        socket->abort();
        Q_EMIT answerSent(request);
        return;
    }
    if (response.delayMs > 0) {
        QPointer<QTcpSocket> guarded(socket);
        QTimer::singleShot(response.delayMs, this, [this, guarded, request, response] {
            if (guarded)
                write(guarded, request, response);
        });
        return;
    }
    write(socket, request, response);
}

void TestHttpServer::write(QTcpSocket *socket, const Request &request, const Response &response)
{
    if (response.rawBody) {
        socket->write(response.body);
        if (response.stall)
            m_hanging.append(socket);
        else
            socket->disconnectFromHost();
        Q_EMIT answerSent(request);
        return;
    }
    int status = response.status;
    QByteArray body = response.body;
    QList<std::pair<QByteArray, QByteArray>> headers = response.headers;
    if (response.supportRanges) {
        headers.append(std::pair<QByteArray, QByteArray>("Accept-Ranges", "bytes"));
        static const QRegularExpression range(QStringLiteral("^bytes=(\\d+)-(\\d*)$"));
        const auto match = range.match(QString::fromLatin1(request.headers.value("range")));
        if (match.hasMatch() && status == 200) {
            const qint64 total = body.size();
            const qint64 first = match.captured(1).toLongLong();
            qint64 last = match.captured(2).isEmpty() ? total - 1 : match.captured(2).toLongLong();
            last = std::min(last, total - 1);
            if (first < total) {
                status = 206;
                headers.append(std::pair<QByteArray, QByteArray>("Content-Range",
                    QByteArray("bytes ") + QByteArray::number(first) + '-' + QByteArray::number(last) + '/'
                        + QByteArray::number(total)));
                body = body.mid(first, last - first + 1);
            }
        }
    }
    QByteArray head = "HTTP/1.1 " + QByteArray::number(status) + " Status\r\n";
    if (!response.contentType.isEmpty())
        head += "Content-Type: " + response.contentType + "\r\n";
    head += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    for (const auto &[name, value] : headers)
        head += name + ": " + value + "\r\n";
    head += "Connection: close\r\n\r\n";
    socket->write(head);
    if (response.trickleMs > 0 && !body.isEmpty() && request.method != "HEAD") {
        auto *timer = new QTimer(socket);
        auto sent = std::make_shared<qsizetype>(0);
        connect(timer, &QTimer::timeout, socket, [socket, timer, body, sent] {
            socket->write(body.mid((*sent)++, 1));
            if (*sent == body.size()) {
                timer->stop();
                socket->disconnectFromHost();
            }
        });
        timer->start(response.trickleMs);
        return;
    }
    if (request.method != "HEAD")
        socket->write(response.sendOnly < 0 ? body : body.left(response.sendOnly));
    if (response.stall)
        m_hanging.append(socket);
    else
        socket->disconnectFromHost();
    Q_EMIT answerSent(request);
}
