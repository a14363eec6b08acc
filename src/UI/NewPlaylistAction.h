#pragma once

#include <QObject>
#include <QtQml/qqmlregistration.h>

// What the main window offers the "New Playlist…" command: triggering it
// presents the window's naming dialog. The window publishes it to the menu
// commands while it is the active, signed-in window.
class NewPlaylistAction : public QObject
{
    Q_OBJECT
    QML_ELEMENT

public:
    using QObject::QObject;

    Q_INVOKABLE void trigger() { Q_EMIT triggered(); }

Q_SIGNALS:
    void triggered();
};
