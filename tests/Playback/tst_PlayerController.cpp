#include <QDir>
#include <QFile>
#include <QNetworkAccessManager>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QUrlQuery>

#include "Downloads/DownloadStore.h"
#include "Helpers/FakeQueuePlayer.h"
#include "Helpers/RecordLists.h"
#include "Helpers/TestHttpServer.h"
#include "Networking/UrlSession.h"
#include "Playback/PlayerController.h"

using namespace Qt::StringLiterals;

namespace {

// Counts the album load failures the engine logs, and hands every message on
// to the test's own handler.
QtMessageHandler g_testMessageHandler = nullptr;
int g_albumFailuresTold = 0;

void countAlbumFailures(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (message.startsWith(QLatin1StringView("Failed to load album")))
        ++g_albumFailuresTold;
    g_testMessageHandler(type, context, message);
}

} // namespace

// The engine's queue, transport, preloading and track ends, against a scripted
// player.
class tst_PlayerController : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void playReplacesTheQueue_data();
    void playReplacesTheQueue();
    void itemsComeFromDownloadsOrTheStream();
    void shuffleKeepsTheCurrentSongFirstAndComesBack();
    void playShuffledRemembersTheGivenOrder();
    void playNextAndLast();
    void playNextWhileShufflingLandsInTheOriginalOrderToo();
    void previousRestartsOrGoesBack_data();
    void previousRestartsOrGoesBack();
    void nextAtTheLastSong_data();
    void nextAtTheLastSong();
    void repeatModeDecidesThePreload();
    void trackEndAdvancesToThePreloadedItem_data();
    void trackEndAdvancesToThePreloadedItem();
    void trackEndWithoutAUsablePreload();
    void trackEndOfTheLastSong_data();
    void trackEndOfTheLastSong();
    void endsOfOtherItemsAreIgnored();
    void upNextEdits();
    void removingADuplicateMirrorsFromTheEnd();
    void moveUpcomingFollowsTheListMoveRule_data();
    void moveUpcomingFollowsTheListMoveRule();
    void mirroringRemoval_data();
    void mirroringRemoval();
    void deferredSeek();
    void periodicTimeAndDuration();
    void failedItemStopsClaimingToPlay();
    void playAlbumFetchesTheSongs();
    void albumFetchFailureChangesNothing();

private:
    static Song song(int n, std::optional<qint64> duration = 200);
    static QList<Song> songs(int count);
    // The song id an item was made for (from its stream URL or file name).
    static QString idOf(const QueuePlayerItemPtr &item);
    QStringList playerIds() const;
    static void flush();

    QTemporaryDir m_home;
    TestHttpServer m_server;
    QNetworkAccessManager *m_manager = nullptr;
    UrlSession *m_session = nullptr;
    SubsonicClient m_client;
    FakeQueuePlayer *m_player = nullptr;
    PlayerController *m_engine = nullptr;
};

Song tst_PlayerController::song(int n, std::optional<qint64> duration)
{
    Song s;
    s.id = u"s%1"_s.arg(n);
    s.title = u"Song %1"_s.arg(n);
    s.duration = duration;
    s.suffix = u"mp3"_s;
    return s;
}

QList<Song> tst_PlayerController::songs(int count)
{
    QList<Song> list;
    for (int n = 1; n <= count; ++n)
        list.append(song(n));
    return list;
}

QString tst_PlayerController::idOf(const QueuePlayerItemPtr &item)
{
    if (!item)
        return {};
    if (item->url().isLocalFile())
        return u"file:"_s + QFileInfo(item->url().toLocalFile()).fileName();
    return QUrlQuery(item->url()).queryItemValue(u"id"_s);
}

QStringList tst_PlayerController::playerIds() const
{
    QStringList out;
    for (const QueuePlayerItemPtr &item : m_player->items())
        out.append(idOf(item));
    return out;
}

void tst_PlayerController::flush()
{
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

void tst_PlayerController::initTestCase()
{
    // A home of our own: other tests clear the shared test folders meanwhile.
    QVERIFY(m_home.isValid());
    qputenv("HOME", m_home.path().toUtf8());
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(m_server.listen());
    m_manager = new QNetworkAccessManager(this);
    m_session = new UrlSession(m_manager);
    m_client = SubsonicClient(ServerConfig {m_server.baseUrl(), u"alice"_s, u"secret"_s}, m_session);
}

void tst_PlayerController::init()
{
    // Play reports are tested with the rest of the engine's ties to the server.
    QSettings().setValue(u"scrobbleEnabled"_s, false);
    m_player = new FakeQueuePlayer;
    m_engine = new PlayerController(m_player);
    QCOMPARE(m_player->parent(), m_engine);
}

void tst_PlayerController::cleanup()
{
    delete m_engine;
    m_engine = nullptr;
    m_player = nullptr;
    QDir(DownloadStore::directory(m_client.config())).removeRecursively();
}

void tst_PlayerController::playReplacesTheQueue_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("expected");
    QTest::newRow("below the start") << -3 << 0;
    QTest::newRow("inside") << 1 << 1;
    QTest::newRow("one past the end") << 4 << 3;
}

void tst_PlayerController::playReplacesTheQueue()
{
    QFETCH(int, start);
    QFETCH(int, expected);
    QSignalSpy queueSpy(m_engine, &PlayerController::queueChanged);
    m_engine->play({}, m_client, 0, PlaybackSource::album(u"a"_s, u"A"_s));
    QCOMPARE(queueSpy.count(), 0);
    QCOMPARE(m_engine->currentIndex(), std::nullopt);
    QCOMPARE(m_engine->source(), std::nullopt);

    m_engine->play(songs(4), m_client, start, PlaybackSource::album(u"a"_s, u"A"_s));
    QCOMPARE(idsOf(m_engine->queue()), idsOf(songs(4)));
    QCOMPARE(m_engine->currentIndex(), expected);
    QCOMPARE(m_engine->currentSong()->id, u"s%1"_s.arg(expected + 1));
    QCOMPARE(m_engine->source(), PlaybackSource::album(u"a"_s, u"A"_s));
    QVERIFY(m_engine->isPlaying());
    QVERIFY(m_player->isPlaying());
    QStringList wanted {u"s%1"_s.arg(expected + 1)};
    if (expected < 3)
        wanted.append(u"s%1"_s.arg(expected + 2));
    QCOMPARE(playerIds(), wanted);
    QCOMPARE(idsOf(m_engine->upNext()), idsOf(songs(4).mid(expected + 1)));
}

void tst_PlayerController::itemsComeFromDownloadsOrTheStream()
{
    const QString folder = DownloadStore::directory(m_client.config());
    QVERIFY(QDir().mkpath(folder));
    QFile file(QDir(folder).filePath(DownloadStore::songFileName(u"s2"_s, u"mp3"_s)));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("audio");
    file.close();

    m_engine->play(songs(3), m_client, 0, std::nullopt);
    const QList<QueuePlayerItemPtr> items = m_player->items();
    QCOMPARE(items.size(), 2);
    const QUrl stream = items[0]->url();
    QCOMPARE(stream.path(), u"/rest/stream"_s);
    QCOMPARE(QUrlQuery(stream).queryItemValue(u"id"_s), u"s1"_s);
    QCOMPARE(QUrlQuery(stream).queryItemValue(u"u"_s), u"alice"_s);
    QVERIFY(items[1]->url().isLocalFile());
    QCOMPARE(items[1]->url().toLocalFile(), file.fileName());
}

void tst_PlayerController::shuffleKeepsTheCurrentSongFirstAndComesBack()
{
    const QList<Song> original = songs(8);
    bool orderChanged = false;
    for (int attempt = 0; attempt < 6; ++attempt) {
        m_engine->play(original, m_client, 3, std::nullopt);
        const QueuePlayerItemPtr current = m_player->currentItem();
        m_engine->toggleShuffle();
        QVERIFY(m_engine->isShuffling());
        QCOMPARE(m_engine->currentIndex(), 0);
        QCOMPARE(m_engine->queue().first().id, u"s4"_s);
        QStringList shuffled = idsOf(m_engine->queue());
        QStringList sorted = shuffled;
        sorted.sort();
        QStringList expected = idsOf(original);
        expected.sort();
        QCOMPARE(sorted, expected);
        orderChanged = orderChanged
            || shuffled
                != QStringList {u"s4"_s, u"s1"_s, u"s2"_s, u"s3"_s, u"s5"_s, u"s6"_s, u"s7"_s, u"s8"_s};
        // The current song plays on; what follows is the new second song.
        QCOMPARE(m_player->currentItem(), current);
        QCOMPARE(playerIds().value(1), shuffled.at(1));

        m_engine->toggleShuffle();
        QVERIFY(!m_engine->isShuffling());
        QCOMPARE(idsOf(m_engine->queue()), idsOf(original));
        QCOMPARE(m_engine->currentIndex(), 3);
        QCOMPARE(playerIds(), (QStringList {u"s4"_s, u"s5"_s}));
    }
    QVERIFY(orderChanged);

    // Nothing current: no-op.
    m_engine->stop();
    m_engine->toggleShuffle();
    QVERIFY(!m_engine->isShuffling());
}

void tst_PlayerController::playShuffledRemembersTheGivenOrder()
{
    m_engine->playShuffled({song(7)}, m_client, PlaybackSource::playlist(u"p"_s, u"P"_s));
    QVERIFY(m_engine->isShuffling());
    QCOMPARE(idsOf(m_engine->queue()), QStringList {u"s7"_s});
    QCOMPARE(m_engine->source(), PlaybackSource::playlist(u"p"_s, u"P"_s));

    m_engine->playShuffled(songs(5), m_client, std::nullopt);
    m_engine->toggleShuffle();
    QCOMPARE(idsOf(m_engine->queue()), idsOf(songs(5)));

    // A queue-replacing play resets shuffle.
    m_engine->playShuffled(songs(5), m_client, std::nullopt);
    m_engine->play(songs(2), m_client, 0, std::nullopt);
    QVERIFY(!m_engine->isShuffling());
    m_engine->toggleShuffle();
    m_engine->toggleShuffle();
    QCOMPARE(idsOf(m_engine->queue()), idsOf(songs(2)));
}

void tst_PlayerController::playNextAndLast()
{
    // Nothing loaded: they play the songs, with no source.
    m_engine->playNext({song(10), song(11)}, m_client);
    QCOMPARE(idsOf(m_engine->queue()), (QStringList {u"s10"_s, u"s11"_s}));
    QCOMPARE(m_engine->currentIndex(), 0);
    QCOMPARE(m_engine->source(), std::nullopt);
    m_engine->stop();
    m_engine->playLast({song(12)}, m_client);
    QCOMPARE(idsOf(m_engine->queue()), QStringList {u"s12"_s});
    QVERIFY(m_engine->isPlaying());

    m_engine->play(songs(3), m_client, 0, PlaybackSource::album(u"a"_s, u"A"_s));
    QCOMPARE(playerIds(), (QStringList {u"s1"_s, u"s2"_s}));
    m_engine->playNext({song(10), song(11)}, m_client);
    QCOMPARE(idsOf(m_engine->queue()), (QStringList {u"s1"_s, u"s10"_s, u"s11"_s, u"s2"_s, u"s3"_s}));
    QCOMPARE(playerIds(), (QStringList {u"s1"_s, u"s10"_s})); // the preload follows
    m_engine->playLast({song(12)}, m_client);
    QCOMPARE(idsOf(m_engine->upNext()), (QStringList {u"s10"_s, u"s11"_s, u"s2"_s, u"s3"_s, u"s12"_s}));
    QCOMPARE(playerIds(), (QStringList {u"s1"_s, u"s10"_s}));
    QCOMPARE(m_engine->source(), PlaybackSource::album(u"a"_s, u"A"_s));
    m_engine->playNext({}, m_client);
    QCOMPARE(m_engine->queue().size(), 6);
}

void tst_PlayerController::playNextWhileShufflingLandsInTheOriginalOrderToo()
{
    m_engine->play(songs(5), m_client, 2, std::nullopt);
    m_engine->toggleShuffle();
    m_engine->playNext({song(10)}, m_client);
    QCOMPARE(m_engine->queue().at(1).id, u"s10"_s);
    m_engine->playLast({song(11)}, m_client);
    m_engine->toggleShuffle();
    QCOMPARE(idsOf(m_engine->queue()),
        (QStringList {u"s1"_s, u"s2"_s, u"s3"_s, u"s10"_s, u"s4"_s, u"s5"_s, u"s11"_s}));
    QCOMPARE(m_engine->currentIndex(), 2);
    QCOMPARE(playerIds(), (QStringList {u"s3"_s, u"s10"_s}));
}

void tst_PlayerController::previousRestartsOrGoesBack_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<double>("time");
    QTest::addColumn<int>("expected");
    QTest::addColumn<bool>("restart");
    QTest::newRow("3.0 s on the second song") << 1 << 3.0 << 0 << false;
    QTest::newRow("3.1 s on the second song") << 1 << 3.1 << 1 << true;
    QTest::newRow("first song") << 0 << 0.5 << 0 << true;
}

void tst_PlayerController::previousRestartsOrGoesBack()
{
    QFETCH(int, index);
    QFETCH(double, time);
    QFETCH(int, expected);
    QFETCH(bool, restart);
    m_engine->play(songs(3), m_client, index, std::nullopt);
    const QueuePlayerItemPtr item = m_player->currentItem();
    m_player->tick(time);
    flush();
    QCOMPARE(m_engine->currentTime(), time);
    m_engine->previous();
    QCOMPARE(m_engine->currentIndex(), expected);
    QCOMPARE(m_engine->currentTime(), 0.0);
    QCOMPARE(m_player->currentItem() == item, restart);
    QCOMPARE(m_player->seeks, restart ? QList<double> {0.0} : QList<double> {});
}

void tst_PlayerController::nextAtTheLastSong_data()
{
    QTest::addColumn<RepeatMode>("mode");
    QTest::newRow("all") << RepeatMode::All;
    QTest::newRow("off") << RepeatMode::Off;
    QTest::newRow("one") << RepeatMode::One;
}

void tst_PlayerController::nextAtTheLastSong()
{
    QFETCH(RepeatMode, mode);
    m_engine->play(songs(3), m_client, 1, std::nullopt);
    m_engine->setRepeatMode(mode);
    m_engine->next();
    QCOMPARE(m_engine->currentIndex(), 2);
    m_engine->next();
    if (mode == RepeatMode::All) {
        QCOMPARE(m_engine->currentIndex(), 0);
        QCOMPARE(playerIds(), (QStringList {u"s1"_s, u"s2"_s}));
    } else {
        QCOMPARE(m_engine->currentIndex(), std::nullopt);
        QVERIFY(m_engine->queue().isEmpty());
        QVERIFY(!m_engine->isPlaying());
        QVERIFY(m_player->items().isEmpty());
        QCOMPARE(m_engine->repeatMode(), mode);
    }
}

void tst_PlayerController::repeatModeDecidesThePreload()
{
    m_engine->play(songs(3), m_client, 2, std::nullopt);
    QCOMPARE(playerIds(), QStringList {u"s3"_s});
    QSignalSpy modeSpy(m_engine, &PlayerController::repeatModeChanged);
    m_engine->setRepeatMode(RepeatMode::All);
    QCOMPARE(playerIds(), (QStringList {u"s3"_s, u"s1"_s}));
    m_engine->setRepeatMode(RepeatMode::One);
    QCOMPARE(playerIds(), (QStringList {u"s3"_s, u"s3"_s}));
    QCOMPARE(modeSpy.count(), 2);

    // The same value touches nothing.
    const QList<QueuePlayerItemPtr> before = m_player->items();
    const int inserts = m_player->insertCalls;
    m_engine->setRepeatMode(RepeatMode::One);
    QCOMPARE(modeSpy.count(), 2);
    QCOMPARE(m_player->items(), before);
    QCOMPARE(m_player->insertCalls, inserts);

    m_engine->setRepeatMode(RepeatMode::Off);
    QCOMPARE(playerIds(), QStringList {u"s3"_s});
}

void tst_PlayerController::trackEndAdvancesToThePreloadedItem_data()
{
    QTest::addColumn<bool>("reportFirst");
    QTest::newRow("player moved on") << false;
    QTest::newRow("report before the move") << true;
}

void tst_PlayerController::trackEndAdvancesToThePreloadedItem()
{
    QFETCH(bool, reportFirst);
    m_engine->play(songs(3), m_client, 0, std::nullopt);
    m_player->tick(150);
    flush();
    const QueuePlayerItemPtr preloaded = m_player->items().at(1);
    m_player->finishCurrentItem(reportFirst);
    QCOMPARE(m_engine->currentIndex(), 0); // handled in a later event-loop turn
    flush();
    QCOMPARE(m_player->advanceCalls, reportFirst ? 1 : 0);
    QCOMPARE(m_engine->currentIndex(), 1);
    QCOMPARE(m_engine->currentTime(), 0.0);
    QCOMPARE(m_player->currentItem(), preloaded);
    QCOMPARE(playerIds(), (QStringList {u"s2"_s, u"s3"_s}));
    QCOMPARE(m_player->removeAllCalls, 1); // no fresh start
    QVERIFY(m_engine->isPlaying());

    // The new current item is the one whose end counts now.
    m_player->finishCurrentItem();
    flush();
    QCOMPARE(m_engine->currentIndex(), 2);
    QCOMPARE(playerIds(), QStringList {u"s3"_s});

    // Repeat one replays the song through its own preloaded copy.
    m_engine->setRepeatMode(RepeatMode::One);
    const QueuePlayerItemPtr again = m_player->items().at(1);
    m_player->tick(120);
    flush();
    m_player->finishCurrentItem();
    flush();
    QCOMPARE(m_engine->currentIndex(), 2);
    QCOMPARE(m_engine->currentTime(), 0.0);
    QCOMPARE(m_player->currentItem(), again);
    QCOMPARE(playerIds(), (QStringList {u"s3"_s, u"s3"_s}));
}

void tst_PlayerController::trackEndWithoutAUsablePreload()
{
    m_player->refuseInserts = true;
    m_engine->play(songs(2), m_client, 0, std::nullopt);
    QVERIFY(m_player->items().isEmpty()); // refused: nothing plays
    QVERIFY(m_engine->currentIndex() == 0);
    m_player->refuseInserts = false;
    m_player->insert(std::make_shared<QueuePlayerItem>(QUrl(u"file:///x"_s)), {});
    // Only the engine's own item counts.
    m_player->finishCurrentItem();
    flush();
    QCOMPARE(m_engine->currentIndex(), 0);

    m_engine->play(songs(3), m_client, 0, std::nullopt);
    m_player->refuseInserts = true;
    m_engine->removeUpcoming({0}); // s3 should follow now, but the player refuses it
    QCOMPARE(playerIds(), QStringList {u"s1"_s});
    m_player->refuseInserts = false;
    const int removals = m_player->removeAllCalls;
    m_player->finishCurrentItem();
    flush();
    // Falls back to a fresh start of the following song.
    QCOMPARE(m_player->removeAllCalls, removals + 1);
    QCOMPARE(m_engine->currentIndex(), 1);
    QCOMPARE(playerIds(), QStringList {u"s3"_s});
}

void tst_PlayerController::trackEndOfTheLastSong_data()
{
    nextAtTheLastSong_data();
}

void tst_PlayerController::trackEndOfTheLastSong()
{
    QFETCH(RepeatMode, mode);
    m_engine->play(songs(2), m_client, 1, std::nullopt);
    m_engine->setRepeatMode(mode);
    m_player->finishCurrentItem();
    flush();
    switch (mode) {
    case RepeatMode::Off:
        QVERIFY(m_engine->queue().isEmpty());
        QCOMPARE(m_engine->currentIndex(), std::nullopt);
        QVERIFY(!m_engine->isPlaying());
        QVERIFY(m_player->items().isEmpty());
        break;
    case RepeatMode::All:
        QCOMPARE(m_engine->currentIndex(), 0);
        QCOMPARE(playerIds(), (QStringList {u"s1"_s, u"s2"_s}));
        break;
    case RepeatMode::One:
        QCOMPARE(m_engine->currentIndex(), 1);
        QCOMPARE(playerIds(), (QStringList {u"s2"_s, u"s2"_s}));
        break;
    }
}

void tst_PlayerController::endsOfOtherItemsAreIgnored()
{
    m_engine->play(songs(3), m_client, 0, std::nullopt);
    const QueuePlayerItemPtr first = m_player->currentItem();
    m_engine->next();
    QSignalSpy indexSpy(m_engine, &PlayerController::currentIndexChanged);
    Q_EMIT m_player->itemDidPlayToEnd(first); // an item of an earlier start
    Q_EMIT m_player->itemDidPlayToEnd(m_player->items().at(1)); // the preloaded one
    Q_EMIT m_player->itemDidPlayToEnd({});
    flush();
    QCOMPARE(indexSpy.count(), 0);
    QCOMPARE(m_engine->currentIndex(), 1);
    QCOMPARE(playerIds(), (QStringList {u"s2"_s, u"s3"_s}));
}

void tst_PlayerController::upNextEdits()
{
    m_engine->play(songs(6), m_client, 1, std::nullopt);
    m_engine->removeUpcoming({0, 2, 9, -5});
    QCOMPARE(idsOf(m_engine->queue()), (QStringList {u"s1"_s, u"s2"_s, u"s4"_s, u"s6"_s}));
    QCOMPARE(playerIds(), (QStringList {u"s2"_s, u"s4"_s}));

    m_engine->moveUpcoming({1}, 0);
    QCOMPARE(idsOf(m_engine->upNext()), (QStringList {u"s6"_s, u"s4"_s}));
    QCOMPARE(playerIds(), (QStringList {u"s2"_s, u"s6"_s}));

    m_engine->clearUpNext();
    QCOMPARE(idsOf(m_engine->queue()), (QStringList {u"s1"_s, u"s2"_s}));
    QCOMPARE(playerIds(), QStringList {u"s2"_s});

    // Idle: the edits do nothing.
    m_engine->stop();
    m_engine->clearUpNext();
    m_engine->removeUpcoming({0});
    m_engine->moveUpcoming({0}, 1);
    m_engine->playUpcoming(0);
    QVERIFY(m_engine->queue().isEmpty());

    // Jumping into Up Next, and past its end.
    m_engine->play(songs(4), m_client, 0, std::nullopt);
    m_engine->playUpcoming(1);
    QCOMPARE(m_engine->currentIndex(), 2);
    m_engine->playUpcoming(5);
    QVERIFY(m_engine->queue().isEmpty());
}

void tst_PlayerController::removingADuplicateMirrorsFromTheEnd()
{
    // Original order: s1 s2 s3 s4 s5 s2 …; shuffled so that both copies of s2
    // follow the current song.
    const QList<Song> original {song(1), song(2), song(3), song(4), song(5), song(2)};
    m_engine->play(original, m_client, 0, std::nullopt);
    m_engine->toggleShuffle();
    const QList<Song> before = m_engine->queue();
    QList<int> copies;
    for (int i = 1; i < before.size(); ++i) {
        if (before[i].id == u"s2"_s)
            copies.append(i - 1);
    }
    QCOMPARE(copies.size(), 2);
    m_engine->removeUpcoming({copies.first()});
    m_engine->moveUpcoming({0}, 3); // a reorder leaves the original order alone
    m_engine->toggleShuffle();
    QCOMPARE(idsOf(m_engine->queue()), (QStringList {u"s1"_s, u"s2"_s, u"s3"_s, u"s4"_s, u"s5"_s}));
}

void tst_PlayerController::moveUpcomingFollowsTheListMoveRule_data()
{
    QTest::addColumn<QList<int>>("offsets");
    QTest::addColumn<int>("destination");
    QTest::addColumn<QStringList>("expected");
    // Up Next is s2 s3 s4 s5 s6.
    QTest::newRow("two forward") << QList<int> {0, 2} << 4
                                 << QStringList {u"s3"_s, u"s5"_s, u"s2"_s, u"s4"_s, u"s6"_s};
    QTest::newRow("one to the front")
        << QList<int> {3} << 0 << QStringList {u"s5"_s, u"s2"_s, u"s3"_s, u"s4"_s, u"s6"_s};
    QTest::newRow("to the end") << QList<int> {1} << 5
                                << QStringList {u"s2"_s, u"s4"_s, u"s5"_s, u"s6"_s, u"s3"_s};
    QTest::newRow("onto itself") << QList<int> {2} << 3
                                 << QStringList {u"s2"_s, u"s3"_s, u"s4"_s, u"s5"_s, u"s6"_s};
    QTest::newRow("spread backward") << QList<int> {4, 1} << 1
                                     << QStringList {u"s2"_s, u"s3"_s, u"s6"_s, u"s4"_s, u"s5"_s};
}

void tst_PlayerController::moveUpcomingFollowsTheListMoveRule()
{
    QFETCH(QList<int>, offsets);
    QFETCH(int, destination);
    QFETCH(QStringList, expected);
    m_engine->play(songs(6), m_client, 0, std::nullopt);
    m_engine->toggleShuffle();
    m_engine->toggleShuffle();
    m_engine->moveUpcoming(offsets, destination);
    QCOMPARE(idsOf(m_engine->upNext()), expected);
    QCOMPARE(m_engine->currentIndex(), 0);
    QCOMPARE(playerIds(), (QStringList {u"s1"_s, expected.first()}));
}

void tst_PlayerController::mirroringRemoval_data()
{
    QTest::addColumn<QStringList>("removed");
    QTest::addColumn<QStringList>("list");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("last copy goes") << QStringList {u"s1"_s}
                                    << QStringList {u"s1"_s, u"s2"_s, u"s1"_s, u"s1"_s}
                                    << QStringList {u"s1"_s, u"s2"_s, u"s1"_s};
    QTest::newRow("counted twice") << QStringList {u"s1"_s, u"s1"_s}
                                   << QStringList {u"s1"_s, u"s2"_s, u"s1"_s} << QStringList {u"s2"_s};
    QTest::newRow("absent") << QStringList {u"s9"_s} << QStringList {u"s1"_s} << QStringList {u"s1"_s};
}

void tst_PlayerController::mirroringRemoval()
{
    QFETCH(QStringList, removed);
    QFETCH(QStringList, list);
    QFETCH(QStringList, expected);
    auto make = [](const QStringList &names) {
        QList<Song> out;
        for (const QString &name : names)
            out.append(song(name.mid(1).toInt()));
        return out;
    };
    QCOMPARE(idsOf(PlayerController::mirroringRemoval(make(removed), make(list))), expected);
}

void tst_PlayerController::deferredSeek()
{
    m_engine->queue(); // no current song yet
    m_engine->play(songs(3), m_client, 0, std::nullopt);
    m_engine->startItem(1, false, 95.5);
    const QueuePlayerItemPtr item = m_player->currentItem();
    QCOMPARE(m_engine->currentTime(), 95.5);
    QVERIFY(!m_engine->isPlaying());
    QVERIFY(!m_player->isPlaying());
    QVERIFY(m_player->seeks.isEmpty());
    item->setStatus(QueuePlayerItem::Status::Failed);
    item->setStatus(QueuePlayerItem::Status::Unknown);
    flush();
    QVERIFY(m_player->seeks.isEmpty());
    item->setStatus(QueuePlayerItem::Status::ReadyToPlay);
    QVERIFY(m_player->seeks.isEmpty()); // on the GUI thread's next turn
    flush();
    QCOMPARE(m_player->seeks, QList<double> {95.5});
    item->setStatus(QueuePlayerItem::Status::Unknown);
    item->setStatus(QueuePlayerItem::Status::ReadyToPlay);
    flush();
    QCOMPARE(m_player->seeks, QList<double> {95.5}); // once

    // Without a position nothing is observed; a later start drops a pending seek.
    m_player->seeks.clear();
    m_engine->startItem(0, false, 0);
    m_player->currentItem()->setStatus(QueuePlayerItem::Status::ReadyToPlay);
    m_engine->startItem(2, false, 40);
    const QueuePlayerItemPtr dropped = m_player->currentItem();
    dropped->setStatus(QueuePlayerItem::Status::ReadyToPlay);
    m_engine->startItem(0, true, 0); // before the queued seek ran
    flush();
    m_engine->startItem(1, false, 30);
    m_engine->stop();
    flush();
    QVERIFY(m_player->seeks.isEmpty());
}

void tst_PlayerController::periodicTimeAndDuration()
{
    QSignalSpy durationSpy(m_engine, &PlayerController::durationChanged);
    QCOMPARE(m_engine->duration(), 0.0);
    QList<Song> list = songs(2);
    list[1].duration.reset();
    m_engine->play(list, m_client, 0, std::nullopt);
    QCOMPARE(m_engine->duration(), 200.0);
    m_player->currentItem()->setDuration(201.25);
    QCOMPARE(m_engine->duration(), 201.25);
    QCOMPARE(durationSpy.count(), 2);

    m_player->tick(12.5);
    m_player->tick(std::numeric_limits<double>::quiet_NaN());
    QCOMPARE(m_engine->currentTime(), 0.0); // applied on the next turn
    flush();
    QCOMPARE(m_engine->currentTime(), 12.5);

    m_engine->seek(42);
    QCOMPARE(m_player->seeks, QList<double> {42.0});
    QCOMPARE(m_engine->currentTime(), 42.0);
    m_engine->seek(std::numeric_limits<double>::infinity());
    QCOMPARE(m_player->seeks.size(), 1);

    m_engine->next();
    QCOMPARE(m_engine->duration(), 0.0);
}

void tst_PlayerController::failedItemStopsClaimingToPlay()
{
    m_engine->play(songs(3), m_client, 0, std::nullopt);
    // A failing preloaded item is none of the engine's business yet.
    m_player->items().at(1)->setStatus(QueuePlayerItem::Status::Failed);
    flush();
    QVERIFY(m_engine->isPlaying());

    QSignalSpy playingSpy(m_engine, &PlayerController::isPlayingChanged);
    m_player->currentItem()->setStatus(QueuePlayerItem::Status::Failed);
    flush();
    QVERIFY(!m_engine->isPlaying());
    QVERIFY(!m_player->isPlaying());
    QCOMPARE(playingSpy.count(), 1);
    // Nothing is skipped, and pressing play on it does not pretend either.
    QCOMPARE(m_engine->currentIndex(), 0);
    m_engine->togglePlayPause();
    QVERIFY(!m_engine->isPlaying());
    m_engine->next();
    QVERIFY(m_engine->isPlaying());
    QCOMPARE(m_engine->currentIndex(), 1);

    // The player moves on into a preloaded item that had failed already.
    m_player->items().at(1)->setStatus(QueuePlayerItem::Status::Failed);
    m_player->finishCurrentItem();
    flush();
    QCOMPARE(m_engine->currentIndex(), 2);
    QVERIFY(!m_engine->isPlaying());
}

void tst_PlayerController::playAlbumFetchesTheSongs()
{
    m_server.setResponse("/rest/getAlbum",
        TestHttpServer::ok(
            R"("album":{"id":"al-1","name":"Fetched","song":[)"
            R"({"id":"s1","title":"One"},{"id":"s2","title":"Two"},{"id":"s3","title":"Three"}]})"));
    Album album;
    album.id = u"al-1"_s;
    album.name = u"Passed In"_s;
    QSignalSpy queueSpy(m_engine, &PlayerController::queueChanged);
    m_engine->playAlbum(album, m_client, 1, false);
    QCOMPARE(queueSpy.count(), 0); // nothing happens before the fetch
    QTRY_COMPARE(queueSpy.count(), 1);
    QCOMPARE(m_server.lastRequest().queryValue(u"id"_s), u"al-1"_s);
    QCOMPARE(idsOf(m_engine->queue()), (QStringList {u"s1"_s, u"s2"_s, u"s3"_s}));
    QCOMPARE(m_engine->currentIndex(), 1);
    QCOMPARE(m_engine->source(), PlaybackSource::album(u"al-1"_s, u"Passed In"_s));

    m_engine->playAlbum(album, m_client, 0, true);
    QTRY_VERIFY(m_engine->isShuffling());
    QCOMPARE(m_engine->queue().size(), 3);

    m_engine->playAlbumNext(album, m_client, true);
    QTRY_COMPARE(m_engine->queue().size(), 6);
    m_engine->playAlbumNext(album, m_client, false);
    QTRY_COMPARE(m_engine->queue().size(), 9);

    // An album without songs changes nothing.
    m_server.setResponse("/rest/getAlbum", TestHttpServer::ok(R"("album":{"id":"al-1","name":"Fetched"})"));
    queueSpy.clear();
    m_engine->playAlbum(album, m_client, 0, false);
    QTest::qWait(200);
    QCOMPARE(queueSpy.count(), 0);
}

void tst_PlayerController::albumFetchFailureChangesNothing()
{
    m_engine->play(songs(2), m_client, 0, PlaybackSource::playlist(u"p"_s, u"P"_s));
    m_server.setResponse("/rest/getAlbum", TestHttpServer::failed(70, "Album not found"));
    Album album;
    album.id = u"al-9"_s;
    album.name = u"Gone"_s;
    QTest::ignoreMessage(
        QtWarningMsg, QRegularExpression(u"^Failed to load album al-9: .*Album not found"_s));
    // Each failure is told once its answer is in, however late that is.
    g_albumFailuresTold = 0;
    g_testMessageHandler = qInstallMessageHandler(countAlbumFailures);
    const auto restoreHandler = qScopeGuard([] { qInstallMessageHandler(g_testMessageHandler); });
    m_engine->playAlbum(album, m_client, 0, false);
    QTRY_COMPARE(g_albumFailuresTold, 1);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"^Failed to load album al-9: "_s));
    m_engine->playAlbumNext(album, m_client, true);
    QTRY_COMPARE(g_albumFailuresTold, 2);
    QCOMPARE(idsOf(m_engine->queue()), (QStringList {u"s1"_s, u"s2"_s}));
    QCOMPARE(m_engine->source(), PlaybackSource::playlist(u"p"_s, u"P"_s));

    // A transport failure is told by its kind: the signed URL stays out of the log.
    const SubsonicClient unreachable(ServerConfig {QUrl(u"http://127.0.0.1:1"_s), u"alice"_s, u"secret"_s}, m_session);
    QTest::ignoreMessage(QtWarningMsg, "Failed to load album al-9: Could not connect to the server.");
    m_engine->playAlbum(album, unreachable, 0, false);
    QTRY_COMPARE(g_albumFailuresTold, 3);
    QCOMPARE(idsOf(m_engine->queue()), (QStringList {u"s1"_s, u"s2"_s}));
}

QTEST_GUILESS_MAIN(tst_PlayerController)
#include "tst_PlayerController.moc"
