#include "TextFocusReleaser.h"

#include <QPointerEvent>
#include <QQuickWindow>

TextFocusReleaser::TextFocusReleaser(QObject *parent)
    : QObject(parent)
{ }

void TextFocusReleaser::start(QWindow *window)
{
    if (m_window || !window)
        return;
    m_window = window;
    window->installEventFilter(this);
}

bool TextFocusReleaser::eventFilter(QObject *watched, QEvent *event)
{
    // A finger's touch is a press as the mouse's is; a touch that goes on
    // presses again only where a new finger comes down.
    const QEvent::Type type = event->type();
    if ((type != QEvent::MouseButtonPress && type != QEvent::TouchBegin && type != QEvent::TouchUpdate)
        || watched != m_window || !m_area)
        return false;
    const QList<QEventPoint> &points = static_cast<QPointerEvent *>(event)->points();
    for (const QEventPoint &point : points) {
        if (type == QEvent::MouseButtonPress || point.state() == QEventPoint::Pressed)
            pressedAt(point.scenePosition());
    }
    return false;
}

void TextFocusReleaser::pressedAt(const QPointF &at)
{
    auto *quickWindow = qobject_cast<QQuickWindow *>(m_window.data());
    QQuickItem *typing = quickWindow ? quickWindow->activeFocusItem() : nullptr;
    if (!typing || !(typing->inherits("QQuickTextInput") || typing->inherits("QQuickTextEdit")))
        return;
    const bool inField = typing->contains(typing->mapFromScene(at));
    const bool inArea = m_area->contains(m_area->mapFromScene(at));
    if (!inField && inArea && !coveredAt(at))
        m_area->forceActiveFocus(Qt::MouseFocusReason);
}

bool TextFocusReleaser::coveredAt(const QPointF &at) const
{
    auto *quickWindow = qobject_cast<QQuickWindow *>(m_window.data());
    if (!quickWindow)
        return false;
    // The overlay (popups, dialogs, menus) is a sibling of the content at the
    // top level: anything of it under the press is on top of the area.
    QQuickItem *content = quickWindow->contentItem();
    const QList<QQuickItem *> tops = content->childItems();
    for (QQuickItem *top : tops) {
        if (!top->isVisible() || top == m_area || top->isAncestorOf(m_area))
            continue;
        const QPointF local = top->mapFromScene(at);
        if (top->childAt(local.x(), local.y()))
            return true;
    }
    return false;
}
