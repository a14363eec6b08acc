#pragma once

#include <QGuiApplication>

#include <memory>

class KeyTurns;

// The application object of a run with windows. It keeps the keys typed into
// an input that hides what is typed (a password field) off the accessibility
// bus, and every key and click in the order made, whatever the bus's
// listeners do (see KeyTurns). Its notify runs before every event filter, Qt's
// AT-SPI bridge's among them, which filters the whole application and moves
// itself in front of every other filter each time a listener comes to the bus
// or goes.
// Shortcuts are matched before a key is delivered, so they go their usual way.
class GuiApplication : public QGuiApplication
{
public:
    // `keyBridgeClass`: the class of the accessibility bridge's object that
    // holds keys, when it is not Qt's AT-SPI bridge's.
    GuiApplication(int &argc, char **argv, const char *keyBridgeClass = nullptr);
    ~GuiApplication() override;

    bool notify(QObject *receiver, QEvent *event) override;

private:
    std::unique_ptr<KeyTurns> m_keys;
};
