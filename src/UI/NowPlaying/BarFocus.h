#pragma once

#include <QObject>
#include <QtQml/qqmlregistration.h>

// Which of the now-playing bar's two keyboard-focusable controls holds the
// keyboard focus: the position strip's track, the speaker button, or neither.
// The bar's views write it when their focus changes; the view models read it
// and drop it.
class BarFocus : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Owned by the now-playing bar's view model.")
    Q_PROPERTY(Control control READ control WRITE setControl NOTIFY controlChanged)
public:
    enum Control { None, Scrubber, Volume };
    Q_ENUM(Control)

    using QObject::QObject;

    Control control() const { return m_control; }
    void setControl(Control control);
    // Gives the focus up when `control` holds it; otherwise leaves it alone.
    Q_INVOKABLE void resign(Control control);

Q_SIGNALS:
    void controlChanged();

private:
    Control m_control = None;
};
