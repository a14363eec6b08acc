#include <QDir>
#include <QGuiApplication>
#include <QPalette>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickStyle>
#include <QQuickWindow>
#include <QSignalSpy>
#include <QtQml/qqmlextensionplugin.h>
#include <QtTest>

#include "Helpers/UI/QmlWarningGuard.h"

Q_IMPORT_QML_PLUGIN(Lirna_UIPlugin)

using namespace Qt::StringLiterals;

namespace {

const char *const Scene = R"(
import QtQuick
import Lirna.UI
Rectangle {
    id: root
    width: 440; height: 260
    color: "white"
    focus: true
    property int pillClicks: 0
    property int circleClicks: 0
    property int rowClicks: 0
    property int spaces: 0
    Keys.onSpacePressed: root.spaces++
    PillButton { objectName: "pill"; x: 20; y: 20; text: "Shuffle"; onClicked: root.pillClicks++ }
    CircleButton { objectName: "circle"; x: 20; y: 80; text: "Like"; symbol: "heart"; onClicked: root.circleClicks++ }
    CircleButton { objectName: "wideCircle"; x: 300; y: 80; text: "A label far wider than the circle" }
    IconButton { objectName: "icon"; x: 80; y: 80; symbol: "plus"; text: "New Playlist" }
    Rectangle {
        objectName: "row"
        x: 20; y: 140; width: 200; height: 28
        color: "white"
        MouseArea { anchors.fill: parent; onClicked: root.rowClicks++ }
        ContextMenuArea { anchors.fill: parent; menu: menu; context: "p7" }
    }
    ContextMenu {
        id: menu
        objectName: "menu"
        MenuEntry { objectName: "plainItem"; text: "Rename…" }
        DestructiveMenuItem { objectName: "deleteItem"; text: "Delete Playlist…" }
    }
    SearchField { objectName: "search"; x: 240; y: 20; width: 180 }
    PushButton { objectName: "push"; x: 240; y: 140; text: "Retry" }
    ContextMenu {
        objectName: "sizedMenu"
        MenuEntry { text: "Play Next" }
        MenuEntry { objectName: "sizedEntry" }
    }
}
)";

// The colour `fill` makes over white.
QColor overWhite(const QColor &fill)
{
    const auto mix
        = [&](double c) { return int(std::lround(c * 255 * fill.alphaF() + 255 * (1 - fill.alphaF()))); };
    return QColor(mix(fill.redF()), mix(fill.greenF()), mix(fill.blueF()));
}

bool near(const QColor &a, const QColor &b)
{
    return std::abs(a.red() - b.red()) <= 3 && std::abs(a.green() - b.green()) <= 3
        && std::abs(a.blue() - b.blue()) <= 3;
}

} // namespace

// The shared controls in a real window offscreen, driven by mouse and keys:
// the pill's and circle's fills, labels, sizes and hit areas, the context
// menu and its red item, the icon button's focus and the search field.
class TestControls : public QObject
{
    Q_OBJECT

    QQmlEngine *m_engine = nullptr;
    QQuickWindow *m_window = nullptr;
    QQuickItem *m_root = nullptr;
    QmlWarningGuard m_warnings;

    QQuickItem *item(const char *name) const { return m_root->findChild<QQuickItem *>(QLatin1String(name)); }

    QPoint at(QQuickItem *target, QPointF local) const { return target->mapToScene(local).toPoint(); }

    QColor pixel(QPoint point) const
    {
        const QImage image = m_window->grabWindow();
        return image.pixelColor(point * image.devicePixelRatio());
    }

private Q_SLOTS:
    void initTestCase()
    {
        QQuickStyle::setStyle(u"Basic"_s);
        m_warnings.install();
        m_engine = new QQmlEngine(this);
        m_engine->addImportPath(u"qrc:/"_s);
        QQmlComponent component(m_engine);
        component.setData(Scene, QUrl(u"qrc:/test/Controls.qml"_s));
        m_root = qobject_cast<QQuickItem *>(component.create());
        QVERIFY2(m_root, qPrintable(component.errorString()));
        m_window = new QQuickWindow;
        m_window->resize(440, 260);
        m_root->setParentItem(m_window->contentItem());
        m_root->setParent(m_window);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window));
        m_root->forceActiveFocus();
    }

    void cleanup() { LIRNA_VERIFY_NO_QML_WARNINGS(m_warnings); }

    void cleanupTestCase() { delete m_window; }

    void fillsAndLabels_data()
    {
        const QColor primary = QGuiApplication::palette().color(QPalette::WindowText);
        const auto alpha = [](QColor c, double a) {
            c.setAlphaF(c.alphaF() * a);
            return c;
        };
        const QColor tint(0x20, 0x60, 0xe0);
        const QColor ink(0x10, 0x10, 0x10);
        QTest::addColumn<QString>("button");
        QTest::addColumn<QVariant>("tint");
        QTest::addColumn<QVariant>("foreground");
        QTest::addColumn<bool>("soft");
        QTest::addColumn<QColor>("released");
        QTest::addColumn<QColor>("pressed");
        QTest::addColumn<QColor>("label");
        for (const QString button : {u"pill"_s, u"circle"_s}) {
            const QByteArray b = button.toLatin1();
            QTest::newRow(b + " solid, white label") << button << QVariant(tint) << QVariant() << false
                                                     << tint << alpha(tint, 0.85) << QColor(Qt::white);
            QTest::newRow(b + " solid with foreground")
                << button << QVariant(tint) << QVariant(ink) << false << tint << alpha(tint, 0.85) << ink;
            QTest::newRow(b + " soft") << button << QVariant(tint) << QVariant(ink) << true
                                       << alpha(tint, 0.22) << alpha(tint, 0.34) << tint;
            QTest::newRow(b + " neutral ignores soft and foreground")
                << button << QVariant() << QVariant(ink) << true << alpha(primary, 0.1 * 0.6)
                << alpha(primary, 0.1 * 0.9) << primary;
        }
    }

    void fillsAndLabels()
    {
        QFETCH(QString, button);
        QFETCH(QVariant, tint);
        QFETCH(QVariant, foreground);
        QFETCH(bool, soft);
        QFETCH(QColor, released);
        QFETCH(QColor, pressed);
        QFETCH(QColor, label);
        QQuickItem *control = item(button.toLatin1().constData());
        control->setProperty("tint", tint);
        control->setProperty("foreground", foreground);
        control->setProperty("soft", soft);
        QCOMPARE(control->property("labelColor").value<QColor>(), label);

        // Sampled on the fill, clear of the label.
        const QPoint sample = at(control, QPointF(control->height() / 2, 4));
        const QPoint centre = at(control, QPointF(control->width() / 2, control->height() / 2));
        QTRY_VERIFY2(near(pixel(sample), overWhite(released)),
            qPrintable(pixel(sample).name() + u" vs "_s + overWhite(released).name()));
        QTest::mousePress(m_window, Qt::LeftButton, {}, centre);
        QTRY_VERIFY2(near(pixel(sample), overWhite(pressed)),
            qPrintable(pixel(sample).name() + u" vs "_s + overWhite(pressed).name()));
        QTest::mouseRelease(m_window, Qt::LeftButton, {}, centre);
        QTRY_VERIFY(near(pixel(sample), overWhite(released)));
    }

    void sizes()
    {
        QQuickItem *pill = item("pill");
        QQuickItem *label = pill->property("contentItem").value<QQuickItem *>();
        QCOMPARE(pill->width() - label->implicitWidth(), 44.0);
        QCOMPARE(pill->height() - label->implicitHeight(), 18.0);
        QQuickItem *wide = item("wideCircle");
        QCOMPARE(QSizeF(wide->width(), wide->height()), QSizeF(34, 34));
    }

    // The capsule and the disc take clicks; the corners outside them do not.
    void hitAreas_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QPointF>("fraction");
        QTest::addColumn<bool>("clicks");
        QTest::newRow("pill centre") << u"pill"_s << QPointF(0.5, 0.5) << true;
        QTest::newRow("pill left padding") << u"pill"_s << QPointF(0.06, 0.5) << true;
        QTest::newRow("pill right padding") << u"pill"_s << QPointF(0.94, 0.5) << true;
        QTest::newRow("pill top edge, middle") << u"pill"_s << QPointF(0.5, 0.05) << true;
        QTest::newRow("pill top-left corner") << u"pill"_s << QPointF(0.02, 0.06) << false;
        QTest::newRow("pill bottom-right corner") << u"pill"_s << QPointF(0.98, 0.94) << false;
        QTest::newRow("circle centre") << u"circle"_s << QPointF(0.5, 0.5) << true;
        QTest::newRow("circle left rim") << u"circle"_s << QPointF(0.08, 0.5) << true;
        QTest::newRow("circle bottom rim") << u"circle"_s << QPointF(0.5, 0.92) << true;
        QTest::newRow("circle top-left corner") << u"circle"_s << QPointF(0.08, 0.08) << false;
        QTest::newRow("circle bottom-right corner") << u"circle"_s << QPointF(0.92, 0.92) << false;
    }

    void hitAreas()
    {
        QFETCH(QString, button);
        QFETCH(QPointF, fraction);
        QFETCH(bool, clicks);
        QQuickItem *control = item(button.toLatin1().constData());
        const char *counter = button == u"pill"_s ? "pillClicks" : "circleClicks";
        const int before = m_root->property(counter).toInt();
        QTest::mouseClick(m_window, Qt::LeftButton, {},
            at(control, QPointF(control->width() * fraction.x(), control->height() * fraction.y())));
        QCOMPARE(m_root->property(counter).toInt(), before + (clicks ? 1 : 0));
    }

    // A right click opens the menu with the row's context and nothing else;
    // a left click is the row's own.
    void contextMenuAndItsRedItem()
    {
        QQuickItem *row = item("row");
        QObject *menu = m_root->findChild<QObject *>(u"menu"_s);
        QTest::mouseClick(m_window, Qt::RightButton, {}, at(row, QPointF(50, 14)));
        QTRY_VERIFY(menu->property("opened").toBool());
        QCOMPARE(menu->property("context").toString(), u"p7"_s);
        QCOMPARE(m_root->property("rowClicks").toInt(), 0);

        const QImage shot = m_window->grabWindow();
        QDir().mkpath(u"screenshots"_s);
        QVERIFY(shot.save(u"screenshots/controls.png"_s));
        const auto redPixels = [&](const char *name) {
            QQuickItem *entry = item(name);
            const QRectF rect = entry->mapRectToScene(QRectF(0, 0, entry->width(), entry->height()));
            int reds = 0;
            for (int y = int(rect.top()); y < int(rect.bottom()); ++y) {
                for (int x = int(rect.left()); x < int(rect.right()); ++x) {
                    const QColor c = shot.pixelColor(x, y);
                    reds += c.red() > 150 && c.green() < 110 && c.blue() < 110;
                }
            }
            return reds;
        };
        QVERIFY(redPixels("deleteItem") > 20);
        QCOMPARE(redPixels("plainItem"), 0);

        QTest::keyClick(m_window, Qt::Key_Escape);
        QTRY_VERIFY(!menu->property("visible").toBool());
        QTest::mouseClick(m_window, Qt::LeftButton, {}, at(row, QPointF(50, 14)));
        QCOMPARE(m_root->property("rowClicks").toInt(), 1);
        QVERIFY(!menu->property("visible").toBool());
    }

    // A menu is as wide as its widest item, from 200 to 360 points; beyond
    // that the text is elided.
    void menuFitsItsWidestItem_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("grows");
        QTest::addColumn<bool>("elided");
        QTest::newRow("short") << u"Rename…"_s << false << false;
        QTest::newRow("long") << u"Songs for the long drive to the coast"_s << true << false;
        QTest::newRow("too long") << u"Songs for the long drive "_s.repeated(6) << true << true;
    }

    void menuFitsItsWidestItem()
    {
        QFETCH(QString, text);
        QFETCH(bool, grows);
        QFETCH(bool, elided);
        QObject *menu = m_root->findChild<QObject *>(u"sizedMenu"_s);
        QQuickItem *entry = item("sizedEntry");
        entry->setProperty("text", text);
        QMetaObject::invokeMethod(menu, "openFor", Q_ARG(QVariant, QVariant()));
        QTRY_VERIFY(menu->property("opened").toBool());
        const qreal width = menu->property("width").toReal();
        QVERIFY2(width >= 200 && width <= 360, qPrintable(QString::number(width)));
        QCOMPARE(width > 200, grows);
        QCOMPARE(width == 360, elided);
        QCOMPARE(entry->width(), width);
        auto *label = entry->property("contentItem").value<QQuickItem *>();
        QCOMPARE(label->property("truncated").toBool(), elided);
        QMetaObject::invokeMethod(menu, "dismiss");
        QTRY_VERIFY(!menu->property("visible").toBool());
    }

    void buttonTakesNoFocus_data()
    {
        QTest::addColumn<QString>("button");
        QTest::newRow("icon") << u"icon"_s;
        QTest::newRow("pill") << u"pill"_s;
        QTest::newRow("circle") << u"circle"_s;
        QTest::newRow("push") << u"push"_s;
    }

    // The icon, pill, circle and push buttons leave the keyboard where it was:
    // Space still reaches the window after a click, and does not press the
    // button again.
    void buttonTakesNoFocus()
    {
        QFETCH(QString, button);
        m_root->forceActiveFocus();
        QQuickItem *control = item(qPrintable(button));
        QSignalSpy clicked(control, SIGNAL(clicked()));
        QTest::mouseClick(
            m_window, Qt::LeftButton, {}, at(control, QPointF(control->width() / 2, control->height() / 2)));
        QCOMPARE(clicked.size(), 1);
        QVERIFY(!control->hasActiveFocus());
        const int spaces = m_root->property("spaces").toInt();
        QTest::keyClick(m_window, Qt::Key_Space);
        QCOMPARE(m_root->property("spaces").toInt(), spaces + 1);
        QCOMPARE(clicked.size(), 1);
    }

    void searchFieldClears()
    {
        QQuickItem *search = item("search");
        QTest::mouseClick(m_window, Qt::LeftButton, {}, at(search, QPointF(60, 14)));
        QTRY_VERIFY(search->hasActiveFocus());
        for (const char c : QByteArray("abba"))
            QTest::keyClick(m_window, c);
        QCOMPARE(search->property("text").toString(), u"abba"_s);
        QQuickItem *clear = m_root->findChild<QQuickItem *>(u"searchClearButton"_s);
        QTRY_VERIFY(clear->isVisible());
        QSignalSpy edited(search, SIGNAL(textEdited()));
        QTest::mouseClick(m_window, Qt::LeftButton, {}, at(clear, QPointF(11, 11)));
        QCOMPARE(search->property("text").toString(), QString());
        QCOMPARE(edited.size(), 1);
        QVERIFY(!clear->isVisible());
    }
};

QTEST_MAIN(TestControls)
#include "tst_Controls.moc"
