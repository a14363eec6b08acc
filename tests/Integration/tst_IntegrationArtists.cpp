// LIRNA_TEST_NEEDS_QML
#include <QGuiApplication>
#include <QPalette>
#include <QQuickItem>
#include <QSettings>
#include <QtQml/qqmlextensionplugin.h>
#include <QtTest>

#include "Artists/ArtistsViewModel.h"
#include "Components/ArtworkClient.h"
#include "Helpers/UI/PageHarness.h"
#include "Helpers/UI/QmlWarningGuard.h"
#include "Helpers/UI/UiTest.h"
#include "IntegrationServer.h"
#include "Library/LibraryStore.h"
#include "MainViewModel.h"
#include "NavigationModel.h"
#include "Networking/SubsonicClient.h"
#include "Networking/UrlSession.h"
#include "PageContext.h"
#include "Playback/PlayerController.h"

Q_IMPORT_QML_PLUGIN(Lirna_UIPlugin)

using namespace Qt::StringLiterals;

namespace {

// The fixture's albums that name Aster Vale (its own and the sampler), newest first.
const QStringList AsterAlbums {u"Harbour Lights Sampler"_s, u"Tidal Works"_s, u"First Light"_s};
const QStringList CobaltAlbums {u"Harbour Lights Sampler"_s, u"Night Psalms"_s};

QStringList albumNames(ArtistPaneViewModel *pane)
{
    QStringList names;
    for (const Album &album : pane->albums()->records())
        names.append(album.name);
    return names;
}

} // namespace

// The artists browser in the main window on supysonic's library: the list of
// the server's artists, an artist's albums newest first, playing the whole
// discography, and the selection kept for the next launch.
class TestIntegrationArtists : public QObject
{
    Q_OBJECT

    std::optional<IntegrationServer> m_server;
    QmlWarningGuard m_warnings;
    QNetworkAccessManager m_manager;
    std::unique_ptr<UrlSession> m_session;
    ArtworkClient *m_artwork = nullptr;

    // The main window showing the artists browser; the page once shown.
    static QQuickItem *openArtists(PageHarness &harness)
    {
        if (!harness.loadMainView())
            return nullptr;
        harness.main()->navigation()->setSelection(SidebarSelection::item(SidebarItem::Artists));
        return harness.waitForPage(u"ArtistsView"_s);
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_warnings.install();
        LIRNA_LOAD_INTEGRATION_SERVER(m_server);
        QSettings().remove(ArtistsViewModel::SelectionKey);
        // The covers, as the application loads them for its account.
        m_session = std::make_unique<UrlSession>(&m_manager, 10000);
        m_artwork = new ArtworkClient(nullptr, this);
        m_artwork->setClient(SubsonicClient(m_server->config(), m_session.get()));
        ArtworkClient::setCurrent(m_artwork);
    }

    void cleanupTestCase() { ArtworkClient::setCurrent(nullptr); }

    void cleanup() { LIRNA_VERIFY_NO_QML_WARNINGS(m_warnings); }

    void browseAndPlayAnArtist()
    {
        QNetworkAccessManager manager;
        UrlSession session(&manager, 10000);
        const SubsonicClient client(m_server->config(), &session);
        QStringList serverArtists;
        for (const ArtistIndex &index : TestAwait::await(client.artists()))
            for (const Artist &artist : index.artist)
                serverArtists.append(artist.name);
        QVERIFY(serverArtists.contains(u"Aster Vale"_s));

        QString asterId;
        QString storedId;
        {
            PageHarness harness;
            QVERIFY(harness.start(QSize(1100, 720), m_server->config()));
            QQuickItem *page = openArtists(harness);
            QVERIFY(page);
            auto *vm = page->property("viewModel").value<ArtistsViewModel *>();
            QTRY_COMPARE(vm->artists()->count(), serverArtists.size());
            for (int row = 0; row < serverArtists.size(); ++row)
                QCOMPARE(vm->artists()->recordAt(row)->name, serverArtists.at(row));
            // Nothing stored: the first artist is selected.
            QTRY_COMPARE(vm->selectedRow(), 0);

            // A click on Aster Vale shows its albums, newest first.
            const int row = int(serverArtists.indexOf(u"Aster Vale"_s));
            asterId = vm->artists()->recordAt(row)->id;
            QQuickItem *list = UiTest::findItem(page, u"artistList"_s);
            QQuickItem *rowDelegate = UiTest::itemAtIndex(list, row);
            QVERIFY(rowDelegate);
            LIRNA_CLICK(rowDelegate);
            QCOMPARE(vm->selectedRow(), row);
            QTRY_COMPARE(vm->pane()->artistId(), asterId);
            QTRY_VERIFY(vm->pane()->albums()->count() > 0);
            QCOMPARE(albumNames(vm->pane()), AsterAlbums);
            QTRY_VERIFY(UiTest::findVisibleItem(harness.window(), u"albumCover"_s));

            // Play queues every song, album after album, in the albums' order.
            QList<Song> expected;
            for (int n = 0; n < vm->pane()->albums()->count(); ++n)
                expected
                    += TestAwait::await(client.album(vm->pane()->albums()->recordAt(n)->id)).song.value();
            QQuickItem *play = UiTest::findItem(page, u"artistPlayButton"_s);
            QTRY_VERIFY(play->isEnabled());
            LIRNA_CLICK(play);
            PlayerController *player = harness.player();
            QTRY_COMPARE(player->queue().size(), expected.size());
            for (int n = 0; n < expected.size(); ++n)
                QCOMPARE(player->queue().at(n).id, expected.at(n).id);
            QVERIFY(!player->source());
            QTRY_VERIFY(play->isEnabled());

            // A row's "Shuffle" plays that artist's songs shuffled; the
            // selection stays where it was.
            const int brass = int(serverArtists.indexOf(u"Brass Meridian"_s));
            QVERIFY(brass >= 0 && brass != row);
            LIRNA_RIGHT_CLICK(UiTest::itemAtIndex(list, brass));
            QQuickItem *shuffle = nullptr;
            QTRY_VERIFY((shuffle = UiTest::findVisibleItem(harness.window(), u"artistShuffleItem"_s)));
            LIRNA_CLICK(shuffle);
            QSet<QString> brassSongs;
            const ArtistDetail brassDetail
                = TestAwait::await(client.artist(vm->artists()->recordAt(brass)->id));
            for (const Album &album : brassDetail.album.value_or(QList<Album>()))
                for (const Song &song : TestAwait::await(client.album(album.id)).song.value_or(QList<Song>()))
                    brassSongs.insert(song.id);
            QVERIFY(!brassSongs.isEmpty());
            const auto queuedIds = [player] {
                QSet<QString> ids;
                for (const Song &song : player->queue())
                    ids.insert(song.id);
                return ids;
            };
            QTRY_COMPARE(queuedIds(), brassSongs);
            QVERIFY(player->isShuffling());
            QCOMPARE(vm->selectedRow(), row);
            player->stop();

            // Another artist is chosen: it is the one the next launch shows.
            const int cobalt = int(serverArtists.indexOf(u"Cobalt Choir"_s));
            QVERIFY(cobalt > 0);
            storedId = vm->artists()->recordAt(cobalt)->id;
            LIRNA_CLICK(UiTest::itemAtIndex(list, cobalt));
            QTRY_COMPARE(vm->pane()->artistId(), storedId);
            QTRY_VERIFY(vm->pane()->albums()->count() > 0);
            QCOMPARE(albumNames(vm->pane()), CobaltAlbums);
            LIRNA_CLICK(rowDelegate);
            QTRY_COMPARE(albumNames(vm->pane()), AsterAlbums);

            QTest::qWait(300); // the covers
            UiTest::saveScreenshot(harness.window(), u"artists-light.png"_s);
            const QPalette light = QGuiApplication::palette();
            QGuiApplication::setPalette(UiTest::darkPalette());
            QTest::qWait(150);
            UiTest::saveScreenshot(harness.window(), u"artists-dark.png"_s);
            QGuiApplication::setPalette(light);
            LIRNA_CLICK(UiTest::itemAtIndex(list, cobalt));
        }

        // The next launch: the same preferences, a new window and page.
        PageHarness harness;
        QVERIFY(harness.start(QSize(1100, 720), m_server->config()));
        QQuickItem *page = openArtists(harness);
        QVERIFY(page);
        auto *vm = page->property("viewModel").value<ArtistsViewModel *>();
        QTRY_COMPARE(vm->selectedId(), storedId);
        QTRY_COMPARE(vm->pane()->artistId(), storedId);
        QTRY_COMPARE(albumNames(vm->pane()), CobaltAlbums);

        // The same artist opened as a page of its own.
        Artist aster;
        aster.id = asterId;
        aster.name = u"Aster Vale"_s;
        harness.main()->navigation()->push(aster);
        QQuickItem *stack = UiTest::findItem(harness.window(), u"detailStack"_s);
        QTRY_COMPARE(
            stack->property("currentItem").value<QQuickItem *>()->objectName(), u"ArtistDetailView"_s);
        QTRY_VERIFY(!stack->property("busy").toBool());
        auto *pushed = stack->property("currentItem")
                           .value<QQuickItem *>()
                           ->property("viewModel")
                           .value<ArtistPaneViewModel *>();
        QVERIFY(pushed);
        QTRY_COMPARE(albumNames(pushed), AsterAlbums);
        QTest::qWait(300); // the covers
        UiTest::saveScreenshot(harness.window(), u"artist-page-light.png"_s);
        QSettings().remove(ArtistsViewModel::SelectionKey);
    }
};

QTEST_MAIN(TestIntegrationArtists)
#include "tst_IntegrationArtists.moc"
