#include <QSignalSpy>
#include <QTest>

#include "Helpers/FakeAudioOutputSource.h"
#include "Helpers/TestHttpServer.h"
#include "Library/LibraryStore.h"
#include "NowPlaying/NowPlayingBarViewModel.h"
#include "NowPlayingFixture.h"
#include "Symbols.h"

using namespace NowPlayingFixture;
using Link = NowPlayingBarViewModel::Link;

// What the now-playing bar shows of the current song, where its links lead,
// and its transport and like buttons.
class tst_NowPlayingBarViewModel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void songLine_data();
    void songLine();
    void albumAndArtistRecordsComeFromTheSong();
    void nothingLoaded();
    void repeatCycles();
    void transportDrivesTheEngine();
    void likeGoesThroughTheStore();

private:
    std::unique_ptr<Engine> m_engine;
    std::unique_ptr<NowPlayingBarViewModel> m_bar;
};

void tst_NowPlayingBarViewModel::init()
{
    m_engine = std::make_unique<Engine>();
    m_bar = std::make_unique<NowPlayingBarViewModel>(
        m_engine->controller.get(), nullptr, new FakeAudioOutputSource);
}

void tst_NowPlayingBarViewModel::cleanup()
{
    m_bar.reset();
    m_engine.reset();
}

void tst_NowPlayingBarViewModel::songLine_data()
{
    QTest::addColumn<Song>("song");
    QTest::addColumn<QString>("source"); // "album", "playlist" or none
    QTest::addColumn<int>("titleLink");
    QTest::addColumn<QString>("titleTooltip");
    QTest::addColumn<QString>("subtitle"); // the items, "*" marking a link
    QTest::addColumn<bool>("artworkIsLink");

    const Song full = song(1);
    QTest::newRow("album source") << full << "album" << int(Link::AlbumLink) << "Go to Album"
                                  << "*Artist|—|*Album" << true;
    QTest::newRow("no source") << full << "" << int(Link::AlbumLink) << "Go to Album"
                               << "*Artist|—|*Album" << true;
    QTest::newRow("playlist source") << full << "playlist" << int(Link::PlaylistLink) << "Go to Playlist"
                                     << "*Artist|—|*Album" << true;
    const Song noAlbumId = song(1, "", "Album");
    QTest::newRow("no album id") << noAlbumId << "album" << int(Link::NoLink) << ""
                                 << "*Artist|—|Album" << false;
    QTest::newRow("no album id, playlist")
        << noAlbumId << "playlist" << int(Link::PlaylistLink) << "Go to Playlist"
        << "*Artist|—|Album" << false;
    QTest::newRow("artist without id")
        << song(1, "al", "Album", "Artist", "") << "" << int(Link::AlbumLink) << "Go to Album"
        << "Artist|—|*Album" << true;
    QTest::newRow("artist, no album") << song(1, "", "") << "" << int(Link::NoLink) << ""
                                      << "*Artist" << false;
    QTest::newRow("album, no artist")
        << song(1, "al", "Album", "", "") << "" << int(Link::AlbumLink) << "Go to Album"
        << "*Album" << true;
    QTest::newRow("album id without name")
        << song(1, "al", "", "", "") << "" << int(Link::AlbumLink) << "Go to Album"
        << "" << true;
}

void tst_NowPlayingBarViewModel::songLine()
{
    QFETCH(Song, song);
    QFETCH(QString, source);
    QFETCH(int, titleLink);
    QFETCH(QString, titleTooltip);
    QFETCH(QString, subtitle);
    QFETCH(bool, artworkIsLink);

    std::optional<PlaybackSource> playbackSource;
    if (source == "album")
        playbackSource = PlaybackSource::album("al", "Album");
    else if (source == "playlist")
        playbackSource = PlaybackSource::playlist("p1", "Mix");
    QSignalSpy songSpy(m_bar.get(), &NowPlayingBarViewModel::songChanged);
    m_engine->controller->play({song}, client(), 0, playbackSource);
    QVERIFY(songSpy.count() >= 1);

    QVERIFY(m_bar->hasSong());
    QCOMPARE(m_bar->title(), song.title);
    QCOMPARE(int(m_bar->titleLink()), titleLink);
    QCOMPARE(m_bar->titleTooltip(), titleTooltip);
    QStringList items;
    if (m_bar->hasArtist())
        items.append((m_bar->artistIsLink() ? "*" : "") + m_bar->artistText());
    if (m_bar->showsSeparator())
        items.append(m_bar->separator());
    if (m_bar->hasAlbum())
        items.append((m_bar->albumIsLink() ? "*" : "") + m_bar->albumText());
    QCOMPARE(items.join('|'), subtitle);
    QCOMPARE(m_bar->artworkIsLink(), artworkIsLink);
    QCOMPARE(m_bar->coverArt(), song.coverArt.value_or(QString()));

    // The title opens what it links to, and only that.
    QSignalSpy albums(m_bar.get(), &NowPlayingBarViewModel::openAlbumRequested);
    QSignalSpy playlists(m_bar.get(), &NowPlayingBarViewModel::openPlaylistRequested);
    m_bar->openTitle();
    QCOMPARE(playlists.count(), titleLink == Link::PlaylistLink ? 1 : 0);
    QCOMPARE(albums.count(), titleLink == Link::AlbumLink ? 1 : 0);
    if (!playlists.isEmpty())
        QCOMPARE(playlists.first().first().toString(), QStringLiteral("p1"));
    if (!albums.isEmpty())
        QCOMPARE(albums.first().first().value<Album>().id, *song.albumId);
}

void tst_NowPlayingBarViewModel::albumAndArtistRecordsComeFromTheSong()
{
    m_engine->controller->play({song(1, "al", "", "Artist", "ar")}, client(), 0, std::nullopt);
    QSignalSpy albums(m_bar.get(), &NowPlayingBarViewModel::openAlbumRequested);
    QSignalSpy artists(m_bar.get(), &NowPlayingBarViewModel::openArtistRequested);
    m_bar->openAlbum();
    m_bar->openArtist();
    QCOMPARE(albums.count(), 1);
    QCOMPARE(artists.count(), 1);
    const Album expectedAlbum {"al", "", "Artist", "ar", "al", {}, {}, {}, {}, {}};
    QCOMPARE(albums.first().first().value<Album>(), expectedAlbum);
    const Artist expectedArtist {"ar", "Artist", {}, {}};
    QCOMPARE(artists.first().first().value<Artist>(), expectedArtist);

    // Without the ids there is nowhere to go.
    m_engine->controller->play({song(2, "", "Album", "Artist", "")}, client(), 0, std::nullopt);
    m_bar->openAlbum();
    m_bar->openArtist();
    QCOMPARE(albums.count(), 1);
    QCOMPARE(artists.count(), 1);
}

void tst_NowPlayingBarViewModel::nothingLoaded()
{
    QVERIFY(!m_bar->hasSong());
    QCOMPARE(m_bar->notPlayingText(), QStringLiteral("Not Playing"));
    QCOMPARE(m_bar->title(), QString());
    QCOMPARE(m_bar->titleLink(), Link::NoLink);
    QCOMPARE(m_bar->property("controlsEnabled").toBool(), false);
    QCOMPARE(m_bar->property("likeEnabled").toBool(), false);
    QCOMPARE(m_bar->likeSymbol(), QStringLiteral("heart"));
    QCOMPARE(m_bar->likeText(), QStringLiteral("Like"));
    QCOMPARE(m_bar->playPauseSymbol(), QStringLiteral("play.fill"));
    QCOMPARE(m_bar->playPauseText(), QStringLiteral("Play"));

    // The buttons do nothing, but Up Next still opens.
    m_bar->cycleRepeat();
    m_bar->toggleShuffle();
    m_bar->togglePlayPause();
    m_bar->toggleLike();
    QCOMPARE(m_engine->controller->repeatMode(), RepeatMode::Off);
    QVERIFY(!m_bar->isShuffling());
    QVERIFY(!m_bar->isPlaying());
    m_bar->toggleQueue();
    QVERIFY(m_bar->showQueue());

    // Unloading a song takes the bar back to this state.
    m_engine->controller->play(songs(2), client(), 0, std::nullopt);
    QVERIFY(m_bar->hasSong());
    QSignalSpy songSpy(m_bar.get(), &NowPlayingBarViewModel::songChanged);
    m_engine->controller->stop();
    QVERIFY(!m_bar->hasSong());
    QCOMPARE(songSpy.count(), 1);
}

void tst_NowPlayingBarViewModel::repeatCycles()
{
    m_engine->controller->play(songs(2), client(), 0, std::nullopt);
    QSignalSpy repeatSpy(m_bar.get(), &NowPlayingBarViewModel::repeatChanged);
    const QList<std::pair<QString, bool>> expected {{"repeat", true}, {"repeat.1", true}, {"repeat", false}};
    for (const auto &[symbol, on] : expected) {
        m_bar->cycleRepeat();
        QCOMPARE(m_bar->repeatSymbol(), symbol);
        QCOMPARE(m_bar->repeatOn(), on);
        QVERIFY(Symbols::contains(symbol));
    }
    QCOMPARE(repeatSpy.count(), 3);
    QCOMPARE(m_engine->controller->repeatMode(), RepeatMode::Off);
    QCOMPARE(m_bar->repeatText(), QStringLiteral("Repeat"));
}

void tst_NowPlayingBarViewModel::transportDrivesTheEngine()
{
    m_engine->controller->play(songs(3), client(), 0, std::nullopt);
    QVERIFY(m_bar->isPlaying());
    QCOMPARE(m_bar->playPauseSymbol(), QStringLiteral("pause.fill"));
    QCOMPARE(m_bar->playPauseText(), QStringLiteral("Pause"));
    m_bar->togglePlayPause();
    QVERIFY(!m_engine->player->isPlaying());
    QCOMPARE(m_bar->playPauseText(), QStringLiteral("Play"));

    m_bar->next();
    QCOMPARE(m_bar->title(), QStringLiteral("Song 2"));
    m_bar->previous();
    QCOMPARE(m_bar->title(), QStringLiteral("Song 1"));

    QSignalSpy shuffleSpy(m_bar.get(), &NowPlayingBarViewModel::shufflingChanged);
    m_bar->toggleShuffle();
    QVERIFY(m_bar->isShuffling());
    QCOMPARE(shuffleSpy.count(), 1);
}

void tst_NowPlayingBarViewModel::likeGoesThroughTheStore()
{
    TestHttpServer server;
    QVERIFY(server.listen());
    server.setResponse("/rest/star", TestHttpServer::ok());
    server.setResponse("/rest/unstar", TestHttpServer::ok());
    LibraryStore library(client(server.baseUrl()));
    m_bar->setLibrary(&library);

    m_engine->controller->play(songs(2), client(), 0, std::nullopt);
    QSignalSpy likeSpy(m_bar.get(), &NowPlayingBarViewModel::likeChanged);
    m_bar->toggleLike();
    QVERIFY(m_bar->isLiked());
    QCOMPARE(m_bar->likeSymbol(), QStringLiteral("heart.fill"));
    QCOMPARE(m_bar->likeText(), QStringLiteral("Unlike"));
    QVERIFY(likeSpy.count() >= 1);
    QTRY_COMPARE(server.requests().size(), 1);
    QCOMPARE(server.lastRequest().path(), QByteArray("/rest/star"));
    QCOMPARE(server.lastRequest().queryValue("id"), QStringLiteral("s1"));

    // The heart follows the song.
    m_bar->next();
    QVERIFY(!m_bar->isLiked());
    m_bar->previous();
    QVERIFY(m_bar->isLiked());
    m_bar->toggleLike();
    QVERIFY(!m_bar->isLiked());
    QTRY_COMPARE(server.requests().size(), 2);
    QCOMPARE(server.lastRequest().path(), QByteArray("/rest/unstar"));
}

QTEST_GUILESS_MAIN(tst_NowPlayingBarViewModel)
#include "tst_NowPlayingBarViewModel.moc"
