#pragma once

#include <QByteArray>
#include <QString>

#include <exception>

// The client's own failures: an HTTP status outside 200–299, a failure the
// server reported in its envelope, an answer that could not be read, or a
// long request the server took neither as a form nor as a query.
class SubsonicError : public std::exception
{
public:
    enum class Kind { Http, Server, InvalidResponse, TooLong };

    static SubsonicError http(int status);
    static SubsonicError server(int code, const QString &message);
    static SubsonicError invalidResponse();
    static SubsonicError tooLong();

    Kind kind() const { return m_kind; }
    int httpStatus() const { return m_status; }
    int code() const { return m_code; }
    QString message() const { return m_message; }

    QString localizedDescription() const;
    const char *what() const noexcept override;

    friend bool operator==(const SubsonicError &a, const SubsonicError &b)
    {
        return a.m_kind == b.m_kind && a.m_status == b.m_status && a.m_code == b.m_code && a.m_message == b.m_message;
    }

private:
    SubsonicError(Kind kind, int status, int code, QString message);

    Kind m_kind;
    int m_status = 0;
    int m_code = 0;
    QString m_message;
    QByteArray m_what;
};
