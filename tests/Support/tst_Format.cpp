#include <QTest>

#include <limits>

#include "Support/Format.h"

class TestFormat : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void time_data()
    {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<QString>("plain");
        QTest::addColumn<QString>("padded");
        QTest::newRow("zero") << 0.0 << "0:00" << "00:00";
        QTest::newRow("minutes") << 187.0 << "3:07" << "03:07";
        QTest::newRow("padded minutes") << 65.0 << "1:05" << "01:05";
        QTest::newRow("half rounds up") << 59.5 << "1:00" << "01:00";
        QTest::newRow("just under an hour") << 3599.4 << "59:59" << "59:59";
        QTest::newRow("rounds into the hour") << 3599.5 << "1:00:00" << "1:00:00";
        QTest::newRow("ten hours") << 36000.0 << "10:00:00" << "10:00:00";
        QTest::newRow("small negative rounds to zero") << -0.4 << "0:00" << "00:00";
        QTest::newRow("negative") << -0.6 << "--:--" << "--:--";
        QTest::newRow("nan") << std::numeric_limits<double>::quiet_NaN() << "--:--" << "--:--";
        QTest::newRow("infinite") << std::numeric_limits<double>::infinity() << "--:--" << "--:--";
        QTest::newRow("minus infinite") << -std::numeric_limits<double>::infinity() << "--:--" << "--:--";
    }

    void time()
    {
        QFETCH(double, seconds);
        QFETCH(QString, plain);
        QFETCH(QString, padded);
        QCOMPARE(Format::time(seconds), plain);
        QCOMPARE(Format::paddedTime(seconds), padded);
    }

    void paddedDuration_data()
    {
        QTest::addColumn<std::optional<qint64>>("seconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("absent") << std::optional<qint64>() << "--:--";
        QTest::newRow("zero") << std::optional<qint64>(0) << "00:00";
        QTest::newRow("negative") << std::optional<qint64>(-1) << "--:--";
        QTest::newRow("minutes") << std::optional<qint64>(187) << "03:07";
        QTest::newRow("hours") << std::optional<qint64>(3725) << "1:02:05";
    }

    void paddedDuration()
    {
        QFETCH(std::optional<qint64>, seconds);
        QFETCH(QString, text);
        QCOMPARE(Format::paddedDuration(seconds), text);
    }
};

QTEST_GUILESS_MAIN(TestFormat)
#include "tst_Format.moc"
