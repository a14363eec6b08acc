#include "UiTest.h"

#include <QDir>
#include <QQmlApplicationEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QtTest>

#include "LirnaApp.h"

namespace {

QQuickItem *search(QQuickItem *root, const QString &name, bool visibleOnly)
{
    if (!root || (visibleOnly && !root->isVisible()))
        return nullptr;
    if (root->objectName() == name)
        return root;
    const QList<QQuickItem *> children = root->childItems();
    for (QQuickItem *child : children) {
        if (QQuickItem *found = search(child, name, visibleOnly))
            return found;
    }
    return nullptr;
}

} // namespace

namespace UiTest {

QQuickItem *findItem(QQuickItem *root, const QString &name)
{
    return search(root, name, false);
}

QQuickItem *findVisibleItem(QQuickWindow *window, const QString &name)
{
    return window ? search(window->contentItem(), name, true) : nullptr;
}

QQuickItem *findItem(QQuickWindow *window, const QString &name)
{
    return window ? findItem(window->contentItem(), name) : nullptr;
}

QPoint centreOf(const QQuickItem *item)
{
    return item->mapToScene(QPointF(item->width() / 2, item->height() / 2)).toPoint();
}

bool clickItem(QQuickItem *item, Qt::MouseButton button, QString *why)
{
    const auto refuse = [why](const QString &reason) {
        if (why)
            *why = reason;
        return false;
    };
    if (!item)
        return refuse(QStringLiteral("no item to click"));
    const QString name = item->objectName().isEmpty() ? QString::fromLatin1(item->metaObject()->className())
                                                      : item->objectName();
    QQuickWindow *window = item->window();
    if (!window)
        return refuse(name + QStringLiteral(" is in no window"));
    if (!item->isVisible())
        return refuse(name + QStringLiteral(" is hidden"));
    if (!item->isEnabled())
        return refuse(name + QStringLiteral(" is disabled"));
    if (item->width() <= 0 || item->height() <= 0)
        return refuse(name + QStringLiteral(" has no size"));
    const QPointF centre = item->mapToScene(QPointF(item->width() / 2, item->height() / 2));
    if (!QRectF(0, 0, window->width(), window->height()).contains(centre))
        return refuse(name + QStringLiteral(" is outside the window"));
    QTest::mouseClick(window, button, Qt::NoModifier, centre.toPoint());
    return true;
}

namespace {

QQuickItem *menuItemAt(QObject *menu, int index)
{
    QQuickItem *item = nullptr;
    QMetaObject::invokeMethod(menu, "itemAt", Q_RETURN_ARG(QQuickItem *, item), Q_ARG(int, index));
    return item;
}

} // namespace

QStringList menuTexts(QObject *menu)
{
    QStringList texts;
    for (int i = 0; menu && i < menu->property("count").toInt(); ++i) {
        QQuickItem *item = menuItemAt(menu, i);
        texts.append(item ? item->property("text").toString() : QStringLiteral("?"));
    }
    return texts;
}

QQuickItem *menuItem(QObject *menu, const QString &text)
{
    for (int i = 0; menu && i < menu->property("count").toInt(); ++i) {
        QQuickItem *item = menuItemAt(menu, i);
        if (item && item->property("text").toString() == text)
            return item;
    }
    return nullptr;
}

bool saveScreenshot(QQuickWindow *window, const QString &name)
{
    if (!window || !QDir().mkpath(QStringLiteral("screenshots")))
        return false;
    return window->grabWindow().save(QStringLiteral("screenshots/") + name);
}

QPalette darkPalette()
{
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(0x2b, 0x2b, 0x2e));
    dark.setColor(QPalette::WindowText, QColor(0xec, 0xec, 0xee));
    dark.setColor(QPalette::Base, QColor(0x1f, 0x1f, 0x22));
    dark.setColor(QPalette::AlternateBase, QColor(0x26, 0x26, 0x29));
    dark.setColor(QPalette::Text, QColor(0xec, 0xec, 0xee));
    dark.setColor(QPalette::Button, QColor(0x3a, 0x3a, 0x3d));
    dark.setColor(QPalette::ButtonText, QColor(0xec, 0xec, 0xee));
    dark.setColor(QPalette::Highlight, QColor(0x3d, 0x84, 0xf7));
    dark.setColor(QPalette::HighlightedText, Qt::white);
    dark.setColor(QPalette::ToolTipBase, QColor(0x3a, 0x3a, 0x3d));
    dark.setColor(QPalette::ToolTipText, QColor(0xec, 0xec, 0xee));
    dark.setColor(QPalette::PlaceholderText, QColor(0x8e, 0x8e, 0x93));
    return dark;
}

QQuickItem *itemAtIndex(QQuickItem *view, int row)
{
    QQuickItem *found = nullptr;
    QMetaObject::invokeMethod(view, "itemAtIndex", Q_RETURN_ARG(QQuickItem *, found), Q_ARG(int, row));
    return found;
}

QQuickWindow *loadMainWindow(QQmlApplicationEngine &engine, LirnaApp &app)
{
    engine.addImportPath(QStringLiteral("qrc:/"));
    engine.setInitialProperties({{QStringLiteral("app"), QVariant::fromValue(&app)}});
    engine.load(QUrl(QStringLiteral("qrc:/Lirna/UI/Main.qml")));
    if (engine.rootObjects().size() != 1)
        return nullptr;
    auto *window = qobject_cast<QQuickWindow *>(engine.rootObjects().first());
    return window && QTest::qWaitForWindowExposed(window, LIRNA_TRY_TIMEOUT_MS) ? window : nullptr;
}

} // namespace UiTest
