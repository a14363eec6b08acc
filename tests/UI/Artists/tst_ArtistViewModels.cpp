#include <QAbstractItemModelTester>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include "Artists/ArtistPaneViewModel.h"
#include "Artists/ArtistsViewModel.h"
#include "Helpers/RecordLists.h"
#include "Helpers/UI/PageHarness.h"
#include "MainViewModel.h"
#include "NavigationModel.h"
#include "PageContext.h"
#include "Playback/PlayerController.h"

using namespace Qt::StringLiterals;

namespace {

using Overlay = AlbumCollectionViewModel::Overlay;
// (album id, year) in the server's order.
using AlbumYears = QList<std::pair<QString, int>>;

// A year of 0 stands for an album without one.
QByteArray artistJson(const QString &id, const QList<std::pair<QString, int>> &albums)
{
    QJsonArray list;
    for (const auto &[albumId, year] : albums) {
        QJsonObject o {{u"id"_s, albumId}, {u"name"_s, albumId}, {u"artist"_s, id}, {u"artistId"_s, id}};
        if (year != 0)
            o.insert(u"year"_s, year);
        list.append(o);
    }
    const QJsonObject artist {{u"id"_s, id}, {u"name"_s, u"Artist "_s + id}, {u"album"_s, list}};
    return "\"artist\": " + QJsonDocument(artist).toJson(QJsonDocument::Compact);
}

// Two songs per album: "<album>-1", "<album>-2".
QByteArray albumJson(const QString &id)
{
    QJsonArray songs;
    for (int n = 1; n <= 2; ++n)
        songs.append(QJsonObject {{u"id"_s, id + u'-' + QString::number(n)}, {u"title"_s, u"Song"_s},
            {u"albumId"_s, id}, {u"duration"_s, 60}});
    const QJsonObject album {{u"id"_s, id}, {u"name"_s, id}, {u"song"_s, songs}};
    return "\"album\": " + QJsonDocument(album).toJson(QJsonDocument::Compact);
}

QByteArray artistsJson(const QStringList &ids)
{
    QJsonArray artists;
    for (const QString &id : ids)
        artists.append(QJsonObject {{u"id"_s, id}, {u"name"_s, u"Artist "_s + id}});
    const QJsonObject index {{u"name"_s, u"A"_s}, {u"artist"_s, artists}};
    const QJsonObject payload {{u"index"_s, ids.isEmpty() ? QJsonArray() : QJsonArray {index}}};
    return "\"artists\": " + QJsonDocument(payload).toJson(QJsonDocument::Compact);
}

Artist artist(const QString &id)
{
    Artist a;
    a.id = id;
    a.name = u"Artist "_s + id;
    return a;
}

} // namespace

// The artist pane and the artists browser without a display: real stores on
// a loopback server whose artists "a" and "b" have the albums the test sets,
// the engine on a fake player, the pages on a real navigation stack.
class TestArtistViewModels : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    QHash<QString, QByteArray> m_artists; // id → getArtist fields
    QStringList m_artistList;
    int m_albumDelayMs = 0;
    std::unique_ptr<PageHarness> m_harness;
    std::unique_ptr<PageHarness> m_relaunched;

    // Stores over the loopback server of this test; a second call builds
    // fresh ones (another launch) over the same server.
    bool startStores()
    {
        if (m_harness) {
            m_relaunched = std::make_unique<PageHarness>();
            if (!m_relaunched->start(QSize(900, 600), m_harness->loopbackAccount()))
                return false;
            main()->navigation()->popTo(0);
            return true;
        }
        m_harness = std::make_unique<PageHarness>();
        m_harness->server().setHandler([this](const TestHttpServer::Request &request) {
            const QString id = request.queryValue(u"id"_s);
            if (request.path() == "/rest/getArtist") {
                if (!m_artists.contains(id))
                    return TestHttpServer::failed(70, "Artist not found");
                return TestHttpServer::ok(m_artists.value(id));
            }
            if (request.path() == "/rest/getAlbum") {
                TestHttpServer::Response response = TestHttpServer::ok(albumJson(id));
                response.delayMs = m_albumDelayMs;
                return response;
            }
            if (request.path() == "/rest/getArtists")
                return TestHttpServer::ok(artistsJson(m_artistList));
            return TestHttpServer::ok();
        });
        if (!m_harness->start())
            return false;
        main()->navigation()->popTo(0);
        return true;
    }

    // The stores built last.
    PageHarness *current() const { return m_relaunched ? m_relaunched.get() : m_harness.get(); }
    MainViewModel *main() const { return current()->main(); }
    PlayerController *player() const { return current()->player(); }

    // The artist page as the window pushes it.
    ArtistPaneViewModel *open(const QString &id)
    {
        return new ArtistPaneViewModel(current()->push(artist(id)), artist(id), true);
    }

    ArtistsViewModel *browser()
    {
        auto *vm = new ArtistsViewModel(current()->rootContext(SidebarItem::Artists));
        vm->appear();
        return vm;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        qputenv("HOME", m_home.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", m_home.filePath(u".config"_s).toUtf8());
    }

    void init()
    {
        m_artists.clear();
        m_artistList.clear();
        m_albumDelayMs = 0;
        QSettings().remove(ArtistsViewModel::SelectionKey);
        QVERIFY(startStores());
    }

    void cleanup()
    {
        m_relaunched.reset();
        m_harness.reset();
    }

    void discographyOrder_data()
    {
        QTest::addColumn<AlbumYears>("server");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("equal years keep the server's order") << AlbumYears {{u"x"_s, 2001}, {u"y"_s, 1999},
            {u"none"_s, 0}, {u"z"_s, 2001}} << QStringList {u"x"_s, u"z"_s, u"y"_s, u"none"_s};
        QTest::newRow("undated and negative years come last, in order") << AlbumYears {
            {u"neg"_s, -5}, {u"none"_s, 0}, {u"old"_s, 1950}} << QStringList {u"old"_s, u"neg"_s, u"none"_s};
        QTest::newRow("no albums") << AlbumYears {} << QStringList {};
    }
    void discographyOrder()
    {
        QFETCH(AlbumYears, server);
        QFETCH(QStringList, shown);
        m_artists.insert(u"a"_s, artistJson(u"a"_s, server));
        ArtistPaneViewModel *pane = open(u"a"_s);
        QAbstractItemModelTester tester(
            pane->albums(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(pane->overlay(), Overlay::Loading);
        QVERIFY(!pane->playEnabled());
        QTRY_VERIFY(pane->overlay() != Overlay::Loading);
        QCOMPARE(idsOf(pane->albums()->records()), shown);
        QCOMPARE(pane->overlay(), shown.isEmpty() ? Overlay::Empty : Overlay::None);
        QCOMPARE(pane->playEnabled(), !shown.isEmpty());
        QCOMPARE(pane->playText(), u"Play Artist a"_s);
        QCOMPARE(pane->shuffleText(), u"Shuffle Artist a"_s);
    }

    void failedLoadShowsTheError()
    {
        ArtistPaneViewModel *pane = open(u"missing"_s);
        QTRY_COMPARE(pane->overlay(), Overlay::Failed);
        QVERIFY(pane->errorMessage().contains(u"Artist not found"_s));
        QVERIFY(!pane->playEnabled());
    }

    // Play then Shuffle before the songs arrive: the second press is ignored
    // and the whole discography plays in order, with no source.
    void playQueuesTheDiscographyInOrder()
    {
        m_artists.insert(u"a"_s, artistJson(u"a"_s, {{u"old"_s, 1990}, {u"new"_s, 2020}}));
        ArtistPaneViewModel *pane = open(u"a"_s);
        QTRY_VERIFY(pane->playEnabled());
        m_albumDelayMs = 150;
        pane->playDiscography(false);
        QVERIFY(pane->isAssembling());
        QVERIFY(!pane->playEnabled());
        pane->playDiscography(true);
        QTRY_VERIFY(!pane->isAssembling());
        QCOMPARE(idsOf(player()->queue()), (QStringList {u"new-1"_s, u"new-2"_s, u"old-1"_s, u"old-2"_s}));
        QVERIFY(!player()->isShuffling());
        QVERIFY(!player()->source());
        QVERIFY(pane->playEnabled());
    }

    // An assembly whose pane moved on to another artist never plays; one whose
    // page was merely left still does.
    void staleAssemblyGuard_data()
    {
        QTest::addColumn<bool>("switchArtist");
        QTest::addColumn<bool>("plays");
        QTest::newRow("another artist selected") << true << false;
        QTest::newRow("the page was left") << false << true;
    }
    void staleAssemblyGuard()
    {
        QFETCH(bool, switchArtist);
        QFETCH(bool, plays);
        m_artists.insert(u"a"_s, artistJson(u"a"_s, {{u"a1"_s, 2000}}));
        m_artists.insert(u"b"_s, artistJson(u"b"_s, {{u"b1"_s, 2000}}));
        ArtistPaneViewModel *pane = open(u"a"_s);
        QTRY_VERIFY(pane->playEnabled());
        m_albumDelayMs = 300;
        pane->playDiscography(false);
        QVERIFY(pane->isAssembling());
        if (switchArtist) {
            pane->setArtist(artist(u"b"_s));
            QVERIFY(!pane->isAssembling());
            QTRY_COMPARE(idsOf(pane->albums()->records()), QStringList {u"b1"_s});
            QVERIFY(pane->playEnabled());
        } else {
            main()->navigation()->popTo(0);
            delete pane->parent();
        }
        // The assembly's album answer comes after 300 ms; one that plays is
        // waited for, one that must not is given time to.
        const QStringList queued = plays ? QStringList {u"a1-1"_s, u"a1-2"_s} : QStringList {};
        if (plays)
            QTRY_COMPARE(idsOf(player()->queue()), queued);
        else
            QTest::qWait(600);
        QCOMPARE(idsOf(player()->queue()), queued);
        if (switchArtist)
            QVERIFY(pane->playEnabled());
    }

    void resolvedSelection_data()
    {
        QTest::addColumn<std::optional<QString>>("stored");
        QTest::addColumn<QStringList>("artists");
        QTest::addColumn<std::optional<QString>>("resolved");
        const QStringList ab {u"A"_s, u"B"_s};
        QTest::newRow("nothing stored") << std::optional<QString>() << ab << std::optional(u"A"_s);
        QTest::newRow("stored and listed") << std::optional(u"B"_s) << ab << std::optional(u"B"_s);
        QTest::newRow("stored, gone") << std::optional(u"C"_s) << ab << std::optional(u"A"_s);
        QTest::newRow("ids compare exactly") << std::optional(u"b"_s) << ab << std::optional(u"A"_s);
        QTest::newRow("empty list") << std::optional(u"B"_s) << QStringList {} << std::optional<QString>();
    }
    void resolvedSelection()
    {
        QFETCH(std::optional<QString>, stored);
        QFETCH(QStringList, artists);
        QFETCH(std::optional<QString>, resolved);
        QList<Artist> list;
        for (const QString &id : artists)
            list.append(artist(id));
        QCOMPARE(ArtistsViewModel::resolvedSelection(stored, list), resolved);
    }

    // The selection comes back from the preferences in a new browser, and a
    // cleared selection is put back at once.
    void selectionIsRestored_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("selected");
        QTest::newRow("nothing stored") << QString() << u"a"_s;
        QTest::newRow("stored artist") << u"b"_s << u"b"_s;
        QTest::newRow("stored artist gone") << u"zz"_s << u"a"_s;
    }
    void selectionIsRestored()
    {
        QFETCH(QString, stored);
        QFETCH(QString, selected);
        m_artistList = {u"a"_s, u"b"_s};
        m_artists.insert(u"a"_s, artistJson(u"a"_s, {{u"a1"_s, 2000}}));
        m_artists.insert(u"b"_s, artistJson(u"b"_s, {{u"b1"_s, 2000}}));
        if (!stored.isNull())
            QSettings().setValue(ArtistsViewModel::SelectionKey, stored);

        ArtistsViewModel *first = browser();
        QAbstractItemModelTester tester(
            first->artists(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(first->overlay(), Overlay::Loading);
        QVERIFY(!first->hasSelection());
        QTRY_VERIFY(first->hasSelection());
        QCOMPARE(first->selectedId(), selected);
        QTRY_COMPARE(first->pane()->artistId(), selected);
        QTRY_COMPARE(idsOf(first->pane()->albums()->records()), QStringList {selected + u'1'});

        const int other = 1 - first->selectedRow();
        first->select(other);
        const QString chosen = first->artists()->recordAt(other)->id;
        first->clearSelection();
        QCOMPARE(first->selectedId(), chosen);
        QCOMPARE(QSettings().value(ArtistsViewModel::SelectionKey).toString(), chosen);

        // Another launch: the same preferences, a fresh store and page.
        QVERIFY(startStores());
        ArtistsViewModel *second = browser();
        QTRY_VERIFY(second->hasSelection());
        QCOMPARE(second->selectedId(), chosen);
        QCOMPARE(second->selectedRow(), other);
    }

    void emptyLibrarySelectsNothing()
    {
        ArtistsViewModel *vm = browser();
        QTRY_COMPARE(vm->overlay(), Overlay::Empty);
        QVERIFY(!vm->hasSelection());
        QVERIFY(!vm->selectedId());
    }
};

QTEST_MAIN(TestArtistViewModels)
#include "tst_ArtistViewModels.moc"
