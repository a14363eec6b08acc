#include "GuiApplication.h"

#include "KeyTurns.h"

#include <QWindow>

GuiApplication::GuiApplication(int &argc, char **argv, const char *keyBridgeClass)
    : QGuiApplication(argc, argv)
    , m_keys(std::make_unique<KeyTurns>(keyBridgeClass ? keyBridgeClass : KeyTurns::QtBridgeClass))
{ }

GuiApplication::~GuiApplication() = default;

bool GuiApplication::notify(QObject *receiver, QEvent *event)
{
    if (event->type() == QEvent::MetaCall) {
        // The bridge's D-Bus answers reach it as calls queued to its object.
        if (m_keys->atBridge() && m_keys->isBridge(receiver)) {
            const bool result = QGuiApplication::notify(receiver, event);
            m_keys->bridgeAnswered();
            return result;
        }
    } else if (receiver->isWindowType() && KeyTurns::takesTurns(event)) {
        return m_keys->deliver(static_cast<QWindow *>(receiver), event);
    }
    return QGuiApplication::notify(receiver, event);
}
