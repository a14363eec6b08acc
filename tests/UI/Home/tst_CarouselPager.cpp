#include <QtTest>

#include "Home/BackdropBlur.h"
#include "Home/CarouselPager.h"

using namespace CarouselPager;

Q_DECLARE_METATYPE(CarouselPager::RowCase)

// The home row's case table and pager arithmetic, and the backdrop blur.
class TestCarouselPager : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void rowCases_data()
    {
        QTest::addColumn<bool>("hasAlbums");
        QTest::addColumn<bool>("failing");
        QTest::addColumn<bool>("loading");
        QTest::addColumn<bool>("error");
        QTest::addColumn<RowCase>("expected");
        QTest::newRow("albums win over everything") << true << true << true << true << RowCase::Albums;
        QTest::newRow("albums while loading") << true << false << true << false << RowCase::Albums;
        QTest::newRow("failing server hides a loading row")
            << false << true << true << false << RowCase::Hidden;
        QTest::newRow("failing server hides an error") << false << true << false << true << RowCase::Hidden;
        QTest::newRow("loading") << false << false << true << false << RowCase::Loading;
        QTest::newRow("loading again after an error") << false << false << true << true << RowCase::Loading;
        QTest::newRow("error") << false << false << false << true << RowCase::Failed;
        QTest::newRow("nothing yet, or an empty list") << false << false << false << false << RowCase::Hidden;
    }
    void rowCases()
    {
        QFETCH(bool, hasAlbums);
        QFETCH(bool, failing);
        QFETCH(bool, loading);
        QFETCH(bool, error);
        QFETCH(RowCase, expected);
        QCOMPARE(rowCase(hasAlbums, failing, loading, error), expected);
    }

    void arrows_data()
    {
        QTest::addColumn<double>("offset");
        QTest::addColumn<double>("content");
        QTest::addColumn<double>("container");
        QTest::addColumn<bool>("left");
        QTest::addColumn<bool>("right");
        QTest::newRow("at the start") << 0.0 << 3780.0 << 1000.0 << false << true;
        QTest::newRow("one point in") << 1.0 << 3780.0 << 1000.0 << false << true;
        QTest::newRow("just past a point") << 1.5 << 3780.0 << 1000.0 << true << true;
        QTest::newRow("within a point of the end") << 2779.5 << 3780.0 << 1000.0 << true << false;
        QTest::newRow("at the end") << 2780.0 << 3780.0 << 1000.0 << true << false;
        QTest::newRow("all cards fit") << 0.0 << 740.0 << 1000.0 << false << false;
        QTest::newRow("not laid out") << 0.0 << 740.0 << 0.0 << false << false;
    }
    void arrows()
    {
        QFETCH(double, offset);
        QFETCH(double, content);
        QFETCH(double, container);
        const ScrollMetrics metrics {offset, content, container};
        QTEST(canScrollLeft(metrics), "left");
        QTEST(canScrollRight(metrics), "right");
    }

    // Cards 170 wide, 20 apart: a step of 190.
    void paging_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<double>("offset");
        QTest::addColumn<double>("container");
        QTest::addColumn<int>("by");
        QTest::addColumn<int>("target"); // -1: stays
        QTest::newRow("right from leading 2 by a page of 5") << 20 << 400.0 << 1000.0 << 1 << 7;
        QTest::newRow("left from leading 7 back to 2") << 20 << 7 * 190.0 << 1000.0 << -1 << 2;
        QTest::newRow("left from leading 2 to the first") << 20 << 400.0 << 1000.0 << -1 << 0;
        QTest::newRow("left at the first does nothing") << 20 << 0.0 << 1000.0 << -1 << -1;
        QTest::newRow("left from 1 by a page of 4") << 20 << 190.0 << 800.0 << -1 << 0;
        QTest::newRow("narrow container pages by one") << 20 << 0.0 << 150.0 << 1 << 1;
        QTest::newRow("right stops at the last card") << 20 << 16 * 190.0 << 1000.0 << 1 << 19;
        QTest::newRow("right at the last card does nothing") << 20 << 19 * 190.0 << 1000.0 << 1 << -1;
        QTest::newRow("no albums") << 0 << 0.0 << 1000.0 << 1 << -1;
        QTest::newRow("not laid out: leading 0") << 20 << 400.0 << 0.0 << 1 << 1;
        QTest::newRow("leading truncated to 1") << 20 << 379.9 << 1000.0 << 1 << 6;
    }
    void paging()
    {
        QFETCH(int, count);
        QFETCH(double, offset);
        QFETCH(double, container);
        QFETCH(int, by);
        QFETCH(int, target);
        const ScrollMetrics metrics {offset, count * 190.0 - 20, container};
        QCOMPARE(scrollTarget(metrics, count, 190, by).value_or(-1), target);
    }

    void wheel_data()
    {
        QTest::addColumn<double>("offset");
        QTest::addColumn<double>("angle");
        QTest::addColumn<double>("pixels");
        QTest::addColumn<double>("wheeled");
        QTest::newRow("a notch right") << 100.0 << -120.0 << 0.0 << 160.0;
        QTest::newRow("a notch left") << 100.0 << 120.0 << 0.0 << 40.0;
        QTest::newRow("a touchpad's pixels win") << 100.0 << -120.0 << -7.0 << 107.0;
        QTest::newRow("stops at the start") << 30.0 << 120.0 << 0.0 << 0.0;
        QTest::newRow("stops at the end") << 2750.0 << -120.0 << 0.0 << 2780.0;
    }
    void wheel()
    {
        QFETCH(double, offset);
        QFETCH(double, angle);
        QFETCH(double, pixels);
        QFETCH(double, wheeled);
        QCOMPARE(wheeledOffset({offset, 3780, 1000}, angle, pixels), wheeled);
        QCOMPARE(wheeledOffset({0, 740, 1000}, -120, 0), 0.0); // all cards fit
    }

    void offsetStopsAtTheContentEnd()
    {
        // Five cards in 852 points: the fifth card can only come as far as the end.
        const ScrollMetrics metrics {0, 5 * 190.0 - 20, 852};
        QCOMPARE(offsetOf(4, metrics, 190), 78.0);
        QCOMPARE(offsetOf(0, metrics, 190), 0.0);
        QCOMPARE(offsetOf(2, {0, 3780, 1000}, 190), 380.0);
    }

    void blurKeepsAFlatColourAndShrinks()
    {
        QImage cover(300, 200, QImage::Format_RGB32);
        cover.fill(QColor(128, 128, 128));
        const QImage blurred = BackdropBlur::blurred(cover);
        QCOMPARE(blurred.size(), QSize(BackdropBlur::Side, BackdropBlur::Side));
        QCOMPARE(blurred.pixelColor(0, 0), QColor(128, 128, 128));
        QCOMPARE(blurred.pixelColor(47, 47), QColor(128, 128, 128));
        QVERIFY(BackdropBlur::blurred(QImage()).isNull());
    }

    void blurSpreadsAnEdgeAndSaturates()
    {
        QImage cover(96, 96, QImage::Format_RGB32);
        cover.fill(QColor(200, 100, 100));
        for (int y = 0; y < 96; ++y)
            for (int x = 48; x < 96; ++x)
                cover.setPixelColor(x, y, QColor(0, 0, 0));
        const QImage blurred = BackdropBlur::blurred(cover);
        const QColor left = blurred.pixelColor(2, 24);
        const QColor middle = blurred.pixelColor(24, 24);
        QVERIFY(left.red() - left.green() > 100); // more saturated than 200/100
        QVERIFY(middle.red() > 0 && middle.red() < left.red()); // the edge is soft
    }
};

QTEST_APPLESS_MAIN(TestCarouselPager)
#include "tst_CarouselPager.moc"
