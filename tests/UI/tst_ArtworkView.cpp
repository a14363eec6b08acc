#include <QBuffer>
#include <QNetworkAccessManager>
#include <QPainter>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtQml/qqmlextensionplugin.h>
#include <QtTest>

#include "Components/ArtworkClient.h"
#include "Components/CollectionCovers.h"
#include "Components/CoverImage.h"
#include "Downloads/ArtworkFetcher.h"
#include "Helpers/TestHttpServer.h"
#include "Helpers/UI/QmlWarningGuard.h"
#include "Helpers/UI/UiTest.h"
#include "Networking/UrlSession.h"
#include "Support/ArtworkStore.h"

Q_IMPORT_QML_PLUGIN(Lirna_UIPlugin)

using namespace Qt::StringLiterals;

namespace {

// Every cover the loopback server has is one flat colour, named by its id.
QColor colourOf(const QString &id)
{
    return QColor::fromHsv(int(qHash(id) % 360), 200, 200).toRgb();
}

QByteArray png(const QColor &colour)
{
    QImage image(300, 300, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

Song song(const QString &id, std::optional<QString> albumId, std::optional<QString> cover)
{
    Song s;
    s.id = id;
    s.title = id;
    s.albumId = std::move(albumId);
    s.coverArt = std::move(cover);
    return s;
}

} // namespace

// The cover views: which size they ask for, what they draw before and after a
// load, which loads they make, and the collection's single cover or collage.
// Everything runs without a window, against a loopback server.
class TestArtworkView : public QObject
{
    Q_OBJECT

    TestHttpServer m_server;
    QNetworkAccessManager m_manager;
    std::unique_ptr<UrlSession> m_session;
    QmlWarningGuard m_warnings;
    QTemporaryDir m_cache;
    QSet<QString> m_failing;
    int m_delayMs = 0;
    int m_fetcherCount = 0;

    // A fresh client on a fresh disk cache, so no test sees another's files.
    std::unique_ptr<ArtworkClient> makeClient(int maxLoads = ArtworkClient::MaxLoads)
    {
        auto *fetcher
            = new ArtworkFetcher(m_cache.filePath(QString::number(++m_fetcherCount)), m_session.get());
        auto client = std::make_unique<ArtworkClient>(fetcher, nullptr, maxLoads);
        fetcher->setParent(client.get());
        client->setClient(
            SubsonicClient(ServerConfig {m_server.baseUrl(), u"ann"_s, u"pw"_s}, m_session.get()));
        return client;
    }

    QStringList coverRequests() const
    {
        QStringList requested;
        for (const auto &request : m_server.requests()) {
            if (request.path() == "/rest/getCoverArt")
                requested.append(request.queryValue(u"id"_s) + u"@"_s + request.queryValue(u"size"_s));
        }
        return requested;
    }

    static std::unique_ptr<CoverImage> cover(ArtworkClient *client, qreal size, const QString &id)
    {
        auto item = std::make_unique<CoverImage>();
        item->setClient(client);
        item->setRequestSize(size);
        item->setCoverArt(id);
        return item;
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_warnings.install();
        QVERIFY(m_cache.isValid());
        QVERIFY(m_server.listen());
        m_session = std::make_unique<UrlSession>(&m_manager, 5000);
        m_server.setHandler([this](const TestHttpServer::Request &request) {
            const QString id = request.queryValue(u"id"_s);
            TestHttpServer::Response response;
            if (m_failing.contains(id)) {
                response.status = 500;
                return response;
            }
            response.body = png(colourOf(id));
            response.contentType = "image/png";
            response.delayMs = m_delayMs;
            return response;
        });
    }

    void init()
    {
        m_server.clearRequests();
        m_failing.clear();
        m_delayMs = 0;
    }

    void cleanup()
    {
        LIRNA_VERIFY_NO_QML_WARNINGS(m_warnings);
    }

    void pixelSizeIsTheBucketOfTwiceThePoints_data()
    {
        QTest::addColumn<qreal>("points");
        QTest::addColumn<int>("pixels");
        QTest::newRow("32") << 32.0 << 64;
        QTest::newRow("32.4 truncates to 64") << 32.4 << 64;
        QTest::newRow("33") << 33.0 << 128;
        QTest::newRow("0") << 0.0 << 64;
        QTest::newRow("negative") << -4.0 << 64;
        QTest::newRow("not a number") << qQNaN() << 64;
        QTest::newRow("100") << 100.0 << 256;
        QTest::newRow("120") << 120.0 << 256;
        QTest::newRow("220") << 220.0 << 512;
        QTest::newRow("256") << 256.0 << 512;
        QTest::newRow("257") << 257.0 << 1024;
        QTest::newRow("512") << 512.0 << 1024;
        QTest::newRow("2000") << 2000.0 << 1024;
        QTest::newRow("infinite") << qInf() << 1024;
    }

    void pixelSizeIsTheBucketOfTwiceThePoints()
    {
        QFETCH(qreal, points);
        QFETCH(int, pixels);
        QCOMPARE(CoverImage::pixelSize(points), pixels);
    }

    void coverInMemoryIsShownAtOnceWithoutARequest()
    {
        auto client = makeClient();
        QImage cached(256, 256, QImage::Format_RGB32);
        cached.fill(Qt::darkCyan);
        ArtworkStore::insert(*client->cacheKey(u"mem"_s, 256), cached);

        CoverImage item;
        QSignalSpy images(&item, &CoverImage::image);
        item.setClient(client.get());
        item.setRequestSize(110);
        item.setCoverArt(u"mem"_s);
        QVERIFY(item.hasImage()); // before any event is processed
        QCOMPARE(images.size(), 1);
        QCOMPARE(images.first().first().value<QImage>(), cached);
        QTest::qWait(50);
        QCOMPARE(coverRequests(), QStringList());
        QCOMPARE(images.size(), 1);
    }

    void noCoverIdMakesNoRequest()
    {
        auto client = makeClient();
        auto item = cover(client.get(), 80, QString());
        QSignalSpy images(item.get(), &CoverImage::image);
        QTest::qWait(50);
        QVERIFY(!item->hasImage());
        QCOMPARE(images.size(), 0);
        QCOMPARE(coverRequests(), QStringList());
    }

    // 100 and 120 points both ask for 256 pixels: one download serves both.
    void similarSizesShareOneDownload()
    {
        auto client = makeClient();
        auto a = cover(client.get(), 100, u"shared"_s);
        auto b = cover(client.get(), 120, u"shared"_s);
        QTRY_VERIFY(a->hasImage() && b->hasImage());
        QCOMPARE(coverRequests(), QStringList {u"shared@256"_s});
        QCOMPARE(a->shownImage().pixelColor(5, 5).rgb(), colourOf(u"shared"_s).rgb());
    }

    void failedLoadKeepsThePlaceholderAndANewKeyRetries()
    {
        auto client = makeClient();
        m_failing.insert(u"flaky"_s);
        auto item = cover(client.get(), 50, u"flaky"_s);
        QSignalSpy images(item.get(), &CoverImage::image);
        QTRY_COMPARE(coverRequests().size(), 1);
        QTRY_COMPARE(client->queue()->running(), 0);
        QVERIFY(!item->hasImage());
        QCOMPARE(images.size(), 0);

        m_failing.clear();
        item->setRequestSize(200);
        QTRY_VERIFY(item->hasImage());
        QCOMPARE(images.size(), 1);
        QCOMPARE(coverRequests(), (QStringList {u"flaky@128"_s, u"flaky@512"_s}));
    }

    // A cover changed while its first load is under way shows the new cover,
    // and the old answer is dropped.
    void staleAnswerIsDropped()
    {
        auto client = makeClient();
        m_delayMs = 150;
        auto item = cover(client.get(), 40, u"old"_s);
        QSignalSpy images(item.get(), &CoverImage::image);
        QTRY_COMPARE(coverRequests().size(), 1);
        item->setCoverArt(u"new"_s);
        QTRY_VERIFY(item->hasImage());
        QTest::qWait(200);
        QCOMPARE(images.size(), 1);
        QCOMPARE(item->shownImage().pixelColor(5, 5).rgb(), colourOf(u"new"_s).rgb());
    }

    // Covers waiting for a slot load newest first; one destroyed while it
    // waits (scrolled away) never loads.
    void coversScrolledAwayAreNeverLoaded()
    {
        auto client = makeClient(1);
        m_delayMs = 60;
        auto first = cover(client.get(), 30, u"q1"_s);
        auto gone = cover(client.get(), 30, u"q2"_s);
        auto last = cover(client.get(), 30, u"q3"_s);
        QCOMPARE(client->queue()->running(), 1);
        QCOMPARE(client->queue()->pending(), 2);
        gone.reset();
        QTRY_VERIFY(first->hasImage() && last->hasImage());
        QTest::qWait(100);
        QCOMPARE(coverRequests(), (QStringList {u"q1@64"_s, u"q3@64"_s}));
        QCOMPARE(client->queue()->pending(), 0);
    }

    // Drawn into an image: rounded corners stay clear; the centre shows the
    // cover, or the placeholder's fill without one.
    void drawsTheCoverInsideRoundedCorners()
    {
        auto client = makeClient();
        auto item = cover(client.get(), 64, u"drawn"_s);
        item->setSize(QSizeF(64, 64));
        item->setCornerRadius(16);
        item->setPlaceholderColor(Qt::gray);
        QImage canvas(64, 64, QImage::Format_ARGB32_Premultiplied);
        const auto draw = [&] {
            canvas.fill(Qt::transparent);
            QPainter painter(&canvas);
            item->paint(&painter);
        };
        draw();
        // Above the placeholder's note.
        QCOMPARE(canvas.pixelColor(32, 6).rgb(), QColor(Qt::gray).rgb());
        QCOMPARE(canvas.pixelColor(1, 1).alpha(), 0);

        QTRY_VERIFY(item->hasImage());
        // Scaled to its drawn size before it is painted, not while.
        QTRY_COMPARE(item->drawnImage().size(), QSize(64, 64));
        draw();
        QCOMPARE(canvas.pixelColor(32, 6).rgb(), colourOf(u"drawn"_s).rgb());
        QCOMPARE(canvas.pixelColor(32, 32).rgb(), colourOf(u"drawn"_s).rgb());
        QCOMPARE(canvas.pixelColor(1, 1).alpha(), 0);
        QCOMPARE(canvas.pixelColor(62, 62).alpha(), 0);
    }

    void albumCoversOnePerAlbum_data()
    {
        QTest::addColumn<QList<Song>>("songs");
        QTest::addColumn<QStringList>("covers");
        QTest::newRow("empty") << QList<Song>() << QStringList();
        QTest::newRow("one album, first song's cover") << QList<Song> {song(u"1"_s, u"A"_s, u"a1"_s),
            song(u"2"_s, u"A"_s, u"a2"_s)} << QStringList {u"a1"_s};
        QTest::newRow("songs without covers skipped") << QList<Song> {song(u"1"_s, u"A"_s, std::nullopt),
            song(u"2"_s, u"A"_s, u"a2"_s)} << QStringList {u"a2"_s};
        QTest::newRow("no album id: an album each") << QList<Song> {song(u"1"_s, std::nullopt, u"c"_s),
            song(u"2"_s, std::nullopt, u"c"_s)} << QStringList {u"c"_s, u"c"_s};
        QTest::newRow("order of first appearance") << QList<Song> {song(u"1"_s, u"B"_s, u"b"_s),
            song(u"2"_s, u"A"_s, u"a"_s), song(u"3"_s, u"B"_s, u"b"_s)}
                                                   << QStringList {u"b"_s, u"a"_s};
    }

    void albumCoversOnePerAlbum()
    {
        QFETCH(QList<Song>, songs);
        QFETCH(QStringList, covers);
        QCOMPARE(CollectionCovers::albumCovers(songs), covers);
    }

    // What is handed to the view: the songs up to the fourth album's first,
    // the rest of a long collection left out.
    void drawnSongsEndAtTheFourthAlbum()
    {
        QList<Song> songs;
        for (const char *album : {"A", "A", "B", "C", "C", "D", "E", "A"})
            songs.append(song(QString::number(songs.size()), QString::fromLatin1(album),
                u"cover-"_s + QString::fromLatin1(album)));
        QCOMPARE(CollectionCovers::drawnSongs(songs), songs.mid(0, 6));
        QCOMPARE(CollectionCovers::albumCovers(CollectionCovers::drawnSongs(songs)),
            CollectionCovers::albumCovers(songs).mid(0, 4));
        QCOMPARE(CollectionCovers::drawnSongs(songs.mid(0, 5)), songs.mid(0, 5));
    }

    // Three albums: the first one's cover alone, which reports its image.
    // Four: a collage of half-size quadrants that reports nothing.
    void collectionShowsOneCoverOrACollage_data()
    {
        QTest::addColumn<int>("albums");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<qreal>("requestSize");
        QTest::addColumn<int>("images");
        QTest::newRow("none") << 0 << QStringList {QString()} << 120.0 << 0;
        QTest::newRow("three albums") << 3 << QStringList {u"cv0"_s} << 120.0 << 1;
        QTest::newRow("four albums") << 4 << QStringList {u"cv0"_s, u"cv1"_s, u"cv2"_s, u"cv3"_s} << 60.0
                                     << 0;
        QTest::newRow("six albums") << 6 << QStringList {u"cv0"_s, u"cv1"_s, u"cv2"_s, u"cv3"_s} << 60.0 << 0;
    }

    void collectionShowsOneCoverOrACollage()
    {
        QFETCH(int, albums);
        QFETCH(QStringList, shown);
        QFETCH(qreal, requestSize);
        QFETCH(int, images);

        auto client = makeClient();
        QList<Song> songs;
        for (int i = 0; i < albums; ++i) {
            const QString n = QString::number(i);
            songs << song(u"s"_s + n, u"al"_s + n, u"cv"_s + n) << song(u"t"_s + n, u"al"_s + n, u"cv"_s + n);
            // Already in memory, so every load finishes at once.
            QImage image(128, 128, QImage::Format_RGB32);
            image.fill(Qt::red);
            for (int px : {128, 256})
                ArtworkStore::insert(*client->cacheKey(u"cv"_s + n, px), image);
        }

        QQmlEngine engine;
        engine.addImportPath(u"qrc:/"_s);
        QQmlComponent component(&engine);
        component.setData(
            "import QtQuick\nimport Lirna.UI\nCollectionArtworkView { size: 120; cornerRadius: 8 }",
            QUrl(u"qrc:/test/Collection.qml"_s));
        std::unique_ptr<QObject> object(component.beginCreate(engine.rootContext()));
        QVERIFY2(object, qPrintable(component.errorString()));
        auto *view = qobject_cast<QQuickItem *>(object.get());
        QSignalSpy reported(view, SIGNAL(image(QVariant)));
        view->setProperty("client", QVariant::fromValue(client.get()));
        view->setProperty("songs", QVariant::fromValue(songs));
        component.completeCreate();

        const QList<CoverImage *> covers = UiTest::itemsOf<CoverImage>(view);
        QStringList ids;
        for (CoverImage *c : std::as_const(covers)) {
            ids << c->coverArt();
            QCOMPARE(c->requestSize(), requestSize);
            QCOMPARE(c->hasImage(), !c->coverArt().isEmpty());
        }
        QCOMPARE(ids, shown);
        QCOMPARE(view->property("collage").toBool(), shown.size() == 4);
        QCOMPARE(reported.size(), images);
        QCOMPARE(coverRequests(), QStringList());
    }
};

QTEST_MAIN(TestArtworkView)
#include "tst_ArtworkView.moc"
