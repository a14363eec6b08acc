#include "QmlWarningGuard.h"

#include <QMutex>
#include <QMutexLocker>

namespace {

QmlWarningGuard *current = nullptr;
QMutex mutex;

} // namespace

QmlWarningGuard::~QmlWarningGuard()
{
    if (!m_installed)
        return;
    qInstallMessageHandler(m_previous);
    QMutexLocker lock(&mutex);
    current = nullptr;
}

void QmlWarningGuard::install()
{
    if (m_installed)
        return;
    {
        QMutexLocker lock(&mutex);
        current = this;
    }
    m_previous = qInstallMessageHandler(&QmlWarningGuard::handle);
    m_installed = true;
}

QStringList QmlWarningGuard::take()
{
    QMutexLocker lock(&mutex);
    return std::exchange(m_warnings, {});
}

bool QmlWarningGuard::isQmlWarning(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtDebugMsg || type == QtInfoMsg)
        return false;
    const QLatin1StringView category(context.category ? context.category : "");
    if (category.startsWith(QLatin1StringView("qml")) || category.startsWith(QLatin1StringView("js"))
        || category.startsWith(QLatin1StringView("qt.qml"))
        || category.startsWith(QLatin1StringView("qt.quick")))
        return true;
    const QLatin1StringView file(context.file ? context.file : "");
    // A message that names a file of the module (a component, an image) comes
    // from the interface too.
    return file.endsWith(QLatin1StringView(".qml")) || message.contains(QLatin1StringView(".qml:"))
        || message.contains(QLatin1StringView("qrc:/"));
}

void QmlWarningGuard::handle(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    QtMessageHandler previous = nullptr;
    {
        QMutexLocker lock(&mutex);
        if (current) {
            previous = current->m_previous;
            if (isQmlWarning(type, context, message))
                current->m_warnings.append(message);
        }
    }
    if (previous)
        previous(type, context, message);
}
