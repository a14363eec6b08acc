#include "SubsonicError.h"

SubsonicError::SubsonicError(Kind kind, int status, int code, QString message)
    : m_kind(kind)
    , m_status(status)
    , m_code(code)
    , m_message(std::move(message))
{
    m_what = localizedDescription().toUtf8();
}

SubsonicError SubsonicError::http(int status)
{
    return SubsonicError(Kind::Http, status, 0, {});
}

SubsonicError SubsonicError::server(int code, const QString &message)
{
    return SubsonicError(Kind::Server, 0, code, message);
}

SubsonicError SubsonicError::invalidResponse()
{
    return SubsonicError(Kind::InvalidResponse, 0, 0, {});
}

SubsonicError SubsonicError::tooLong()
{
    return SubsonicError(Kind::TooLong, 0, 0, {});
}

QString SubsonicError::localizedDescription() const
{
    switch (m_kind) {
    case Kind::TooLong:
        return QStringLiteral("The server couldn't take a request this long.");
    case Kind::Http:
        return QStringLiteral("The server returned HTTP %1.").arg(m_status);
    case Kind::Server:
        if (m_code == 40)
            return QStringLiteral("Wrong username or password.");
        return m_message;
    case Kind::InvalidResponse:
        break;
    }
    return QStringLiteral(
        "The server response could not be read. Check that the URL points to a Subsonic-compatible server.");
}

const char *SubsonicError::what() const noexcept
{
    return m_what.constData();
}
