#pragma once

#include <QMutex>
#include <QMutexLocker>
#include <QStringList>
#include <QtGlobal>

#include <utility>

// Collects the warnings QML prints while it lives, so that a test can fail
// on them: a QML warning is a defect of the component that printed it.
class QmlWarningCatcher
{
public:
    QmlWarningCatcher()
    {
        instance() = this;
        m_previous = qInstallMessageHandler(&QmlWarningCatcher::handle);
    }
    ~QmlWarningCatcher()
    {
        qInstallMessageHandler(m_previous);
        instance() = nullptr;
    }

    QStringList take()
    {
        QMutexLocker locker(&m_mutex);
        return std::exchange(m_warnings, {});
    }

private:
    static QmlWarningCatcher *&instance()
    {
        static QmlWarningCatcher *catcher = nullptr;
        return catcher;
    }

    static void handle(QtMsgType type, const QMessageLogContext &context, const QString &message)
    {
        QmlWarningCatcher *self = instance();
        const bool fromQml = message.contains(QLatin1String(".qml:"))
            || message.contains(QLatin1String("qrc:/")) || qstrcmp(context.category, "qml") == 0
            || qstrcmp(context.category, "js") == 0;
        if (self && type >= QtWarningMsg && fromQml) {
            QMutexLocker locker(&self->m_mutex);
            self->m_warnings.append(message);
        }
        if (self && self->m_previous)
            self->m_previous(type, context, message);
    }

    QtMessageHandler m_previous = nullptr;
    QMutex m_mutex;
    QStringList m_warnings;
};
