#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "Playback/SessionFile.h"

using namespace Qt::StringLiterals;

class tst_SessionFile : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;

    static QString folder()
    {
        return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + u"/Lirna"_s;
    }

private Q_SLOTS:
    void initTestCase()
    {
        // A home of its own: tests running beside it clear the shared test folders.
        QVERIFY(m_home.isValid());
        qputenv("HOME", m_home.path().toUtf8());
        QStandardPaths::setTestModeEnabled(true);
    }
    void init() { QDir(folder()).removeRecursively(); }
    void cleanupTestCase() { QDir(folder()).removeRecursively(); }

    void livesInTheLirnaDataFolder() { QCOMPARE(SessionFile::path(), folder() + u"/session.json"_s); }

    void writesCreatingTheFolderAndReadsBack()
    {
        QVERIFY(!SessionFile::read());
        QVERIFY(SessionFile::write("{\"a\":1}"));
        QCOMPARE(SessionFile::read(), QByteArray("{\"a\":1}"));
        QVERIFY(SessionFile::write("{}"));
        QCOMPARE(SessionFile::read(), QByteArray("{}"));
        // Nothing is left beside the file.
        QCOMPARE(QDir(folder()).entryList(QDir::Files | QDir::Hidden), QStringList {u"session.json"_s});
        SessionFile::remove();
        QVERIFY(!QFile::exists(SessionFile::path()));
        SessionFile::remove();
    }

    void refusesWhatIsNotASessionFile()
    {
        QVERIFY(QDir().mkpath(SessionFile::path()));
        QVERIFY(!SessionFile::read());
        QVERIFY(!SessionFile::write("{}"));
        QDir(SessionFile::path()).removeRecursively();

        QFile big(SessionFile::path());
        QVERIFY(big.open(QIODevice::WriteOnly));
        QVERIFY(big.resize(SessionFile::MaximumSize + 1));
        big.close();
        QVERIFY(!SessionFile::read());
    }
};

QTEST_GUILESS_MAIN(tst_SessionFile)
#include "tst_SessionFile.moc"
