#include "TransportError.h"

TransportError::TransportError(QNetworkReply::NetworkError code, QString text, Reason reason)
    : m_code(code)
    , m_text(std::move(text))
    , m_reason(reason)
    , m_what(localizedDescription().toUtf8())
{
}

TransportError TransportError::cancelled()
{
    return TransportError(QNetworkReply::OperationCanceledError, QStringLiteral("cancelled"), Reason::Cancelled);
}

QString TransportError::localizedDescription() const
{
    switch (m_reason) {
    case Reason::Cancelled:
        return QStringLiteral("The request was cancelled.");
    case Reason::TimedOut:
        return QStringLiteral("The request timed out.");
    case Reason::TooLarge:
        return QStringLiteral("The server's answer is too large.");
    case Reason::BadRedirect:
        return QStringLiteral("The server redirected to an address that can't be used.");
    case Reason::Network:
        break;
    }
    // Qt's texts name the URL ("Error transferring <url> - ..."), and a signed
    // URL must never reach the interface or a log: describe by the code instead.
    switch (m_code) {
    case QNetworkReply::ConnectionRefusedError:
        return QStringLiteral("Could not connect to the server.");
    case QNetworkReply::HostNotFoundError:
        return QStringLiteral("A server with the specified hostname could not be found.");
    case QNetworkReply::RemoteHostClosedError:
        return QStringLiteral("The network connection was lost.");
    case QNetworkReply::TimeoutError:
        return QStringLiteral("The request timed out.");
    case QNetworkReply::SslHandshakeFailedError:
        return QStringLiteral("A secure connection to the server could not be made.");
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::NetworkSessionFailedError:
        return QStringLiteral("The Internet connection appears to be offline.");
    case QNetworkReply::ProxyConnectionRefusedError:
    case QNetworkReply::ProxyConnectionClosedError:
    case QNetworkReply::ProxyNotFoundError:
    case QNetworkReply::ProxyTimeoutError:
    case QNetworkReply::ProxyAuthenticationRequiredError:
        return QStringLiteral("The proxy server could not be reached.");
    case QNetworkReply::InsecureRedirectError:
        return QStringLiteral("The server redirected to an address that is not secure.");
    case QNetworkReply::TooManyRedirectsError:
        return QStringLiteral("The server redirected too many times.");
    case QNetworkReply::ProtocolUnknownError:
    case QNetworkReply::ProtocolInvalidOperationError:
        return QStringLiteral("The address uses an unsupported protocol.");
    default:
        return QStringLiteral("A network error occurred (code %1).").arg(int(m_code));
    }
}

const char *TransportError::what() const noexcept
{
    return m_what.constData();
}
