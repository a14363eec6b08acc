#include "GuiApplication.h"

#include <QInputMethodQueryEvent>
#include <QWindow>

GuiApplication::GuiApplication(int &argc, char **argv)
    : QGuiApplication(argc, argv)
{ }

bool GuiApplication::notify(QObject *receiver, QEvent *event)
{
    const QEvent::Type type = event->type();
    if ((type == QEvent::KeyPress || type == QEvent::KeyRelease) && event->spontaneous()
        && receiver->isWindowType() && hidesInput(static_cast<QWindow *>(receiver)->focusObject())) {
        // Sending marks the event as not spontaneous and runs it through
        // here again, on to the window.
        return QCoreApplication::sendEvent(receiver, event);
    }
    return QGuiApplication::notify(receiver, event);
}

bool GuiApplication::hidesInput(QObject *focus)
{
    if (!focus)
        return false;
    QInputMethodQueryEvent query(Qt::ImHints);
    QCoreApplication::sendEvent(focus, &query);
    const auto hints = Qt::InputMethodHints(query.value(Qt::ImHints).toInt());
    return hints.testAnyFlags(Qt::ImhHiddenText | Qt::ImhSensitiveData);
}
