#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

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
        QVERIFY(QFile::remove(SessionFile::path()));

        // A FIFO is not opened (that would wait for a writer) nor replaced by reading.
        QCOMPARE(mkfifo(QFile::encodeName(SessionFile::path()).constData(), 0600), 0);
        QVERIFY(!SessionFile::read());
        QVERIFY(!QFileInfo(SessionFile::path()).isFile() && QFileInfo::exists(SessionFile::path()));
    }
};

QTEST_GUILESS_MAIN(tst_SessionFile)
#include "tst_SessionFile.moc"
