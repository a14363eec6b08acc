#pragma once

#include <QByteArrayList>
#include <QList>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <memory>

// A loopback relay in front of the shared server, so that one suite can lose
// the server without stopping it for the others: point the client at url();
// while down, open connections are cut and new ones closed unanswered, as a
// server that went away; otherwise bytes pass both ways.
class LoopbackRelay : public QTcpServer
{
public:
    explicit LoopbackRelay(QUrl target)
        : m_target(std::move(target))
    {
        listen(QHostAddress::LocalHost);
    }

    QUrl url() const
    {
        QUrl url = m_target;
        url.setPort(serverPort());
        return url;
    }

    bool isDown() const { return m_down; }
    void setDown(bool down)
    {
        m_down = down;
        if (!down)
            return;
        for (const QPointer<QTcpSocket> &socket : std::as_const(m_sockets)) {
            if (socket)
                socket->abort();
        }
        m_sockets.clear();
    }

    // The answer to the next request whose head holds every one of `parts`
    // comes `delayMs` late; or, cut, never: the connection closes once the
    // server answered, as when the network fails after the server acted.
    void delayNextAnswer(const QByteArrayList &parts, int delayMs)
    {
        m_rules.append({parts, delayMs, false});
    }
    void cutNextAnswer(const QByteArrayList &parts) { m_rules.append({parts, 0, true}); }
    // How many answers were cut: a rule whose request never came, or came in
    // a form it does not match, cuts none.
    int cuts() const { return m_cuts; }

protected:
    void incomingConnection(qintptr descriptor) override
    {
        auto *client = new QTcpSocket(this);
        client->setSocketDescriptor(descriptor);
        if (m_down) {
            client->abort();
            client->deleteLater();
            return;
        }
        auto *upstream = new QTcpSocket(this);
        m_sockets << client << upstream;
        // What happens to the answer of the request last sent on this connection.
        auto answer = std::make_shared<Rule>();
        connect(client, &QTcpSocket::readyRead, upstream, [this, client, upstream, answer] {
            const QByteArray data = client->readAll();
            *answer = takeRule(data);
            upstream->write(data);
        });
        connect(upstream, &QTcpSocket::readyRead, client, [this, client, upstream, answer] {
            const QByteArray data = upstream->readAll();
            if (answer->cut) {
                ++m_cuts;
                client->abort();
                upstream->abort();
            } else if (answer->delayMs > 0) {
                QTimer::singleShot(answer->delayMs, client, [client, data] { client->write(data); });
            } else {
                client->write(data);
            }
        });
        connect(client, &QTcpSocket::disconnected, upstream, &QTcpSocket::disconnectFromHost);
        connect(upstream, &QTcpSocket::disconnected, client, &QTcpSocket::disconnectFromHost);
        connect(client, &QTcpSocket::disconnected, client, &QObject::deleteLater);
        connect(upstream, &QTcpSocket::disconnected, upstream, &QObject::deleteLater);
        upstream->connectToHost(m_target.host(), quint16(m_target.port()));
    }

private:
    struct Rule
    {
        QByteArrayList parts;
        int delayMs = 0;
        bool cut = false;
    };

    Rule takeRule(const QByteArray &request)
    {
        for (qsizetype i = 0; i < m_rules.size(); ++i) {
            const Rule &rule = m_rules.at(i);
            if (std::all_of(rule.parts.begin(), rule.parts.end(),
                    [&request](const QByteArray &part) { return request.contains(part); }))
                return m_rules.takeAt(i);
        }
        return {};
    }

    QList<Rule> m_rules;
    QUrl m_target;
    bool m_down = false;
    int m_cuts = 0;
    QList<QPointer<QTcpSocket>> m_sockets;
};
