#include <QBuffer>
#include <QCoroTask>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QSemaphore>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>

#include <memory>
#include <vector>

#include <sys/stat.h>

#include "Downloads/ArtworkFetcher.h"
#include "Helpers/TestHttpServer.h"
#include "Networking/SubsonicClient.h"
#include "Networking/UrlSession.h"
#include "Support/ArtworkStore.h"

using namespace Qt::StringLiterals;

namespace {

QByteArray png(int w, int h, QColor colour)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// A photo-like JPEG: it decodes line by line, so a cut-off copy still decodes.
QByteArray jpeg(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb((x * 7) % 256, (y * 5) % 256, ((x + y) * 3) % 256));
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG", 90);
    return bytes;
}

bool writeFile(const QString &path, const QByteArray &data)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void setAge(const QString &path, int secondsAgo)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadWrite));
    QVERIFY(f.setFileTime(
        QDateTime::currentDateTimeUtc().addSecs(-secondsAgo), QFileDevice::FileModificationTime));
}

TestHttpServer::Response image(const QByteArray &body, int delayMs = 0)
{
    TestHttpServer::Response r;
    r.body = body;
    r.contentType = "image/png";
    r.delayMs = delayMs;
    return r;
}

} // namespace

class TestArtworkFetcher : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    QTemporaryDir m_cache;
    QTemporaryDir m_offline;
    TestHttpServer *m_server = nullptr;
    SubsonicClient m_client;
    ArtworkFetcher *m_fetcher = nullptr;
    int m_unique = 0;

    // Every case its own cover id: the memory cache lives for the process.
    QString nextId() { return u"al-%1"_s.arg(++m_unique); }
    QString cacheFile(const QString &id, int size) const
    {
        return QDir(m_cache.path())
            .filePath(
                ArtworkFetcher::offlineFileName(ArtworkStore::key(m_client.coverArtURL(id, size), id, size)));
    }
    QImage fetch(const QString &id, int size)
    {
        return QCoro::waitFor(m_fetcher->image(id, size, m_client.coverArtURL(id, size)));
    }
    int coverRequests() const
    {
        int n = 0;
        for (const auto &r : m_server->requests())
            n += r.path() == "/rest/getCoverArt";
        return n;
    }

private Q_SLOTS:
    void initTestCase()
    {
        qputenv("HOME", m_home.path().toUtf8());
        QStandardPaths::setTestModeEnabled(true);
        m_server = new TestHttpServer(this);
        QVERIFY(m_server->listen());
        m_client = SubsonicClient(ServerConfig {m_server->baseUrl(), u"u"_s, u"p"_s}, UrlSession::shared());
        m_fetcher = new ArtworkFetcher(m_cache.path(), UrlSession::shared(), this);
    }

    void init()
    {
        m_server->clearRequests();
        TestHttpServer::Response missing = image("missing");
        missing.status = 404;
        m_server->setResponse("/rest/getCoverArt", missing);
        m_fetcher->setOfflineDirectory(std::nullopt);
    }

    void fileNames()
    {
        QCOMPARE(ArtworkFetcher::offlineFileName(QString()),
            u"e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"_s);
        QCOMPARE(ArtworkFetcher::offlineFileName(u"abc"_s),
            u"ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"_s);
        QCOMPARE(ArtworkFetcher::offlineFileName(u"\u00e9"_s).size(), 64);
        // Keys name the server but never the signature.
        const QString key = ArtworkStore::key(m_client.coverArtURL(u"al-17"_s, 600), u"al-17"_s, 600);
        QVERIFY(key.endsWith(u" al-17#600"_s));
        QVERIFY(key.startsWith(m_server->baseUrl().toString()));
        QVERIFY(!key.contains(u"t="_s) && !key.contains(u"u="_s));
        QCOMPARE(key, ArtworkStore::key(m_client.coverArtURL(u"al-17"_s, 600), u"al-17"_s, 600));
    }

    void decodeScalesDownOnly()
    {
        const QByteArray bytes = png(400, 200, Qt::red);
        QCOMPARE(ArtworkFetcher::decode(bytes, 100).size(), QSize(100, 50));
        QCOMPARE(ArtworkFetcher::decode(bytes, 1024).size(), QSize(400, 200));
        QVERIFY(ArtworkFetcher::decode("not an image", 100).isNull());
        QVERIFY(ArtworkFetcher::decode(QByteArray(), 100).isNull());
        QVERIFY(ArtworkFetcher::decode(bytes, 0).isNull());
        // A JPEG cut off part way still decodes, grey below the cut: bytes of
        // a transfer that broke off must never reach the decoder.
        const QByteArray photo = jpeg(200, 200);
        QVERIFY(!ArtworkFetcher::decode(photo.left(photo.size() * 6 / 10), 200).isNull());
    }

    void networkThenMemoryThenDisk()
    {
        const QString id = nextId();
        const QByteArray body = png(300, 300, Qt::blue);
        m_server->setResponse("/rest/getCoverArt", image(body));
        const QImage first = fetch(id, 128);
        QCOMPARE(first.size(), QSize(128, 128));
        QCOMPARE(coverRequests(), 1);
        // The bytes are kept exactly as sent.
        QCOMPARE(readAll(cacheFile(id, 128)), body);
        QVERIFY(ArtworkStore::contains(ArtworkStore::key(m_client.coverArtURL(id, 128), id, 128)));

        // Memory hit: no request.
        QCOMPARE(fetch(id, 128), first);
        QCOMPARE(coverRequests(), 1);

        // Disk hit: a file put in the cache is used and marked as just used.
        const QString other = nextId();
        QVERIFY(writeFile(cacheFile(other, 64), png(64, 64, Qt::green)));
        setAge(cacheFile(other, 64), 3600);
        const QImage fromDisk = fetch(other, 64);
        QCOMPARE(fromDisk.pixelColor(5, 5), QColor(Qt::green));
        QCOMPARE(coverRequests(), 1);
        QVERIFY(QFileInfo(cacheFile(other, 64)).lastModified().secsTo(QDateTime::currentDateTime()) < 60);
    }

    void largerBucketStandsIn()
    {
        const QString id = nextId();
        QVERIFY(writeFile(cacheFile(id, 256), png(256, 256, Qt::yellow)));
        setAge(cacheFile(id, 256), 3600);
        const QImage scaled = fetch(id, 100);
        QCOMPARE(scaled.size(), QSize(100, 100));
        QCOMPARE(coverRequests(), 0);
        QVERIFY(!QFileInfo::exists(cacheFile(id, 100)));
        QVERIFY(QFileInfo(cacheFile(id, 256)).lastModified().secsTo(QDateTime::currentDateTime()) < 60);

        // Smaller files never stand in for a larger size, nor does any bucket
        // for a size above them all.
        const QString big = nextId();
        QVERIFY(writeFile(cacheFile(big, 256), png(256, 256, Qt::yellow)));
        QVERIFY(writeFile(cacheFile(big, 1024), png(512, 512, Qt::yellow)));
        QVERIFY(fetch(big, 2000).isNull());
        QCOMPARE(coverRequests(), 1);
        QVERIFY(!fetch(big, 1024).isNull());
        QCOMPARE(coverRequests(), 1);
    }

    void offlineFolder()
    {
        const QString id = nextId();
        const QString file = QDir(m_offline.path()).filePath(ArtworkFetcher::offlineFileName(id));
        QVERIFY(writeFile(file, png(1024, 1024, Qt::cyan)));
        setAge(file, 3600);
        m_fetcher->setOfflineDirectory(m_offline.path());
        QCOMPARE(fetch(id, 256).size(), QSize(256, 256));
        QCOMPARE(coverRequests(), 0);
        QVERIFY(!QFileInfo::exists(cacheFile(id, 256)));
        QVERIFY(QFileInfo(file).lastModified().secsTo(QDateTime::currentDateTime()) > 3000);

        // Without the folder (signed out) the server is asked.
        m_fetcher->setOfflineDirectory(std::nullopt);
        QVERIFY(fetch(id, 512).isNull());
        QCOMPARE(coverRequests(), 1);
    }

    // A FIFO under a cover's file name would block the worker that opens it,
    // waiting for a writer: every file source takes only regular files.
    void fifosAreNotOpened_data()
    {
        QTest::addColumn<QString>("source");
        QTest::newRow("cache file of the size") << u"cache"_s;
        QTest::newRow("cache file of a larger size") << u"larger"_s;
        QTest::newRow("offline file") << u"offline"_s;
    }

    void fifosAreNotOpened()
    {
        QFETCH(QString, source);
        const QString id = nextId();
        const QString path = source == u"cache"_s ? cacheFile(id, 128)
            : source == u"larger"_s               ? cacheFile(id, 256)
                                    : QDir(m_offline.path()).filePath(ArtworkFetcher::offlineFileName(id));
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        m_fetcher->setOfflineDirectory(m_offline.path());
        m_server->setResponse("/rest/getCoverArt", image(png(300, 300, Qt::blue)));
        const QImage fetched = fetch(id, 128);
        QCOMPARE(fetched.size(), QSize(128, 128));
        QCOMPARE(coverRequests(), 1);
        QFile::remove(path);
    }

    void failuresCacheNothing_data()
    {
        QTest::addColumn<TestHttpServer::Response>("response");
        TestHttpServer::Response notFound = image(png(10, 10, Qt::red));
        notFound.status = 404;
        QTest::newRow("404 with an image body") << notFound;
        QTest::newRow("not an image") << image("<html>oops</html>");
        QTest::newRow("dropped") << TestHttpServer::dropped();
        TestHttpServer::Response cut = image(jpeg(200, 200));
        cut.sendOnly = cut.body.size() * 6 / 10;
        QTest::newRow("cut off") << cut;
    }

    void failuresCacheNothing()
    {
        QFETCH(TestHttpServer::Response, response);
        m_server->setResponse("/rest/getCoverArt", response);
        const QString id = nextId();
        QVERIFY(fetch(id, 64).isNull());
        QVERIFY(!QFileInfo::exists(cacheFile(id, 64)));
        const int asked = coverRequests();
        QVERIFY(asked >= 1);
        QVERIFY(fetch(id, 64).isNull());
        QVERIFY(coverRequests() > asked);
    }

    void concurrentRequestsShareOneLoad()
    {
        const QString id = nextId();
        m_server->setResponse("/rest/getCoverArt", image(png(200, 200, Qt::magenta), 150));
        auto a = m_fetcher->image(id, 64, m_client.coverArtURL(id, 64));
        auto b = m_fetcher->image(id, 64, m_client.coverArtURL(id, 64));
        QVERIFY(m_fetcher->isLoading(ArtworkStore::key(m_client.coverArtURL(id, 64), id, 64)));
        const QImage first = QCoro::waitFor(std::move(a));
        const QImage second = QCoro::waitFor(std::move(b));
        QCOMPARE(coverRequests(), 1);
        QVERIFY(!first.isNull());
        QCOMPARE(first, second);
        QVERIFY(!m_fetcher->isLoading(ArtworkStore::key(m_client.coverArtURL(id, 64), id, 64)));
    }

    // A fetcher destroyed while its loads run cancels them: every waiter gets
    // a null image at once, and a load still reading files never asks the
    // server. Nothing of the fetcher is touched once it has gone.
    void destroyedWhileLoading_data()
    {
        QTest::addColumn<bool>("atServer"); // destroyed once the request reached the server
        QTest::addColumn<int>("waiters");
        QTest::newRow("reading files") << false << 1;
        QTest::newRow("reading files, shared") << false << 2;
        QTest::newRow("at the server") << true << 1;
        QTest::newRow("at the server, shared") << true << 2;
    }
    void destroyedWhileLoading()
    {
        QFETCH(bool, atServer);
        QFETCH(int, waiters);
        constexpr int ServerDelayMs = 10000;
        m_server->setResponse("/rest/getCoverArt", image(png(64, 64, Qt::red), ServerDelayMs));
        QTemporaryDir cache;
        // Before the files are read the load must not have gone on: every
        // worker of the pool that reads them is held until the fetcher is
        // gone, or a fast read could reach the server first.
        const int heldWorkers = atServer ? 0 : QThreadPool::globalInstance()->maxThreadCount();
        const auto held = std::make_shared<QSemaphore>();
        for (int n = 0; n < heldWorkers; ++n)
            QThreadPool::globalInstance()->start([held] { held->acquire(); });
        auto *fetcher = new ArtworkFetcher(cache.path(), UrlSession::shared());
        const QString id = nextId();
        std::vector<QCoro::Task<QImage>> loads;
        for (int n = 0; n < waiters; ++n)
            loads.push_back(fetcher->image(id, 64, m_client.coverArtURL(id, 64)));
        if (atServer)
            QTRY_COMPARE(coverRequests(), 1);
        QElapsedTimer clock;
        clock.start();
        delete fetcher;
        held->release(heldWorkers);
        for (auto &load : loads)
            QVERIFY(QCoro::waitFor(std::move(load)).isNull());
        QVERIFY(clock.elapsed() < ServerDelayMs / 2);
        QCOMPARE(coverRequests(), atServer ? 1 : 0);
        QVERIFY(!ArtworkStore::contains(ArtworkStore::key(m_client.coverArtURL(id, 64), id, 64)));
    }

    void serversNeverShareCovers()
    {
        TestHttpServer otherServer;
        QVERIFY(otherServer.listen());
        const SubsonicClient other(
            ServerConfig {otherServer.baseUrl(), u"u"_s, u"p"_s}, UrlSession::shared());
        m_server->setResponse("/rest/getCoverArt", image(png(64, 64, Qt::red)));
        otherServer.setResponse("/rest/getCoverArt", image(png(64, 64, Qt::blue)));
        const QString id = nextId();
        const QImage mine = fetch(id, 64);
        const QImage theirs = QCoro::waitFor(m_fetcher->image(id, 64, other.coverArtURL(id, 64)));
        QCOMPARE(mine.pixelColor(1, 1), QColor(Qt::red));
        QCOMPARE(theirs.pixelColor(1, 1), QColor(Qt::blue));
    }

    void sharedUsesTheCacheFolder()
    {
        ArtworkFetcher *shared = ArtworkFetcher::shared();
        QCOMPARE(shared, ArtworkFetcher::shared());
        QCOMPARE(shared->directory(),
            QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + u"/Lirna/Artwork"_s);
        QVERIFY(shared->directory().startsWith(m_home.path()));
        QVERIFY(QFileInfo(shared->directory()).isDir());
    }

    void trimsWhenCreated()
    {
        QTemporaryDir dir;
        const QString old = dir.filePath(u"old"_s);
        const QString recent = dir.filePath(u"recent"_s);
        QVERIFY(writeFile(old, QByteArray(600, 'x')));
        QVERIFY(writeFile(recent, QByteArray(600, 'x')));
        setAge(old, 7200);
        ArtworkFetcher fetcher(dir.path(), UrlSession::shared(), nullptr, 1000);
        QVERIFY(QTest::qWaitFor([&] { return !QFileInfo::exists(old); }, LIRNA_TRY_TIMEOUT_MS));
        QVERIFY(QFileInfo::exists(recent));
    }

    void trimOldestFirst_data()
    {
        QTest::addColumn<QList<int>>("sizes"); // oldest first
        QTest::addColumn<qint64>("limit");
        QTest::addColumn<int>("removed"); // how many of the oldest go
        QTest::newRow("over the limit") << QList<int> {300, 200, 100, 50} << qint64(200) << 2;
        QTest::newRow("exactly the limit") << QList<int> {300, 100} << qint64(400) << 0;
        QTest::newRow("one byte over") << QList<int> {1, 300, 100} << qint64(400) << 1;
        QTest::newRow("everything") << QList<int> {300, 300} << qint64(0) << 2;
    }

    void trimOldestFirst()
    {
        QFETCH(QList<int>, sizes);
        QFETCH(qint64, limit);
        QFETCH(int, removed);
        QTemporaryDir dir;
        QStringList files;
        // Names in the opposite order of age, so the listing order cannot pass for age.
        for (int i = 0; i < sizes.size(); ++i) {
            const QString path = dir.filePath(QString::number(sizes.size() - i));
            QVERIFY(writeFile(path, QByteArray(sizes[i], 'x')));
            setAge(path, 1000 * (sizes.size() - i));
            files.append(path);
        }
        ArtworkFetcher::trimDiskCache(dir.path(), limit);
        for (int i = 0; i < files.size(); ++i)
            QCOMPARE(QFileInfo::exists(files[i]), i >= removed);
    }
};

QTEST_MAIN(TestArtworkFetcher)
#include "tst_ArtworkFetcher.moc"
