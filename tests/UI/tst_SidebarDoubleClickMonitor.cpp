#include <QGuiApplication>
#include <QMouseEvent>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSignalSpy>
#include <QTest>

#include "SidebarDoubleClickMonitor.h"

// Double clicks in the sidebar's area of the main window, with hand-made
// mouse events (QTest cannot make a triple click).
class tst_SidebarDoubleClickMonitor : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void clicks_data();
    void clicks();
    void tripleClickCallsBackOnce();
    void clickReachesTheItemUnderIt();
    void otherWindowsAndOverlaysDoNotCount();
    void startsOnce();

private:
    static void press(QWindow *window, QPointF at, QEvent::Type type);
    QQuickWindow *m_window = nullptr;
    QQuickItem *m_sidebar = nullptr;
    SidebarDoubleClickMonitor *m_monitor = nullptr;
};

void tst_SidebarDoubleClickMonitor::press(QWindow *window, QPointF at, QEvent::Type type)
{
    QMouseEvent down(type, at, window->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QGuiApplication::sendEvent(window, &down);
    QMouseEvent up(QEvent::MouseButtonRelease, at, window->mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
        Qt::NoModifier);
    QGuiApplication::sendEvent(window, &up);
}

void tst_SidebarDoubleClickMonitor::init()
{
    m_window = new QQuickWindow;
    m_window->resize(600, 400);
    m_sidebar = new QQuickItem(m_window->contentItem());
    m_sidebar->setSize({200, 400});
    m_window->show();
    m_window->requestActivate();
    QVERIFY(QTest::qWaitForWindowActive(m_window));
    m_monitor = new SidebarDoubleClickMonitor(m_window);
    m_monitor->setProperty("sidebarItem", QVariant::fromValue(m_sidebar));
    m_monitor->start(m_window);
}

void tst_SidebarDoubleClickMonitor::cleanup()
{
    delete m_window;
}

void tst_SidebarDoubleClickMonitor::clicks_data()
{
    QTest::addColumn<QSizeF>("size");
    QTest::addColumn<QPointF>("at");
    QTest::addColumn<bool>("counts");
    QTest::newRow("inside") << QSizeF(200, 400) << QPointF(50, 50) << true;
    QTest::newRow("not measured") << QSizeF() << QPointF(0, 0) << false;
    QTest::newRow("detail column") << QSizeF(200, 400) << QPointF(300, 50) << false;
    QTest::newRow("right edge") << QSizeF(200, 400) << QPointF(200, 50) << false;
    QTest::newRow("bottom edge") << QSizeF(200, 300) << QPointF(50, 300) << false;
}

void tst_SidebarDoubleClickMonitor::clicks()
{
    QFETCH(QSizeF, size);
    QFETCH(QPointF, at);
    QFETCH(bool, counts);
    m_monitor->setSidebarSize(size);
    QSignalSpy spy(m_monitor, &SidebarDoubleClickMonitor::doubleClicked);
    press(m_window, at, QEvent::MouseButtonPress);
    press(m_window, at, QEvent::MouseButtonDblClick);
    QCOMPARE(spy.size(), counts ? 1 : 0);
}

void tst_SidebarDoubleClickMonitor::tripleClickCallsBackOnce()
{
    m_monitor->setSidebarSize({200, 400});
    QSignalSpy spy(m_monitor, &SidebarDoubleClickMonitor::doubleClicked);
    // Qt's own sequence for three quick presses.
    press(m_window, {20, 20}, QEvent::MouseButtonPress);
    press(m_window, {20, 20}, QEvent::MouseButtonDblClick);
    press(m_window, {20, 20}, QEvent::MouseButtonPress);
    QCOMPARE(spy.size(), 1);
}

void tst_SidebarDoubleClickMonitor::clickReachesTheItemUnderIt()
{
    struct Recorder : QQuickItem
    {
        int presses = 0;
        Recorder(QQuickItem *parent)
            : QQuickItem(parent)
        {
            setAcceptedMouseButtons(Qt::LeftButton);
        }
        void mousePressEvent(QMouseEvent *event) override
        {
            ++presses;
            event->accept();
        }
        void mouseDoubleClickEvent(QMouseEvent *event) override
        {
            ++presses;
            event->accept();
        }
    };
    auto *row = new Recorder(m_sidebar);
    row->setSize({200, 30});
    m_monitor->setSidebarSize({200, 400});
    QSignalSpy spy(m_monitor, &SidebarDoubleClickMonitor::doubleClicked);
    QTest::mouseDClick(m_window, Qt::LeftButton, {}, {10, 10});
    QCOMPARE(spy.size(), 1);
    QVERIFY(row->presses >= 2);
}

void tst_SidebarDoubleClickMonitor::otherWindowsAndOverlaysDoNotCount()
{
    m_monitor->setSidebarSize({200, 400});
    QSignalSpy spy(m_monitor, &SidebarDoubleClickMonitor::doubleClicked);

    // Another of the program's windows, at a point inside the sidebar's area.
    QQuickWindow other;
    other.resize(300, 300);
    other.show();
    other.requestActivate();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    press(&other, {20, 20}, QEvent::MouseButtonDblClick);
    QCOMPARE(spy.size(), 0);
    // The main window while another window is active.
    press(m_window, {20, 20}, QEvent::MouseButtonDblClick);
    QCOMPARE(spy.size(), 0);

    // Something drawn over the sidebar in the main window (a dialog).
    m_window->requestActivate();
    QVERIFY(QTest::qWaitForWindowActive(m_window));
    QQuickItem cover(m_window->contentItem());
    cover.setZ(1000);
    cover.setSize({100, 100});
    press(m_window, {20, 20}, QEvent::MouseButtonDblClick);
    QCOMPARE(spy.size(), 0);
    press(m_window, {150, 150}, QEvent::MouseButtonDblClick);
    QCOMPARE(spy.size(), 1);
}

void tst_SidebarDoubleClickMonitor::startsOnce()
{
    m_monitor->setSidebarSize({200, 400});
    m_monitor->start(m_window);
    QSignalSpy spy(m_monitor, &SidebarDoubleClickMonitor::doubleClicked);
    press(m_window, {20, 20}, QEvent::MouseButtonDblClick);
    QCOMPARE(spy.size(), 1);

    QSignalSpy sizeSpy(m_monitor, &SidebarDoubleClickMonitor::sidebarSizeChanged);
    m_monitor->setSidebarSize({200, 400});
    QCOMPARE(sizeSpy.size(), 0);
}

QTEST_MAIN(tst_SidebarDoubleClickMonitor)
#include "tst_SidebarDoubleClickMonitor.moc"
