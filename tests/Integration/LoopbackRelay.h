#pragma once

#include <QList>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

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
        connect(client, &QTcpSocket::readyRead, upstream,
            [client, upstream] { upstream->write(client->readAll()); });
        connect(upstream, &QTcpSocket::readyRead, client,
            [client, upstream] { client->write(upstream->readAll()); });
        connect(client, &QTcpSocket::disconnected, upstream, &QTcpSocket::disconnectFromHost);
        connect(upstream, &QTcpSocket::disconnected, client, &QTcpSocket::disconnectFromHost);
        connect(client, &QTcpSocket::disconnected, client, &QObject::deleteLater);
        connect(upstream, &QTcpSocket::disconnected, upstream, &QObject::deleteLater);
        upstream->connectToHost(m_target.host(), quint16(m_target.port()));
    }

private:
    QUrl m_target;
    bool m_down = false;
    QList<QPointer<QTcpSocket>> m_sockets;
};
