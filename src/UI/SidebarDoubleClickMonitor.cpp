#include "SidebarDoubleClickMonitor.h"

#include <QMouseEvent>
#include <QQuickWindow>

SidebarDoubleClickMonitor::SidebarDoubleClickMonitor(QObject *parent)
    : QObject(parent)
{ }

void SidebarDoubleClickMonitor::setSidebarSize(const QSizeF &size)
{
    if (size == m_sidebarSize)
        return;
    m_sidebarSize = size;
    Q_EMIT sidebarSizeChanged();
}

void SidebarDoubleClickMonitor::start(QWindow *window)
{
    if (m_window || !window)
        return;
    m_window = window;
    window->installEventFilter(this);
}

bool SidebarDoubleClickMonitor::eventFilter(QObject *watched, QEvent *event)
{
    // Qt reports the second press of a double click as its own event and the
    // third press of a triple click as a plain press, so a triple click
    // calls back once.
    if (event->type() == QEvent::MouseButtonDblClick && watched == m_window) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        const QPointF at = mouse->position();
        if (mouse->button() == Qt::LeftButton && m_window->isActive() && at.x() < m_sidebarSize.width()
            && at.y() < m_sidebarSize.height() && !coveredAt(at))
            Q_EMIT doubleClicked();
    }
    return false;
}

bool SidebarDoubleClickMonitor::coveredAt(const QPointF &at) const
{
    auto *quickWindow = qobject_cast<QQuickWindow *>(m_window.data());
    if (!quickWindow || !m_sidebarItem)
        return false;
    // The window's overlay (popups, dialogs, menus) is a sibling of the
    // content at the top level; whatever is on top there decides.
    QQuickItem *top = nullptr;
    QQuickItem *content = quickWindow->contentItem();
    for (QQuickItem *child : content->childItems()) {
        if (child->isVisible() && child->contains(content->mapToItem(child, at))
            && (!top || child->z() >= top->z()))
            top = child;
    }
    return top && top != m_sidebarItem && !top->isAncestorOf(m_sidebarItem);
}
