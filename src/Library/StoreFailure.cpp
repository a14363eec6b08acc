#include "StoreFailure.h"

StoreFailure::StoreFailure(QUuid id, QString action, ConnectionFault fault, Retry retry)
    : m_id(id)
    , m_action(std::move(action))
    , m_fault(std::move(fault))
    , m_retry(std::move(retry))
{ }

namespace {

// The text with its first character in lower case (the full mapping of that
// one character, which may be longer than one unit) and the rest unchanged.
QString lowerFirst(const QString &text)
{
    if (text.isEmpty())
        return text;
    const qsizetype firstLength = text.at(0).isHighSurrogate() && text.size() > 1 ? 2 : 1;
    return text.left(firstLength).toLower() + text.mid(firstLength);
}

} // namespace

QString StoreFailure::message() const
{
    QString reason;
    switch (m_fault.kind()) {
    case ConnectionFault::Kind::Offline:
        reason = QStringLiteral("can't reach your server");
        break;
    case ConnectionFault::Kind::Unauthorized:
        reason = QStringLiteral("your server rejected the saved password");
        break;
    case ConnectionFault::Kind::Server:
    case ConnectionFault::Kind::Other:
        reason = lowerFirst(m_fault.text());
        break;
    }
    return QStringLiteral("Couldn't ") + m_action + QStringLiteral(" \u2014 ") + reason;
}
