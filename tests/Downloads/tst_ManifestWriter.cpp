#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "Downloads/ManifestWriter.h"
#include "Helpers/FullDisk.h"

using namespace Qt::StringLiterals;

namespace {

DownloadManifest manifestOf(int songs)
{
    DownloadManifest m;
    for (int i = 0; i < songs; ++i) {
        Song s;
        s.id = u"s%1"_s.arg(i);
        s.title = u"Title %1"_s.arg(i);
        m.songs.insert(s.id, DownloadedSong {s, u"mp3"_s, i, {u"album:a"_s}});
    }
    return m;
}

std::optional<DownloadManifest> readBack(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? DownloadManifest::fromJson(f.readAll()) : std::nullopt;
}

} // namespace

class TestManifestWriter : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // Saves come faster than the worker writes: whatever it skips, the file
    // ends at the newest snapshot, in a folder made for it.
    void newestSnapshotWins()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"account/manifest.json"_s);
        ManifestWriter writer(path);
        QList<QFuture<bool>> saved;
        for (int n = 0; n <= 300; n += 3)
            saved.append(writer.save(manifestOf(n)));
        writer.flush();
        // A save that a newer one replaced counts as written with it.
        for (const QFuture<bool> &result : saved)
            QVERIFY(result.isFinished() && result.result());
        QVERIFY(!writer.isBusy());
        QCOMPARE(readBack(path), std::optional(manifestOf(300)));

        // The caller changes its own copy after handing one over: the file
        // gets what was handed over.
        DownloadManifest mine = manifestOf(2);
        writer.save(mine);
        mine.songs.clear();
        writer.flush();
        QCOMPARE(readBack(path), std::optional(manifestOf(2)));
    }

    // A writer that goes away writes what it was given first.
    void destructionFinishesTheWrite()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"manifest.json"_s);
        {
            ManifestWriter writer(path);
            writer.save(manifestOf(1000));
        }
        QCOMPARE(readBack(path), std::optional(manifestOf(1000)));
    }

    // Below the write buffer's size the bytes reach the disk only when the
    // file is committed; above it they go at once. Either way a write that
    // finds no space fails and the file stays as it was.
    void fullDiskKeepsTheOldFile_data()
    {
        QTest::addColumn<int>("songs");
        QTest::newRow("a few hundred bytes") << 1;
        QTest::newRow("a few kilobytes") << 40;
        QTest::newRow("past the write buffer") << 400;
    }

    void fullDiskKeepsTheOldFile()
    {
        QFETCH(int, songs);
        QTemporaryDir dir;
        const QString folder = dir.filePath(u"account"_s);
        FullDisk disk(folder);
        const QString path = QDir(folder).filePath(u"manifest.json"_s);
        QVERIFY(ManifestWriter::write(path, manifestOf(2)));
        disk.fill();

        QVERIFY(!ManifestWriter::write(path, manifestOf(songs)));
        {
            ManifestWriter writer(path);
            QCOMPARE(writer.save(manifestOf(songs + 1)).result(), false);
        }
        QCOMPARE(readBack(path), std::optional(manifestOf(2)));
        // No half-written file is left beside it.
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden).filter(u"manifest"_s),
            QStringList {u"manifest.json"_s});
        disk.release();
        QVERIFY(ManifestWriter::write(path, manifestOf(songs)));
        QCOMPARE(readBack(path), std::optional(manifestOf(songs)));
    }
};

QTEST_GUILESS_MAIN(TestManifestWriter)
#include "tst_ManifestWriter.moc"
