#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QFileInfo>
#include <QtTest>

#include <sys/stat.h>

#include "SavedLocation.h"
#include "SavedLocationFile.h"

using namespace Qt::StringLiterals;

namespace {

ServerConfig config(const QString &url = u"https://music.example.com"_s, const QString &user = u"ann"_s)
{
    return ServerConfig {QUrl(url), user, u"secret"_s};
}

Album album(const QString &id)
{
    Album a;
    a.id = id;
    a.name = u"Album "_s + id;
    a.artist = u"Someone"_s;
    a.year = 1999;
    return a;
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &data)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(data);
}

} // namespace

class TestSavedLocation : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void selectionJson_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QString>("kind"); // "item:<raw>" or "playlist:<id>"
        QTest::newRow("item") << QByteArray(R"({"item":{"_0":"albums"}})") << true << u"item:albums"_s;
        QTest::newRow("random has no row but restores")
            << QByteArray(R"({"item":{"_0":"random"}})") << true << u"item:random"_s;
        QTest::newRow("playlist") << QByteArray(R"({"playlist":{"_0":"pl-7"}})") << true
                                  << u"playlist:pl-7"_s;
        QTest::newRow("both keys") << QByteArray(R"({"item":{"_0":"home"},"playlist":{"_0":"1"}})") << false
                                   << QString();
        QTest::newRow("no key") << QByteArray("{}") << false << QString();
        QTest::newRow("unknown case") << QByteArray(R"({"folder":{"_0":"x"}})") << false << QString();
        QTest::newRow("unknown item") << QByteArray(R"({"item":{"_0":"podcasts"}})") << false << QString();
        QTest::newRow("item in other case") << QByteArray(R"({"item":{"_0":"Home"}})") << false << QString();
        QTest::newRow("payload not text") << QByteArray(R"({"playlist":{"_0":7}})") << false << QString();
        QTest::newRow("payload bare") << QByteArray(R"({"item":"home"})") << false << QString();
        QTest::newRow("not an object") << QByteArray(R"(["item"])") << false << QString();
    }

    void selectionJson()
    {
        QFETCH(QByteArray, json);
        QFETCH(bool, valid);
        QFETCH(QString, kind);
        const QJsonValue value = QJsonDocument::fromJson("[" + json + "]").array().at(0);
        const std::optional<SidebarSelection> selection = SidebarSelection::fromJson(value);
        QCOMPARE(selection.has_value(), valid);
        if (!valid)
            return;
        const QString actual = selection->isItem()
            ? u"item:"_s + SidebarItems::rawValue(selection->sidebarItem())
            : u"playlist:"_s + selection->playlistId();
        QCOMPARE(actual, kind);
        // Writing gives back exactly the form that was read.
        QCOMPARE(QJsonDocument(selection->toJson()).toJson(QJsonDocument::Compact), json);
    }

    void encodesInRecordOrderAndRoundTrips()
    {
        SavedLocation location {u"ann@https://music.example.com"_s, SidebarSelection::playlist(u"42"_s),
            {NavigationDestination(album(u"a1"_s)), NavigationDestination(Artist {u"r1"_s, u"Band"_s, {}, 3}),
                NavigationDestination(AlbumGridDestination {AlbumListType::Newest, u"Recently Added"_s})}};
        const QByteArray data = location.encode();
        const QByteArray start = "{\"serverKey\":\"ann@https://music.example.com\","
                                 "\"selection\":{\"playlist\":{\"_0\":\"42\"}},\"path\":[";
        const QByteArray grid = "{\"albumGrid\":{\"listType\":\"newest\",\"title\":\"Recently Added\"}}";
        QVERIFY(data.startsWith(start));
        QVERIFY(data.contains(grid));
        const std::optional<SavedLocation> decoded = SavedLocation::decode(data);
        QVERIFY(decoded);
        QVERIFY(*decoded == location);
    }

    void restoresOnlyForTheSameAccount_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("user");
        QTest::addColumn<bool>("restored");
        QTest::newRow("same") << u"https://music.example.com:4533/navi"_s << u"ann"_s << true;
        QTest::newRow("trailing slash") << u"https://music.example.com:4533/navi/"_s << u"ann"_s << false;
        QTest::newRow("path case") << u"https://music.example.com:4533/Navi"_s << u"ann"_s << false;
        QTest::newRow("other user") << u"https://music.example.com:4533/navi"_s << u"Ann"_s << false;
        QTest::newRow("other scheme") << u"http://music.example.com:4533/navi"_s << u"ann"_s << false;
    }

    void restoresOnlyForTheSameAccount()
    {
        QFETCH(QString, url);
        QFETCH(QString, user);
        QFETCH(bool, restored);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"Lirna/location.json"_s);
        {
            SavedLocationFile file(path);
            file.save(SidebarSelection::item(SidebarItem::Songs), {},
                config(u"https://music.example.com:4533/navi"_s));
        }
        SavedLocationFile file(path); // a later run
        const std::optional<SavedLocation> saved = file.restorable(config(url, user));
        QCOMPARE(saved.has_value(), restored);
        if (restored)
            QVERIFY(saved->selection == SidebarSelection::item(SidebarItem::Songs));
    }

    void unreadableFileIsIgnored_data()
    {
        QTest::addColumn<QByteArray>("contents");
        const QByteArray key = R"("serverKey":"ann@https://music.example.com")";
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("not json") << QByteArray("location");
        QTest::newRow("truncated") << QByteArray(
            "{" + key + R"(,"selection":{"item":{"_0":"home"}},"path":[)");
        QTest::newRow("no path") << QByteArray("{" + key + R"(,"selection":{"item":{"_0":"home"}}})");
        QTest::newRow("no selection") << QByteArray("{" + key + R"(,"path":[]})");
        QTest::newRow("key not text")
            << QByteArray(R"({"serverKey":1,"selection":{"item":{"_0":"home"}},"path":[]})");
        QTest::newRow("selection with both") << QByteArray(
            "{" + key + R"(,"selection":{"item":{"_0":"home"},"playlist":{"_0":"1"}},"path":[]})");
        QTest::newRow("unknown item")
            << QByteArray("{" + key + R"(,"selection":{"item":{"_0":"radio"}},"path":[]})");
        QTest::newRow("path element unknown") << QByteArray(
            "{" + key + R"(,"selection":{"item":{"_0":"home"}},"path":[{"genre":{"id":"1"}}]})");
        QTest::newRow("album without name") << QByteArray(
            "{" + key + R"(,"selection":{"item":{"_0":"home"}},"path":[{"album":{"id":"1"}}]})");
        QTest::newRow("grid with unknown list") << QByteArray("{" + key
            + R"(,"selection":{"item":{"_0":"home"}},"path":[{"albumGrid":{"listType":"best","title":"x"}}]})");
        QTest::newRow("path not a list")
            << QByteArray("{" + key + R"(,"selection":{"item":{"_0":"home"}},"path":{}})");
    }

    void unreadableFileIsIgnored()
    {
        QFETCH(QByteArray, contents);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"location.json"_s);
        writeFile(path, contents);
        SavedLocationFile file(path);
        QVERIFY(!file.restorable(config()).has_value());
        // Nothing was written over it by reading.
        QCOMPARE(readFile(path), contents);
    }

    // A FIFO of that name is never opened: that would wait for a writer.
    void fifoIsIgnored()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"location.json"_s);
        QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        SavedLocationFile file(path);
        QVERIFY(!file.restorable(config()).has_value());
        QVERIFY(QFileInfo::exists(path) && !QFileInfo(path).isFile());
    }

    void saveWithoutSelectionChangesNothing()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"location.json"_s);
        SavedLocationFile file(path);
        file.save(SidebarSelection::item(SidebarItem::Artists), {}, config());
        const QByteArray before = readFile(path);
        file.save(std::nullopt, {NavigationDestination(album(u"x"_s))}, config());
        QCOMPARE(readFile(path), before);
        QVERIFY(file.restorable(config())->selection == SidebarSelection::item(SidebarItem::Artists));
        QVERIFY(file.restorable(config())->path.isEmpty());
    }

    void fileIsReadOncePerRun()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"location.json"_s);
        SavedLocationFile file(path);
        QVERIFY(!file.restorable(config()));
        // Another writer's file is not seen for the rest of the run.
        writeFile(path,
            SavedLocation {
                SavedLocation::accountKey(config()), SidebarSelection::item(SidebarItem::Songs), {}}
                .encode());
        QVERIFY(!file.restorable(config()));
    }

    void clearForgetsEvenWhenTheFileStays()
    {
        QTemporaryDir dir;
        // A place that cannot be deleted: a folder stands where the file goes.
        const QString path = dir.filePath(u"location.json"_s);
        writeFile(path + u"/keep"_s, "x");
        SavedLocationFile file(path);
        file.save(SidebarSelection::playlist(u"9"_s), {}, config());
        QVERIFY(file.restorable(config())); // held in memory although the write failed
        file.clear();
        QVERIFY(QFileInfo(path).isDir());
        QVERIFY(!file.restorable(config()));
        QVERIFY(!file.restorable(config(u"https://other.example.com"_s)));
    }

    void clearRemovesTheFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"Lirna/location.json"_s);
        SavedLocationFile file(path);
        file.save(SidebarSelection::item(SidebarItem::Home), {}, config());
        QVERIFY(QFile::exists(path));
        file.clear();
        QVERIFY(!QFile::exists(path));
        SavedLocationFile later(path);
        QVERIFY(!later.restorable(config()));
    }

    void failedWriteKeepsTheNewPlaceInMemory()
    {
        QTemporaryDir dir;
        // The folder cannot be created: a file has its name.
        const QString blocker = dir.filePath(u"Lirna"_s);
        writeFile(blocker, "not a folder");
        SavedLocationFile file(blocker + u"/location.json"_s);
        const NavigationPath path {NavigationDestination(album(u"b"_s))};
        file.save(SidebarSelection::item(SidebarItem::Songs), path, config());
        QCOMPARE(readFile(blocker), QByteArray("not a folder"));
        const std::optional<SavedLocation> saved = file.restorable(config());
        QVERIFY(
            saved && saved->selection == SidebarSelection::item(SidebarItem::Songs) && saved->path == path);
    }

    void savesReplaceTheFileWhole()
    {
        QTemporaryDir dir;
        const QString folder = dir.filePath(u"Lirna"_s);
        const QString path = folder + u"/location.json"_s;
        SavedLocationFile file(path);
        NavigationPath long_;
        for (int i = 0; i < 50; ++i)
            long_.append(NavigationDestination(album(QString::number(i))));
        file.save(SidebarSelection::item(SidebarItem::Albums), long_, config());
        file.save(SidebarSelection::item(SidebarItem::Songs), {}, config());
        // A shorter place leaves nothing of the longer one, and no temporary.
        QCOMPARE(readFile(path),
            SavedLocation(
                {SavedLocation::accountKey(config()), SidebarSelection::item(SidebarItem::Songs), {}})
                .encode());
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList {u"location.json"_s});
    }

    void sharedFileLivesInTheDataFolder()
    {
        QCOMPARE(SavedLocationFile::shared().filePath(),
            QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
                + u"/Lirna/location.json"_s);
    }
};

QTEST_GUILESS_MAIN(TestSavedLocation)
#include "tst_SavedLocation.moc"
