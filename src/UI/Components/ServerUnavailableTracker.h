#pragma once

#include <QHash>
#include <QObject>
#include <QtQml/qqmlregistration.h>

// One window's answer to "does some page show the full-page server notice
// right now?". Every page fallback reports whether it shows the notice and
// whether it is visible; pages covered by pushed pages stay alive in the
// stack, so only a fallback that is both counts. The connection banner stays
// hidden while the answer is yes, so a fault is never reported twice.
class ServerUnavailableTracker : public QObject
{
    Q_OBJECT
    QML_ELEMENT

    Q_PROPERTY(bool serverUnavailableShown READ serverUnavailableShown NOTIFY serverUnavailableShownChanged)

public:
    using QObject::QObject;

    bool serverUnavailableShown() const { return m_showing > 0; }

    // The current state of one fallback; a destroyed fallback stops counting.
    Q_INVOKABLE void report(QObject *fallback, bool showsNotice, bool visible);
    Q_INVOKABLE void unregister(QObject *fallback);

Q_SIGNALS:
    void serverUnavailableShownChanged();

private:
    void set(QObject *fallback, bool counts);

    QHash<QObject *, bool> m_fallbacks;
    int m_showing = 0;
};
