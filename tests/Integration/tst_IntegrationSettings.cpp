#include <QDir>
#include <QFile>
#include <QNetworkAccessManager>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "App/AppState.h"
#include "Downloads/DownloadStore.h"
#include "Helpers/FakeQueuePlayer.h"
#include "IntegrationServer.h"
#include "Playback/PlayerController.h"
#include "Settings/SettingsViewModel.h"
#include "Support/ByteCountText.h"
#include "Updates/UpdaterModel.h"

// LIRNA_TEST_NEEDS_QML: the settings window's model lives in the interface library.

using namespace Qt::StringLiterals;

// The settings window's model over a signed-in session.
struct SignedInSettings {
    SignedInSettings(const SubsonicClient &client, UrlSession *session)
        : updater(QUrl(), u"1.0"_s, session)
        , settings(&appState, &player, &updater)
    {
        appState.setClient(client);
    }

    AppState appState;
    PlayerController player {new FakeQueuePlayer};
    UpdaterModel updater;
    SettingsViewModel settings;
};

// The settings window's downloads section against supysonic: a real album,
// downloaded, is listed with its size and removed from there.
class TestIntegrationSettings : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    std::optional<IntegrationServer> m_server;
    QNetworkAccessManager *m_manager = nullptr;
    UrlSession *m_session = nullptr;

private Q_SLOTS:
    void initTestCase()
    {
        LIRNA_LOAD_INTEGRATION_SERVER(m_server);
        QVERIFY(m_home.isValid());
        qputenv("HOME", m_home.path().toUtf8());
        QStandardPaths::setTestModeEnabled(true);
        m_manager = new QNetworkAccessManager(this);
        m_session = new UrlSession(m_manager, 15'000);
    }

    void downloadedAlbumIsListedAndRemoved()
    {
        const SubsonicClient client(m_server->config(0), m_session);
        SignedInSettings signedIn(client, m_session);
        DownloadStore *store = signedIn.appState.downloads();
        DownloadsStorageModel *storage = signedIn.settings.downloads();
        QVERIFY(store && storage);
        QCOMPARE(storage->storageUsed(), u"None"_s);

        Album album;
        const QList<Album> all = TestAwait::await(client.albums(AlbumListType::AlphabeticalByName, 50, 0));
        for (const Album &listed : all)
            if (listed.name == u"Tidal Works"_s)
                album = listed;
        QVERIFY(!album.id.isEmpty());
        store->downloadAlbum(album);
        QVERIFY(QTest::qWaitFor([store] { return !store->isBusy(); }, 30'000));

        QCOMPARE(storage->count(), 1);
        const QModelIndex row = storage->index(0);
        QCOMPARE(row.data(DownloadsStorageModel::NameRole).toString(), u"Tidal Works"_s);
        QCOMPARE(row.data(DownloadsStorageModel::SubtitleRole).toString(), u"Aster Vale"_s);
        QVERIFY(store->totalBytes() > 0);
        QCOMPARE(
            row.data(DownloadsStorageModel::SizeRole).toString(), ByteCountText::file(store->totalBytes()));
        QCOMPARE(storage->storageUsed(), ByteCountText::file(store->totalBytes()));

        storage->remove(0);
        QTRY_COMPARE(storage->count(), 0);
        QCOMPARE(storage->storageUsed(), u"None"_s);
        QVERIFY(store->manifest().songs.isEmpty());
        store->cancelAll();
    }

    // An empty playlist, downloaded, is a row of 0 bytes: the total shown
    // changes from "None" although the byte count does not.
    void emptyPlaylistIsStorageOfZeroBytes()
    {
        const SubsonicClient client(m_server->config(0), m_session);
        const QString id = createPlaylistNamed(client, u"Settings empty list"_s);
        QVERIFY(!id.isEmpty());
        const auto cleanup = qScopeGuard([&client, id] { TestAwait::await(client.deletePlaylist(id)); });
        SignedInSettings signedIn(client, m_session);
        DownloadStore *store = signedIn.appState.downloads();
        DownloadsStorageModel *storage = signedIn.settings.downloads();
        QCOMPARE(storage->storageUsed(), u"None"_s);
        // What a binding to the total would show after each notification.
        QStringList shown;
        connect(storage, &DownloadsStorageModel::totalChanged, this,
            [&shown, storage] { shown << storage->storageUsed(); });

        store->downloadPlaylist(id, u"Settings empty list"_s);
        QTRY_COMPARE_WITH_TIMEOUT(storage->count(), 1, 30'000);
        QVERIFY(!shown.isEmpty());
        QCOMPARE(shown.last(), ByteCountText::file(0));
        QVERIFY(QTest::qWaitFor([store] { return !store->isBusy(); }, 30'000));
        store->removeAll();
    }
};

QTEST_GUILESS_MAIN(TestIntegrationSettings)
#include "tst_IntegrationSettings.moc"
