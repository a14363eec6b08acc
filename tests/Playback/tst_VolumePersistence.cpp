#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <limits>

#include "Playback/VolumePersistence.h"

using namespace Qt::StringLiterals;

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

    void writesOnceAfterThePause()
    {
        // The checks before the save hold while neither pause can have run
        // out (a coarse timer may end 5 % early). A busy machine can oversleep
        // the waits past that; such a round tells nothing and is played again.
        const qint64 earliest = VolumePersistence::Delay.count() * 95 / 100;
        for (int round = 1;; ++round) {
            QSettings().clear();
            VolumePersistence persistence;
            QElapsedTimer sinceFirst;
            sinceFirst.start();
            persistence.schedulePersist(0.9f);
            QTest::qWait(250);
            const bool firstStillWaiting = sinceFirst.elapsed() < earliest;
            // Each change pushes the save back.
            QElapsedTimer sinceLast;
            sinceLast.start();
            for (float v : {0.8f, 0.6f, 0.4f})
                persistence.schedulePersist(v);
            QTest::qWait(250);
            const bool written = stored().isValid();
            const bool pending = persistence.isPending();
            if (!firstStillWaiting || sinceLast.elapsed() >= earliest) {
                if (round < 10)
                    continue;
                QSKIP("the machine is too busy to time the pause");
            }
            QVERIFY2(!written, "written before the pause after the last change");
            QVERIFY(pending);
            QTRY_VERIFY_WITH_TIMEOUT(stored().isValid(), 20000);
            QCOMPARE(VolumePersistence::savedVolume(), 0.4f);
            QVERIFY(!persistence.isPending());
            return;
        }
    }

    void flushWritesAtOnceAndDropsTheWaitingSave()
    {
        VolumePersistence persistence;
        persistence.schedulePersist(0.9f);
        persistence.flush(0.3f);
        QCOMPARE(VolumePersistence::savedVolume(), 0.3f);
        QVERIFY(!persistence.isPending());
        QTest::qWait(500);
        QCOMPARE(VolumePersistence::savedVolume(), 0.3f);
    }

    void aSaveOfAGoneObjectDoesNothing()
    {
        auto *persistence = new VolumePersistence;
        persistence->schedulePersist(0.5f);
        delete persistence;
        QTest::qWait(500);
        QVERIFY(!stored().isValid());
    }
};

QTEST_GUILESS_MAIN(tst_VolumePersistence)
#include "tst_VolumePersistence.moc"
