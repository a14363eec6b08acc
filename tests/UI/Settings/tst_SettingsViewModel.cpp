#include <QAbstractItemModelTester>
#include <QDir>
#include <QFile>
#include <QNetworkAccessManager>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include "App/AppState.h"
#include "Artists/ArtistPaneViewModel.h"
#include "Artists/ArtistsViewModel.h"
#include "Downloads/DownloadStore.h"
#include "Helpers/FakeQueuePlayer.h"
#include "Helpers/RequestLog.h"
#include "Helpers/TestHttpServer.h"
#include "Home/AlbumCarouselRowModel.h"
#include "Home/FeaturedCarouselViewModel.h"
#include "MainViewModel.h"
#include "Networking/UrlSession.h"
#include "PageContext.h"
#include "Playback/PlayerController.h"
#include "Playback/SessionFile.h"
#include "RootViewModel.h"
#include "SavedLocation.h"
#include "Settings/SettingsViewModel.h"
#include "Support/ByteCountText.h"
#include "Updates/UpdaterModel.h"

using namespace Qt::StringLiterals;

// The settings window's model over a real session, engine and download store
// whose manifest is written as an earlier run would have left it.
class tst_SettingsViewModel : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    RequestLog m_manager;
    std::unique_ptr<UrlSession> m_session;
    SubsonicClient m_client;
    std::unique_ptr<AppState> m_appState;
    std::unique_ptr<PlayerController> m_player;
    std::unique_ptr<UpdaterModel> m_updater;
    std::unique_ptr<SettingsViewModel> m_settings;

    static Song song(const QString &id)
    {
        Song s;
        s.id = id;
        s.title = id;
        s.duration = 100;
        return s;
    }

    void writeManifest(const QList<std::pair<QString, qint64>> &songs, const QStringList &collections)
    {
        // Each song is owned by the collections named after the colon of its id
        // ("s1:a,b" is owned by album:a and album:b).
        DownloadManifest manifest;
        for (const auto &[spec, bytes] : songs) {
            const QStringList parts = spec.split(u':');
            QSet<QString> owners;
            for (const QString &owner : parts.at(1).split(u','))
                owners.insert(u"album:"_s + owner);
            manifest.songs.insert(parts.at(0), DownloadedSong {song(parts.at(0)), u"mp3"_s, bytes, owners});
        }
        for (const QString &name : collections)
            manifest.collections.insert(
                u"album:"_s + name, DownloadCollection {u"album:"_s + name, name.toUpper(), u"Artist"_s});
        QVERIFY(QDir().mkpath(DownloadStore::directory(m_client.config())));
        QFile file(QDir(DownloadStore::directory(m_client.config())).filePath(u"manifest.json"_s));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(manifest.toJson());
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        qputenv("HOME", m_home.path().toUtf8());
        QStandardPaths::setTestModeEnabled(true);
        m_session = std::make_unique<UrlSession>(&m_manager);
        m_client = SubsonicClient(
            ServerConfig {QUrl(u"http://127.0.0.1:9"_s), u"ann"_s, u"pw"_s}, m_session.get());
    }

    void init()
    {
        QSettings().clear();
        QDir(DownloadStore::directory(m_client.config())).removeRecursively();
        m_appState = std::make_unique<AppState>();
        m_player = std::make_unique<PlayerController>(new FakeQueuePlayer);
        m_updater = std::make_unique<UpdaterModel>(QUrl(), u"1.0"_s, m_session.get());
        m_settings = std::make_unique<SettingsViewModel>(m_appState.get(), m_player.get(), m_updater.get());
    }

    void cleanup()
    {
        m_settings.reset();
        m_updater.reset();
        m_player.reset();
        m_appState.reset();
    }

    void signedOutShowsNoAccount()
    {
        QVERIFY(!m_settings->signedIn());
        QVERIFY(!m_settings->downloads());
        m_appState->setClient(m_client);
        QVERIFY(m_settings->signedIn());
        QCOMPARE(m_settings->server(), u"http://127.0.0.1:9"_s);
        QCOMPARE(m_settings->user(), u"ann"_s);
        QVERIFY(m_settings->downloads());
    }

    void playReportsAreOnUntilTurnedOff()
    {
        QVERIFY(m_settings->scrobbleEnabled());
        m_settings->setScrobbleEnabled(false);
        QCOMPARE(QSettings().value(u"scrobbleEnabled"_s).toBool(), false);
        QVERIFY(!SettingsViewModel(m_appState.get(), m_player.get(), m_updater.get()).scrobbleEnabled());
    }

    // Playback stops first; the saved session and the saved place are gone
    // before the account is signed out; the downloads stay.
    void logOutOrder()
    {
        writeManifest({{u"s1:a"_s, 5000}}, {u"a"_s});
        m_appState->setClient(m_client);
        m_player->play({song(u"s1"_s), song(u"s2"_s)}, m_client, 0, std::nullopt);
        m_player->saveSession();
        QVERIFY(SessionFile::read());
        SavedLocation::save(SidebarSelection::item(SidebarItem::Songs), {}, m_client.config());
        QVERIFY(SavedLocation::restorable(m_client.config()));

        QStringList steps;
        connect(m_player.get(), &PlayerController::queueChanged, this, [&] {
            const QString step = m_appState->client() ? u"stop"_s : u"stop after sign-out"_s;
            if (!steps.contains(step))
                steps << step;
        });
        connect(m_appState.get(), &AppState::clientChanged, this, [&] {
            steps << u"sign-out"_s;
            if (SessionFile::read())
                steps << u"session still saved"_s;
            if (SavedLocation::restorable(m_client.config()))
                steps << u"place still saved"_s;
        });
        m_settings->logOut();
        QCOMPARE(steps, QStringList({u"stop"_s, u"sign-out"_s}));
        QVERIFY(m_player->queue().isEmpty());
        QVERIFY(!m_settings->signedIn());
        QVERIFY(!m_settings->downloads());
        QVERIFY(
            QFile::exists(QDir(DownloadStore::directory(m_client.config())).filePath(u"manifest.json"_s)));
    }

    void logOutWhileAPlayLoads_data()
    {
        QTest::addColumn<QString>("path");
        // The request still on its way when the account goes.
        QTest::addColumn<QString>("pending");
        QTest::newRow("album cell") << u"album cell"_s << u"/rest/getAlbum"_s;
        QTest::newRow("album cell, play next") << u"play next"_s << u"/rest/getAlbum"_s;
        QTest::newRow("Home carousel") << u"carousel"_s << u"/rest/getAlbum"_s;
        QTest::newRow("artist pane") << u"artist pane"_s << u"/rest/getAlbum"_s;
        QTest::newRow("artists list") << u"artists list"_s << u"/rest/getAlbum"_s;
        QTest::newRow("artists list, the artist loading") << u"artists list"_s << u"/rest/getArtist"_s;
    }

    // Play pressed, then Log Out before the server answers: nothing of the
    // signed-out account plays, is reported to its server or saved.
    void logOutWhileAPlayLoads()
    {
        QFETCH(QString, path);
        QFETCH(QString, pending);
        TestHttpServer server;
        const QByteArray album = R"({"id":"al","name":"Blue","artist":"Ar","artistId":"ar")";
        server.setHandler([&](const TestHttpServer::Request &request) {
            TestHttpServer::Response answer = TestHttpServer::ok();
            if (request.path() == "/rest/getAlbum")
                answer = TestHttpServer::ok(
                    R"("album":)" + album + R"(,"song":[{"id":"s1","title":"One","duration":100}]})");
            else if (request.path() == "/rest/getArtist")
                answer = TestHttpServer::ok(R"("artist":{"id":"ar","name":"Ar","album":[)" + album + "}]}");
            else if (request.path() == "/rest/getArtists")
                answer = TestHttpServer::ok(
                    R"("artists":{"index":[{"name":"A","artist":[{"id":"ar","name":"Ar"}]}]})");
            else if (request.path() == "/rest/getAlbumList2")
                answer = TestHttpServer::ok(R"("albumList2":{"album":[)" + album + "}]}");
            // Only giving it up ends it.
            answer.hang = request.path() == pending.toUtf8();
            return answer;
        });
        QVERIFY(server.listen());
        const SubsonicClient client(ServerConfig {server.baseUrl(), u"ann"_s, u"pw"_s}, m_session.get());
        m_appState->setClient(client);
        RootViewModel root(m_appState.get(), m_player.get());
        QVERIFY(root.mainView());
        PageContext context(
            root.mainView(), PageRoute::forSelection(SidebarSelection::item(SidebarItem::Home)), 0);

        AlbumCarouselRowModel cells(&context, AlbumListType::Newest, u"Recently Added"_s);
        FeaturedCarouselViewModel carousel(&context);
        ArtistPaneViewModel pane(&context, Artist {u"ar"_s, u"Ar"_s, std::nullopt, std::nullopt}, false);
        ArtistsViewModel artists(&context);
        if (path == u"album cell"_s || path == u"play next"_s) {
            cells.albums()->setRecords({Album {u"al"_s, u"Blue"_s}});
            if (path == u"play next"_s)
                cells.playNext(0, false);
            else
                cells.play(0, false);
        } else if (path == u"carousel"_s) {
            carousel.activate();
            QTRY_COMPARE(carousel.count(), 1);
            carousel.play(0, true);
        } else if (path == u"artist pane"_s) {
            pane.activate();
            QTRY_VERIFY(pane.playEnabled());
            pane.playDiscography(false);
        } else {
            artists.appear();
            QTRY_COMPARE(artists.artists()->rowCount(), 1);
            artists.play(0, false);
        }
        QTRY_COMPARE(server.requestCount({pending.toUtf8()}), 1);

        // The answer is still on its way when the account goes: its request
        // is given up.
        QStringList abandoned;
        QObject watch; // the connection ends with this row
        connect(&m_manager, &QNetworkAccessManager::finished, &watch, [&](QNetworkReply *reply) {
            if (reply->error() == QNetworkReply::OperationCanceledError)
                abandoned.append(reply->url().path());
        });
        m_manager.paths.clear();
        m_settings->logOut();
        QTRY_VERIFY(abandoned.contains(pending));
        QVERIFY(m_player->queue().isEmpty());
        QVERIFY(!m_player->isPlaying());
        QVERIFY(!m_manager.paths.contains(u"/rest/scrobble"_s));
        // The save at quit finds nothing to keep.
        m_player->saveSession();
        QVERIFY(!SessionFile::read());
    }

    void emptyDownloads()
    {
        m_appState->setClient(m_client);
        DownloadsStorageModel *storage = m_settings->downloads();
        QVERIFY(storage);
        QCOMPARE(storage->count(), 0);
        QCOMPARE(storage->storageUsed(), u"None"_s);
    }

    // A song of two collections counts once in the total and in full in each
    // row; the rows come largest first.
    void sharedSongCountsOnce()
    {
        writeManifest(
            {{u"s1:a,b"_s, 4'000'000}, {u"s2:b"_s, 2'500'000}, {u"s3:c"_s, 700}}, {u"a"_s, u"b"_s, u"c"_s});
        m_appState->setClient(m_client);
        DownloadsStorageModel *storage = m_settings->downloads();
        QAbstractItemModelTester tester(storage, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(storage->storageUsed(), u"6.5 MB"_s);
        QStringList rows;
        for (int row = 0; row < storage->count(); ++row) {
            const QModelIndex index = storage->index(row);
            rows << index.data(DownloadsStorageModel::NameRole).toString() + u' '
                    + index.data(DownloadsStorageModel::SizeRole).toString();
        }
        QCOMPARE(rows, QStringList({u"B 6.5 MB"_s, u"A 4 MB"_s, u"C 700 bytes"_s}));
        QCOMPARE(storage->removeAllMessage(), u"Frees 6.5 MB. Your music stays on the server."_s);

        // Removing one row keeps the shared song for the other.
        storage->remove(0);
        QTRY_COMPARE(storage->count(), 2);
        QCOMPARE(storage->storageUsed(), u"4 MB"_s);
    }

    void cancellingRemoveAllRemovesNothing()
    {
        writeManifest({{u"s1:a"_s, 2000}}, {u"a"_s});
        m_appState->setClient(m_client);
        DownloadsStorageModel *storage = m_settings->downloads();
        storage->requestRemoveAll();
        QVERIFY(storage->showRemoveAll());
        storage->cancelRemoveAll();
        QVERIFY(!storage->showRemoveAll());
        QCOMPARE(storage->count(), 1);
        QCOMPARE(m_appState->downloads()->totalBytes(), 2000);

        storage->requestRemoveAll();
        storage->confirmRemoveAll();
        QVERIFY(!storage->showRemoveAll());
        QCOMPARE(storage->count(), 0);
        QCOMPARE(storage->storageUsed(), u"None"_s);
    }

    void byteCounts_data()
    {
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("nothing") << qint64(0) << u"Zero KB"_s;
        QTest::newRow("bytes") << qint64(999) << u"999 bytes"_s;
        QTest::newRow("decimal kilobytes") << qint64(1000) << u"1 KB"_s;
        QTest::newRow("rounds into megabytes") << qint64(999'600) << u"1 MB"_s;
        QTest::newRow("megabytes") << qint64(48'350'000) << u"48.4 MB"_s;
        QTest::newRow("gigabytes") << qint64(1'250'000'000) << u"1.25 GB"_s;
    }

    void byteCounts()
    {
        QFETCH(qint64, bytes);
        QFETCH(QString, text);
        QCOMPARE(ByteCountText::file(bytes), text);
    }
};

QTEST_GUILESS_MAIN(tst_SettingsViewModel)
#include "tst_SettingsViewModel.moc"
