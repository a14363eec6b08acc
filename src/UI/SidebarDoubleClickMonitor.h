#pragma once

#include <QObject>
#include <QPointer>
#include <QQuickItem>
#include <QSizeF>
#include <QWindow>
#include <QtQml/qqmlregistration.h>

// Watches the main window's left-button double clicks and reports those that
// land inside the sidebar, so the detail column can return to its root page.
// The click is never consumed: the list under the pointer still gets it.
// Only the main window is watched, so a double click in another of the
// program's windows (settings, a dialog, the search panel) never counts,
// whatever its coordinates.
class SidebarDoubleClickMonitor : public QObject
{
    Q_OBJECT
    QML_ELEMENT

    // The sidebar column's size; zero until measured and after it goes away.
    Q_PROPERTY(QSizeF sidebarSize READ sidebarSize WRITE setSidebarSize NOTIFY sidebarSizeChanged)
    // The sidebar itself: a click that lands on something drawn over it (a
    // dialog or a menu in the window's overlay) is not a click in the sidebar.
    Q_PROPERTY(QQuickItem *sidebarItem MEMBER m_sidebarItem)

public:
    explicit SidebarDoubleClickMonitor(QObject *parent = nullptr);

    QSizeF sidebarSize() const { return m_sidebarSize; }
    void setSidebarSize(const QSizeF &size);

    // Starts watching `window`; only the first call has an effect.
    Q_INVOKABLE void start(QWindow *window);
    bool isStarted() const { return !m_window.isNull(); }

Q_SIGNALS:
    void sidebarSizeChanged();
    void doubleClicked();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool coveredAt(const QPointF &at) const;

    QSizeF m_sidebarSize;
    QPointer<QWindow> m_window;
    QPointer<QQuickItem> m_sidebarItem;
};
