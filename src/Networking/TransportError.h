#pragma once

#include <QNetworkReply>
#include <QString>

#include <exception>

// A failure below HTTP: no connection, a time-out, a TLS failure, or the
// request cancelled by its own task. Thrown unchanged through the client so
// callers can classify it.
class TransportError : public std::exception
{
public:
    enum class Reason {
        Network,     // Qt reported a network error
        Cancelled,   // our own task cancelled the request
        TimedOut,    // the transfer time-out or the request's deadline expired
        TooLarge,    // the body was past what may be held in memory
        BadRedirect, // a redirect whose Location cannot be followed
    };

    TransportError(QNetworkReply::NetworkError code, QString text, Reason reason = Reason::Network);

    static TransportError cancelled();

    QNetworkReply::NetworkError code() const { return m_code; }
    QString text() const { return m_text; }
    Reason reason() const { return m_reason; }
    bool isCancelled() const { return m_reason == Reason::Cancelled; }
    bool isTimedOut() const { return m_reason == Reason::TimedOut; }
    bool isTooLarge() const { return m_reason == Reason::TooLarge; }

    QString localizedDescription() const;
    const char *what() const noexcept override;

private:
    QNetworkReply::NetworkError m_code;
    QString m_text;
    Reason m_reason;
    QByteArray m_what;
};
