#pragma once

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QSslCertificate>
#include <QSslKey>
#include <QSslSocket>
#include <QString>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

// An https front on 127.0.0.1 for a plain loopback server (a TestHttpServer):
// it ends TLS with a self-signed certificate made for 127.0.0.1 and passes the
// bytes on both ways, so the server behind it answers https requests and
// records them as usual. Clients trust caFile() to reach it.
class TlsRelay : public QTcpServer
{
public:
    // Makes the certificate in `dir` (with the openssl tool) and listens.
    TlsRelay(QUrl target, const QString &dir)
        : m_target(std::move(target))
        , m_caFile(dir + QStringLiteral("/relay-cert.pem"))
    {
        const QString keyFile = dir + QStringLiteral("/relay-key.pem");
        QProcess openssl;
        openssl.setStandardOutputFile(QProcess::nullDevice());
        openssl.setStandardErrorFile(QProcess::nullDevice());
        openssl.start(QStringLiteral("openssl"),
            {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                QStringLiteral("rsa:2048"), QStringLiteral("-nodes"), QStringLiteral("-days"),
                QStringLiteral("2"), QStringLiteral("-subj"), QStringLiteral("/CN=127.0.0.1"),
                QStringLiteral("-addext"), QStringLiteral("subjectAltName=IP:127.0.0.1"),
                QStringLiteral("-keyout"), keyFile, QStringLiteral("-out"), m_caFile});
        const bool made = openssl.waitForFinished(60'000) && openssl.exitStatus() == QProcess::NormalExit
            && openssl.exitCode() == 0;
        QFile cert(m_caFile);
        QFile key(keyFile);
        if (!made || !cert.open(QIODevice::ReadOnly) || !key.open(QIODevice::ReadOnly))
            return;
        m_certificate = QSslCertificate(&cert, QSsl::Pem);
        m_key = QSslKey(&key, QSsl::Rsa, QSsl::Pem);
        if (!m_certificate.isNull() && !m_key.isNull())
            listen(QHostAddress::LocalHost);
    }

    // https://127.0.0.1:<port>
    QUrl url() const { return QUrl(QStringLiteral("https://127.0.0.1:%1").arg(serverPort())); }
    QString caFile() const { return m_caFile; }

protected:
    void incomingConnection(qintptr descriptor) override
    {
        auto *client = new QSslSocket(this);
        if (!client->setSocketDescriptor(descriptor)) {
            delete client;
            return;
        }
        client->setLocalCertificate(m_certificate);
        client->setPrivateKey(m_key);
        auto *upstream = new QTcpSocket(client);
        // Written while it still connects, the bytes wait in its buffer.
        connect(client, &QSslSocket::readyRead, upstream,
            [client, upstream] { upstream->write(client->readAll()); });
        connect(upstream, &QTcpSocket::readyRead, client,
            [client, upstream] { client->write(upstream->readAll()); });
        connect(upstream, &QTcpSocket::disconnected, client, [client] { client->disconnectFromHost(); });
        connect(client, &QSslSocket::disconnected, client, [client, upstream] {
            upstream->abort();
            client->deleteLater();
        });
        upstream->connectToHost(QHostAddress::LocalHost, quint16(m_target.port()));
        client->startServerEncryption();
    }

private:
    QUrl m_target;
    QString m_caFile;
    QSslCertificate m_certificate;
    QSslKey m_key;
};
