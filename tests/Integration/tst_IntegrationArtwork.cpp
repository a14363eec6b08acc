#include <QDir>
#include <QNetworkAccessManager>
#include <QTemporaryDir>
#include <QTest>

#include "Downloads/ArtworkFetcher.h"
#include "IntegrationServer.h"
#include "Networking/SubsonicClient.h"

using namespace Qt::StringLiterals;

// The artwork fetcher on supysonic's "getCoverArt", which reports a missing
// cover as a Subsonic error inside an HTTP 200 answer.
class TestIntegrationArtwork : public QObject
{
    Q_OBJECT

    std::optional<IntegrationServer> m_server;
    QNetworkAccessManager *m_manager = nullptr;
    UrlSession *m_session = nullptr;
    SubsonicClient m_client;
    QString m_coverId;

private Q_SLOTS:
    void initTestCase()
    {
        LIRNA_LOAD_INTEGRATION_SERVER(m_server);
        m_manager = new QNetworkAccessManager(this);
        m_session = new UrlSession(m_manager, 15'000);
        m_client = SubsonicClient(m_server->config(0), m_session);
        const QList<Album> albums
            = TestAwait::await(m_client.albums(AlbumListType::AlphabeticalByName, 1, 0));
        QVERIFY(!albums.isEmpty() && albums.first().coverArt);
        m_coverId = *albums.first().coverArt;
    }

    void coverIsFetchedAndKept()
    {
        QTemporaryDir cache;
        ArtworkFetcher fetcher(cache.path(), m_session);
        const QImage image
            = TestAwait::await(fetcher.image(m_coverId, 64, m_client.coverArtURL(m_coverId, 64)));
        QCOMPARE(image.size(), QSize(64, 64));

        // The disk cache keeps the bytes as the server sent them.
        const QStringList files = QDir(cache.path()).entryList(QDir::Files);
        QCOMPARE(files.size(), 1);
        QFile kept(QDir(cache.path()).filePath(files.first()));
        QVERIFY(kept.open(QIODevice::ReadOnly));
        const HttpResponse again = TestAwait::await(m_session->data(m_client.coverArtURL(m_coverId, 64)));
        QCOMPARE(kept.readAll(), again.body);
    }

    void missingCoverIsNoImageAndNothingKept()
    {
        QTemporaryDir cache;
        ArtworkFetcher fetcher(cache.path(), m_session);
        const QImage image
            = TestAwait::await(fetcher.image(u"999999"_s, 64, m_client.coverArtURL(u"999999"_s, 64)));
        QVERIFY(image.isNull());
        QVERIFY(QDir(cache.path()).entryList(QDir::Files).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestIntegrationArtwork)
#include "tst_IntegrationArtwork.moc"
