#include "GuiApplication.h"

#include "KeyTurns.h"

#include <QKeyEvent>
#include <QWindow>

GuiApplication::GuiApplication(int &argc, char **argv)
    : QGuiApplication(argc, argv)
    , m_keys(std::make_unique<KeyTurns>())
{ }

GuiApplication::~GuiApplication() = default;

bool GuiApplication::notify(QObject *receiver, QEvent *event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        if (receiver->isWindowType())
            return m_keys->deliver(static_cast<QWindow *>(receiver), static_cast<QKeyEvent *>(event));
        break;
    case QEvent::MetaCall:
        // The bridge's D-Bus answers reach it as calls queued to its object.
        if (m_keys->atBridge() && KeyTurns::isBridge(receiver)) {
            const bool result = QGuiApplication::notify(receiver, event);
            m_keys->bridgeAnswered();
            return result;
        }
        break;
    default:
        break;
    }
    return QGuiApplication::notify(receiver, event);
}
