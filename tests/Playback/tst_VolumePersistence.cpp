#include <QCoreApplication>
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
        VolumePersistence persistence;
        persistence.schedulePersist(0.9f);
        QTest::qWait(250);
        // Each change pushes the save back.
        for (float v : {0.8f, 0.6f, 0.4f})
            persistence.schedulePersist(v);
        QTest::qWait(250);
        QVERIFY2(!stored().isValid(), "written before the pause after the last change");
        QVERIFY(persistence.isPending());
        QTRY_VERIFY_WITH_TIMEOUT(stored().isValid(), 1000);
        QCOMPARE(VolumePersistence::savedVolume(), 0.4f);
        QVERIFY(!persistence.isPending());
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
