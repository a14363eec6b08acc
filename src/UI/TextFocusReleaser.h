#pragma once

#include <QObject>
#include <QPointer>
#include <QQuickItem>
#include <QWindow>
#include <QtQml/qqmlregistration.h>

// Watches a window's presses, of the mouse or of a finger: one that lands in
// `area` but outside the text field that has the keyboard gives the keyboard
// to `area` before the press goes on, so keys such as the space bar reach
// the window again instead of the field. Whatever is under the pointer still
// gets the press, and may take the keyboard itself (a list, another field).
// A press on something drawn over the area (a popup, a dialog, a menu)
// changes nothing.
class TextFocusReleaser : public QObject
{
    Q_OBJECT
    QML_ELEMENT

    // The item that takes the keyboard back; it covers where presses count.
    Q_PROPERTY(QQuickItem *area MEMBER m_area)

public:
    explicit TextFocusReleaser(QObject *parent = nullptr);

    // Starts watching `window`; only the first call has an effect.
    Q_INVOKABLE void start(QWindow *window);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // A press at `at` (window coordinates).
    void pressedAt(const QPointF &at);
    // Whether the press at `at` (window coordinates) lands on something
    // above the area in the window's top level (the overlay's popups).
    bool coveredAt(const QPointF &at) const;

    QPointer<QWindow> m_window;
    QPointer<QQuickItem> m_area;
};
