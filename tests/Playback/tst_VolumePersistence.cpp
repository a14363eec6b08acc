#include <QCoreApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <limits>

#include "Helpers/ManualClock.h"
#include "Playback/VolumePersistence.h"

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

class tst_VolumePersistence : public QObject
{
    Q_OBJECT

    QTemporaryDir m_settingsDir;

    static QVariant stored() { return QSettings().value(u"volume"_s); }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_settingsDir.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settingsDir.path());
        QCoreApplication::setOrganizationName(u"LirnaTest"_s);
        QCoreApplication::setApplicationName(u"VolumePersistence"_s);
    }

    void init() { QSettings().clear(); }

    void savedVolume_data()
    {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<float>("expected");
        QTest::newRow("absent") << QVariant() << 1.0f;
        QTest::newRow("float") << QVariant(0.7f) << 0.7f;
        QTest::newRow("text") << QVariant(u"0.25"_s) << 0.25f;
        QTest::newRow("silent") << QVariant(u"0"_s) << 0.0f;
        QTest::newRow("long text") << QVariant(u"0.699999988079071"_s) << 0.7f;
        QTest::newRow("not a number") << QVariant(u"loud"_s) << 1.0f;
        QTest::newRow("nan") << QVariant(u"nan"_s) << 1.0f;
        QTest::newRow("infinite") << QVariant(u"inf"_s) << 1.0f;
        QTest::newRow("too large for a float") << QVariant(u"1e60"_s) << 1.0f;
        QTest::newRow("below silent") << QVariant(u"-1"_s) << 0.0f;
        QTest::newRow("above full") << QVariant(5.0f) << 1.0f;
        QTest::newRow("boolean") << QVariant(true) << 1.0f;
        QTest::newRow("list") << QVariant(QStringList {u"0.5"_s, u"0.6"_s}) << 1.0f;
    }

    void savedVolume()
    {
        QFETCH(QVariant, value);
        QFETCH(float, expected);
        if (value.isValid())
            QSettings().setValue(u"volume"_s, value);
        QCOMPARE(VolumePersistence::savedVolume(), expected);
    }

    // Each change pushes the save back: the last value is written once,
    // 0.4 s after the last change, never earlier.
    void writesOnceAfterThePause()
    {
        ManualClock clock;
        VolumePersistence persistence;
        persistence.schedulePersist(0.9f);
        clock.advance(250ms);
        for (float v : {0.8f, 0.6f, 0.4f})
            persistence.schedulePersist(v);
        // The first change's pause has run out: its save was dropped.
        clock.advance(150ms);
        QVERIFY(!stored().isValid());
        clock.advance(249ms);
        QVERIFY2(!stored().isValid(), "written before the pause after the last change");
        QVERIFY(persistence.isPending());
        clock.advance(1ms);
        QCOMPARE(VolumePersistence::savedVolume(), 0.4f);
        QVERIFY(!persistence.isPending());
    }

    // The program's own timers end the pause too.
    void writesOnTheTimers()
    {
        VolumePersistence persistence;
        persistence.schedulePersist(0.5f);
        QVERIFY(!stored().isValid());
        QTRY_VERIFY(!persistence.isPending());
        QCOMPARE(VolumePersistence::savedVolume(), 0.5f);
    }

    void flushWritesAtOnceAndDropsTheWaitingSave()
    {
        ManualClock clock;
        VolumePersistence persistence;
        persistence.schedulePersist(0.9f);
        persistence.flush(0.3f);
        QCOMPARE(VolumePersistence::savedVolume(), 0.3f);
        QVERIFY(!persistence.isPending());
        clock.advance(400ms);
        QCOMPARE(VolumePersistence::savedVolume(), 0.3f);
    }

    void aSaveOfAGoneObjectDoesNothing()
    {
        ManualClock clock;
        auto *persistence = new VolumePersistence;
        persistence->schedulePersist(0.5f);
        delete persistence;
        clock.advance(400ms);
        QVERIFY(!stored().isValid());
    }
};

QTEST_GUILESS_MAIN(tst_VolumePersistence)
#include "tst_VolumePersistence.moc"
