#include "TextFocusReleaser.h"

#include <QMouseEvent>
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
    if (event->type() != QEvent::MouseButtonPress || watched != m_window || !m_area)
        return false;
    auto *quickWindow = qobject_cast<QQuickWindow *>(m_window.data());
    QQuickItem *typing = quickWindow ? quickWindow->activeFocusItem() : nullptr;
    if (!typing || !(typing->inherits("QQuickTextInput") || typing->inherits("QQuickTextEdit")))
        return false;
    const QPointF at = static_cast<QMouseEvent *>(event)->scenePosition();
    const bool inField = typing->contains(typing->mapFromScene(at));
    const bool inArea = m_area->contains(m_area->mapFromScene(at));
    if (!inField && inArea && !coveredAt(at))
        m_area->forceActiveFocus(Qt::MouseFocusReason);
    return false;
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
