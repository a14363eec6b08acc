#pragma once

#include <QList>
#include <QPalette>
#include <QQuickItem>
#include <QString>
#include <QStringList>
#include <Qt>

class LirnaApp;
class QObject;
class QQmlApplicationEngine;
class QQuickWindow;

// Finding, clicking and photographing items of a loaded window.
namespace UiTest {

// The first item named `name` in the visual tree below `root` (pages hang
// below their loaders and stack views there), or null.
QQuickItem *findItem(QQuickItem *root, const QString &name);
QQuickItem *findItem(QQuickWindow *window, const QString &name);
// The same, among the items shown only (a delegate's hidden twin is skipped).
QQuickItem *findVisibleItem(QQuickWindow *window, const QString &name);

// Every item of type T in the visual tree from `root` down, in tree order.
template<typename T = QQuickItem> QList<T *> itemsOf(QQuickItem *root)
{
    QList<T *> found;
    if (!root)
        return found;
    if (auto *item = qobject_cast<T *>(root))
        found.append(item);
    const QList<QQuickItem *> children = root->childItems();
    for (QQuickItem *child : children)
        found += itemsOf<T>(child);
    return found;
}

// The centre of `item`, in its window's coordinates.
QPoint centreOf(const QQuickItem *item);

// Clicks `item` at its centre with a real press and release on its window,
// so hit-testing and enabled states are part of the test. Refuses (and says
// why in `why`) an item that is missing, hidden, disabled, empty or outside
// the window.
bool clickItem(QQuickItem *item, Qt::MouseButton button = Qt::LeftButton, QString *why = nullptr);

// The texts of a ContextMenu's items, in order ("" for a divider), and the
// item of a given text (or null).
QStringList menuTexts(QObject *menu);
QQuickItem *menuItem(QObject *menu, const QString &text);

// Saves the window's picture as screenshots/<name> under the test's working
// folder (build/tests), to look at; never compared.
bool saveScreenshot(QQuickWindow *window, const QString &name);

// A dark desktop palette, for the dark screenshots.
QPalette darkPalette();

// The delegate of `row` in a ListView or GridView (created, in view), or null.
QQuickItem *itemAtIndex(QQuickItem *view, int row);

// The program's own window for `app`, loaded into `engine` and shown, or null.
QQuickWindow *loadMainWindow(QQmlApplicationEngine &engine, LirnaApp &app);

} // namespace UiTest

// QVERIFY a real click on `item` (see UiTest::clickItem).
#define LIRNA_CLICK_WITH(item, button)                                                                       \
    do {                                                                                                     \
        QString lirnaWhy;                                                                                    \
        QVERIFY2(UiTest::clickItem((item), (button), &lirnaWhy), qPrintable(lirnaWhy));                      \
    } while (false)
#define LIRNA_CLICK(item) LIRNA_CLICK_WITH(item, Qt::LeftButton)
#define LIRNA_RIGHT_CLICK(item) LIRNA_CLICK_WITH(item, Qt::RightButton)
