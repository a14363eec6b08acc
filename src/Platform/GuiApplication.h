#pragma once

#include <QGuiApplication>

// The application object of a run with windows. It keeps the keys typed into
// an input that hides what is typed (a password field) off the accessibility
// bus. Qt's AT-SPI bridge watches the whole application with an event filter,
// which it puts in front of every other filter each time a listener comes to
// the bus or goes, and hands each key press and release a window gets from
// the system to the bus's keystroke listeners, with its text and key symbol,
// before the window sees it. It passes by keys that are sent from within the
// program. A key the system gives a window whose focus is such an input is
// therefore delivered here as a sent key: the input receives it just the
// same, and it never reaches the bridge. Every other key, and every shortcut
// (matched before a key is delivered), goes its usual way.
class GuiApplication : public QGuiApplication
{
public:
    GuiApplication(int &argc, char **argv);

    bool notify(QObject *receiver, QEvent *event) override;

    // Whether `focus` hides or guards what is typed into it, as it tells
    // input methods (a field whose echo mode is not Normal does).
    static bool hidesInput(QObject *focus);
};
