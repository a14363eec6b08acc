#pragma once

#include <QMetaType>
#include <QObject>
#include <QString>

#include <exception>

// What went wrong with a server call, in the few words the interface needs:
// the server cannot be reached, it refuses the saved password, it reported a
// failure of its own, or something else broke. Made from any error the client
// throws.
class ConnectionFault
{
    Q_GADGET
    Q_PROPERTY(Kind kind READ kind CONSTANT)
    Q_PROPERTY(QString text READ text CONSTANT)
public:
    enum class Kind { Server, Other, Offline, Unauthorized };
    Q_ENUM(Kind)

    ConnectionFault() = default;

    static ConnectionFault server(const QString &text) { return ConnectionFault(Kind::Server, text); }
    static ConnectionFault other(const QString &text) { return ConnectionFault(Kind::Other, text); }
    static ConnectionFault offline() { return ConnectionFault(Kind::Offline, {}); }
    static ConnectionFault unauthorized() { return ConnectionFault(Kind::Unauthorized, {}); }

    // Classifies an error thrown by the client (SubsonicError, TransportError)
    // or anything else. Never fails.
    static ConnectionFault fromError(const std::exception_ptr &error);

    // The error's own user-facing text (the client's message, the transport's
    // description), as shown under a list that failed to load.
    static QString describe(const std::exception_ptr &error);

    // Whether the error is a request cancelled on purpose (its page went, a
    // newer load replaced it): nothing to tell anyone about.
    static bool isCancellation(const std::exception_ptr &error);

    Kind kind() const { return m_kind; }
    // The text of a server or other fault; empty for offline and unauthorized.
    QString text() const { return m_text; }

    // Whether this fault makes the server count as unusable.
    bool marksServerFailing() const { return m_kind == Kind::Offline || m_kind == Kind::Unauthorized; }

    friend bool operator==(const ConnectionFault &a, const ConnectionFault &b)
    {
        return a.m_kind == b.m_kind && a.m_text == b.m_text;
    }

private:
    ConnectionFault(Kind kind, QString text)
        : m_kind(kind)
        , m_text(std::move(text))
    { }

    Kind m_kind = Kind::Other;
    QString m_text;
};

Q_DECLARE_METATYPE(ConnectionFault)
