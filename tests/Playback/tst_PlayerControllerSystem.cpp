#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>
#include <QUrlQuery>

#include <limits>

#include "Helpers/FakeNowPlayingCenter.h"
#include "Helpers/FakeQueuePlayer.h"
#include "Helpers/ManualClock.h"
#include "Helpers/NumberedSongs.h"
#include "Helpers/RecordLists.h"
#include "Helpers/TestHttpServer.h"
#include "Networking/UrlSession.h"
#include "Platform/SleepMonitor.h"
#include "Playback/PlayerController.h"
#include "Playback/SessionFile.h"
#include "Playback/SessionSnapshot.h"
#include "Playback/VolumePersistence.h"

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

// The engine's volume, desktop commands, sleep and wake, play reports and
// saved session, against a scripted player and a recording now-playing center.
class tst_PlayerControllerSystem : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void constructionReadsTheSavedVolume_data();
    void constructionReadsTheSavedVolume();
    void volumeIsSavedOnceAfterDraggingAndAtQuit();
    void remoteCommandsActAfterTheyAreAnswered();
    void changePositionSeeksAndShowsIt();
    void sleepPausesAndWakingNeverResumes();
    void ticksMoveThePositionShown();
    void playReportsOncePerTrack();
    void noPlayReportsWhenSwitchedOff();
    void sessionIsSavedAfterChangesAndAtQuit();
    void restoreComesBackPausedAtThePosition();
    void restoreHappensOncePerRun();
    void restoreOfAnotherAccountDeletesTheFile_data();
    void restoreOfAnotherAccountDeletesTheFile();
    void damagedSessionIsIgnoredAndKept_data();
    void damagedSessionIsIgnoredAndKept();
    void quittingWithoutPlayingKeepsTheSavedSession();
    void stoppingRemovesTheSavedSession();
    void restoredPastTheThresholdIsNeverSubmitted();
    void restoredPositionStaysInTheSong_data();
    void restoredPositionStaysInTheSong();

private:
    static Song song(int n, std::optional<qint64> duration = 200);
    static void flush();
    // Replaces the engine (a new run of the program).
    void restart();
    QStringList reports() const;
    SessionSnapshot savedSnapshot() const;

    // Every pause of the engine (the volume's and the session's saves) runs
    // on this clock.
    ManualClock m_clock;
    QTemporaryDir m_home;
    QTemporaryDir m_settingsDir;
    TestHttpServer m_server;
    QNetworkAccessManager *m_manager = nullptr;
    UrlSession *m_session = nullptr;
    SubsonicClient m_client;
    FakeQueuePlayer *m_player = nullptr;
    FakeNowPlayingCenter *m_center = nullptr;
    SleepMonitor *m_sleep = nullptr;
    PlayerController *m_engine = nullptr;
};

Song tst_PlayerControllerSystem::song(int n, std::optional<qint64> duration)
{
    Song s;
    s.id = u"s%1"_s.arg(n);
    s.title = u"Song %1"_s.arg(n);
    s.duration = duration;
    return s;
}

void tst_PlayerControllerSystem::flush()
{
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

QStringList tst_PlayerControllerSystem::reports() const
{
    QStringList list;
    for (const TestHttpServer::Request &request : m_server.requests()) {
        if (request.path() == "/rest/scrobble")
            list.append(request.queryValue(u"id"_s) + u':' + request.queryValue(u"submission"_s));
    }
    return list;
}

SessionSnapshot tst_PlayerControllerSystem::savedSnapshot() const
{
    const std::optional<QByteArray> data = SessionFile::read();
    if (!data)
        return {};
    return SessionSnapshot::fromJson(*data).value_or(SessionSnapshot {});
}

void tst_PlayerControllerSystem::initTestCase()
{
    // A home of its own: tests running beside it clear the shared test folders.
    QVERIFY(m_home.isValid());
    qputenv("HOME", m_home.path().toUtf8());
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(m_settingsDir.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settingsDir.path());
    QCoreApplication::setOrganizationName(u"LirnaTest"_s);
    QCoreApplication::setApplicationName(u"PlayerControllerSystem"_s);
    QVERIFY(m_server.listen());
    m_server.setDefaultResponse(TestHttpServer::ok());
    m_manager = new QNetworkAccessManager(this);
    m_session = new UrlSession(m_manager);
    m_client = SubsonicClient(ServerConfig {m_server.baseUrl(), u"alice"_s, u"secret"_s}, m_session);
}

void tst_PlayerControllerSystem::init()
{
    QSettings().clear();
    // Reports are switched on by the tests about them.
    QSettings().setValue(u"scrobbleEnabled"_s, false);
    SessionFile::remove();
    m_server.clearRequests();
    restart();
}

void tst_PlayerControllerSystem::restart()
{
    delete m_engine;
    m_player = new FakeQueuePlayer;
    m_center = new FakeNowPlayingCenter;
    m_sleep = new SleepMonitor;
    m_engine = new PlayerController(m_player, m_center, m_sleep);
}

void tst_PlayerControllerSystem::cleanup()
{
    delete m_engine;
    m_engine = nullptr;
    SessionFile::remove();
}

void tst_PlayerControllerSystem::constructionReadsTheSavedVolume_data()
{
    QTest::addColumn<QVariant>("saved");
    QTest::addColumn<float>("expected");
    QTest::newRow("first launch") << QVariant() << 1.0f;
    QTest::newRow("saved") << QVariant(0.3f) << 0.3f;
    QTest::newRow("unreadable") << QVariant(u"loud"_s) << 1.0f;
}

void tst_PlayerControllerSystem::constructionReadsTheSavedVolume()
{
    QFETCH(QVariant, saved);
    QFETCH(float, expected);
    if (saved.isValid())
        QSettings().setValue(u"volume"_s, saved);
    restart();
    QCOMPARE(m_engine->volume(), expected);
    QCOMPARE(m_player->volume(), double(expected));
    QCOMPARE(m_center->volume, double(expected));
    // The value read is written back after the usual pause.
    QSettings().remove(u"volume"_s);
    m_clock.advance(400ms);
    QVERIFY(QSettings().contains(u"volume"_s));
    QCOMPARE(QSettings().value(u"volume"_s).toFloat(), expected);
}

void tst_PlayerControllerSystem::volumeIsSavedOnceAfterDraggingAndAtQuit()
{
    // The launch's own write-back of the volume it read.
    m_clock.advance(400ms);
    QCOMPARE(QSettings().value(u"volume"_s).toFloat(), 1.0f);
    // A drag: the player and the desktop follow each step, the setting gets
    // the last value once, 0.4 s after the last step.
    for (float v : {0.9f, 0.7f, 0.5f, 0.25f}) {
        m_engine->setVolume(v);
        m_clock.advance(100ms);
    }
    QCOMPARE(m_player->volume(), 0.25);
    QCOMPARE(m_center->volume, 0.25);
    m_clock.advance(299ms);
    QCOMPARE(QSettings().value(u"volume"_s).toFloat(), 1.0f);
    m_clock.advance(1ms);
    QCOMPARE(QSettings().value(u"volume"_s).toFloat(), 0.25f);

    // Quitting within the pause still saves the last value.
    m_engine->setVolume(0.6f);
    QMetaObject::invokeMethod(QCoreApplication::instance(), "aboutToQuit", Qt::DirectConnection);
    QCOMPARE(QSettings().value(u"volume"_s).toFloat(), 0.6f);
}

void tst_PlayerControllerSystem::remoteCommandsActAfterTheyAreAnswered()
{
    m_engine->play(numberedSongs(3), m_client, 0, std::nullopt);
    QVERIFY(m_engine->isPlaying());

    // A play command while playing does nothing.
    Q_EMIT m_center->playCommand();
    flush();
    QVERIFY(m_engine->isPlaying());

    Q_EMIT m_center->togglePlayPauseCommand();
    QVERIFY(m_engine->isPlaying()); // not before the handler has returned
    flush();
    QVERIFY(!m_engine->isPlaying());
    QCOMPARE(m_center->playbackState(), NowPlayingState::Paused);

    Q_EMIT m_center->playCommand();
    flush();
    QVERIFY(m_engine->isPlaying());
    Q_EMIT m_center->pauseCommand();
    flush();
    QVERIFY(!m_engine->isPlaying());

    Q_EMIT m_center->nextTrackCommand();
    flush();
    QCOMPARE(m_engine->currentIndex(), 1);
    QCOMPARE(m_center->nowPlayingInfo()->songId, u"s2"_s);
    Q_EMIT m_center->previousTrackCommand();
    flush();
    QCOMPARE(m_engine->currentIndex(), 0);

    // Commands reaching an engine that is gone do nothing.
    Q_EMIT m_center->nextTrackCommand();
    FakeNowPlayingCenter *center = m_center;
    center->setParent(nullptr);
    delete m_engine;
    m_engine = nullptr;
    flush();
    delete center;
}

void tst_PlayerControllerSystem::changePositionSeeksAndShowsIt()
{
    m_engine->play(numberedSongs(2), m_client, 0, std::nullopt);
    Q_EMIT m_center->changePlaybackPositionCommand(42.5);
    QVERIFY(m_player->seeks.isEmpty());
    flush();
    QCOMPARE(m_player->seeks, QList<double> {42.5});
    QCOMPARE(m_engine->currentTime(), 42.5);
    QCOMPARE(m_center->nowPlayingInfo()->elapsedTime, 42.5);
}

void tst_PlayerControllerSystem::sleepPausesAndWakingNeverResumes()
{
    m_engine->play(numberedSongs(2), m_client, 0, std::nullopt);
    Q_EMIT m_sleep->willSleep();
    flush();
    QVERIFY(!m_engine->isPlaying());
    QVERIFY(!m_player->isPlaying());
    QCOMPARE(m_center->playbackState(), NowPlayingState::Paused);
    Q_EMIT m_sleep->didWake();
    flush();
    QVERIFY(!m_engine->isPlaying());
    QVERIFY(!m_player->isPlaying());

    // Waking only silences the player; the engine's state is not touched.
    m_engine->togglePlayPause();
    Q_EMIT m_sleep->didWake();
    flush();
    QVERIFY(!m_player->isPlaying());
    QVERIFY(m_engine->isPlaying());
    QCOMPARE(m_center->playbackState(), NowPlayingState::Playing);
}

void tst_PlayerControllerSystem::ticksMoveThePositionShown()
{
    m_engine->play(numberedSongs(2), m_client, 0, std::nullopt);
    m_player->tick(12.5);
    flush();
    QCOMPARE(m_engine->currentTime(), 12.5);
    QCOMPARE(m_center->nowPlayingInfo()->elapsedTime, 12.5);
    QCOMPARE(m_center->nowPlayingInfo()->playbackRate, 1.0);
    m_player->tick(std::numeric_limits<double>::quiet_NaN());
    flush();
    QCOMPARE(m_engine->currentTime(), 12.5);
    QCOMPARE(m_center->nowPlayingInfo()->elapsedTime, 12.5);
}

void tst_PlayerControllerSystem::playReportsOncePerTrack()
{
    QSettings().remove(u"scrobbleEnabled"_s);
    m_engine->play({song(1, 91), song(2, 1200)}, m_client, 0, std::nullopt);
    QTRY_COMPARE(reports(), QStringList {u"s1:false"_s});
    m_player->tick(45.0);
    flush();
    m_engine->togglePlayPause();
    m_player->tick(50.0); // paused: not submitted
    flush();
    m_engine->togglePlayPause(); // no second now-playing report
    m_player->tick(45.5);
    m_player->tick(46.0);
    flush();
    QTRY_COMPARE(reports(), (QStringList {u"s1:false"_s, u"s1:true"_s}));

    m_engine->next();
    m_player->tick(239.5);
    flush();
    QTRY_COMPARE(reports().size(), 3);
    m_player->tick(240.0);
    flush();
    QTRY_COMPARE(reports(), (QStringList {u"s1:false"_s, u"s1:true"_s, u"s2:false"_s, u"s2:true"_s}));
    QTest::qWait(100);
    QCOMPARE(reports().size(), 4);
}

void tst_PlayerControllerSystem::noPlayReportsWhenSwitchedOff()
{
    QSettings().setValue(u"scrobbleEnabled"_s, false);
    m_engine->play({song(1, 91)}, m_client, 0, std::nullopt);
    m_player->tick(60);
    flush();
    QTest::qWait(100);
    QCOMPARE(reports(), QStringList {});
}

void tst_PlayerControllerSystem::sessionIsSavedAfterChangesAndAtQuit()
{
    // One second after the last change, never earlier.
    m_engine->play(numberedSongs(3), m_client, 1, PlaybackSource::album(u"al-1"_s, u"Blue"_s));
    m_engine->setRepeatMode(RepeatMode::All);
    flush();
    m_clock.advance(700ms);
    m_engine->next();
    flush();
    // The first change's second has run out: its save was dropped.
    m_clock.advance(300ms);
    QVERIFY(!QFile::exists(SessionFile::path()));
    m_clock.advance(699ms);
    QVERIFY2(!QFile::exists(SessionFile::path()), "saved before the second after the last change");
    m_clock.advance(1ms);
    QVERIFY(QFile::exists(SessionFile::path()));
    SessionSnapshot saved = savedSnapshot();
    QCOMPARE(saved.serverKey, u"alice@"_s + m_server.baseUrl().toString());
    QCOMPARE(idsOf(saved.queue), (QStringList {u"s1"_s, u"s2"_s, u"s3"_s}));
    QCOMPARE(saved.currentIndex, 2);
    QCOMPARE(saved.repeatMode, RepeatMode::All);
    QCOMPARE(saved.source, PlaybackSource::album(u"al-1"_s, u"Blue"_s));
    QVERIFY(!saved.isShuffling);
    QVERIFY(!saved.unshuffledQueue);

    // At quit the position is saved at once.
    m_player->tick(33.0);
    flush();
    QMetaObject::invokeMethod(QCoreApplication::instance(), "aboutToQuit", Qt::DirectConnection);
    QCOMPARE(savedSnapshot().currentTime, 33.0);
}

void tst_PlayerControllerSystem::restoreComesBackPausedAtThePosition()
{
    m_engine->playShuffled(numberedSongs(4), m_client, PlaybackSource::playlist(u"p1"_s, u"Mix"_s));
    const QList<Song> shuffled = m_engine->queue();
    m_engine->next();
    m_player->tick(95.5);
    flush();
    m_engine->saveSession();

    QSettings().setValue(u"scrobbleEnabled"_s, true);
    restart();
    m_engine->restoreSession(m_client);
    QCOMPARE(m_engine->queue(), shuffled);
    QCOMPARE(m_engine->currentIndex(), 1);
    QVERIFY(m_engine->isShuffling());
    QCOMPARE(m_engine->source(), PlaybackSource::playlist(u"p1"_s, u"Mix"_s));
    QVERIFY(!m_engine->isPlaying());
    QVERIFY(!m_player->isPlaying());
    QCOMPARE(m_engine->currentTime(), 95.5);
    // The seek waits for the item to be ready.
    QVERIFY(m_player->seeks.isEmpty());
    m_player->currentItem()->setStatus(QueuePlayerItem::Status::ReadyToPlay);
    flush();
    QCOMPARE(m_player->seeks, QList<double> {95.5});
    QCOMPARE(m_center->nowPlayingInfo()->songId, shuffled.at(1).id);
    QCOMPARE(m_center->playbackState(), NowPlayingState::Paused);

    // Turning shuffle off goes back to the order it was started in.
    m_engine->toggleShuffle();
    QCOMPARE(idsOf(m_engine->queue()), (QStringList {u"s1"_s, u"s2"_s, u"s3"_s, u"s4"_s}));

    // No report at restore; "now playing" at the first press of play.
    QTest::qWait(100);
    QCOMPARE(reports(), QStringList {});
    m_engine->togglePlayPause();
    QTRY_COMPARE(reports(), QStringList {shuffled.at(1).id + u":false"_s});
}

void tst_PlayerControllerSystem::restoreHappensOncePerRun()
{
    m_engine->play(numberedSongs(3), m_client, 2, std::nullopt);
    m_engine->saveSession();
    restart();

    // Something already plays: not an attempt, a later call may restore.
    m_engine->play({song(9)}, m_client, 0, std::nullopt);
    m_engine->restoreSession(m_client);
    QCOMPARE(idsOf(m_engine->queue()), QStringList {u"s9"_s});
    m_engine->stop();
    m_engine->restoreSession(m_client);
    QCOMPARE(idsOf(m_engine->queue()), (QStringList {u"s1"_s, u"s2"_s, u"s3"_s}));
    QCOMPARE(m_engine->currentIndex(), 2);

    m_engine->stop();
    m_engine->restoreSession(m_client);
    QVERIFY(m_engine->queue().isEmpty());
}

void tst_PlayerControllerSystem::restoreOfAnotherAccountDeletesTheFile_data()
{
    QTest::addColumn<QString>("username");
    QTest::addColumn<QString>("url");
    QTest::newRow("other user") << u"bob"_s << QString();
    QTest::newRow("user in capitals") << u"Alice"_s << QString();
    QTest::newRow("other server") << u"alice"_s << u"http://elsewhere.example"_s;
}

void tst_PlayerControllerSystem::restoreOfAnotherAccountDeletesTheFile()
{
    QFETCH(QString, username);
    QFETCH(QString, url);
    m_engine->play(numberedSongs(2), m_client, 0, std::nullopt);
    m_engine->saveSession();
    restart();
    const SubsonicClient other(
        ServerConfig {url.isEmpty() ? m_server.baseUrl() : QUrl(url), username, u"secret"_s}, m_session);
    m_engine->restoreSession(other);
    QVERIFY(m_engine->queue().isEmpty());
    QVERIFY(!QFile::exists(SessionFile::path()));
}

void tst_PlayerControllerSystem::damagedSessionIsIgnoredAndKept_data()
{
    QTest::addColumn<QByteArray>("mutation");
    QTest::newRow("not json") << QByteArray("garbage");
    QTest::newRow("bad repeat text") << QByteArray("repeatMode=sometimes");
    QTest::newRow("index past the end") << QByteArray("currentIndex=5");
}

void tst_PlayerControllerSystem::damagedSessionIsIgnoredAndKept()
{
    QFETCH(QByteArray, mutation);
    m_engine->play(numberedSongs(2), m_client, 0, std::nullopt);
    m_engine->saveSession();
    QJsonObject o = QJsonDocument::fromJson(*SessionFile::read()).object();
    QByteArray data;
    if (mutation == "garbage") {
        data = "{\"serverKey\":";
    } else {
        const QList<QByteArray> parts = mutation.split('=');
        if (parts.at(0) == "currentIndex")
            o.insert(u"currentIndex"_s, parts.at(1).toInt());
        else
            o.insert(QString::fromLatin1(parts.at(0)), QString::fromLatin1(parts.at(1)));
        data = QJsonDocument(o).toJson();
    }
    QVERIFY(SessionFile::write(data));

    restart();
    m_engine->restoreSession(m_client);
    QVERIFY(m_engine->queue().isEmpty());
    QCOMPARE(SessionFile::read(), data);
    // Quitting after the failed attempt leaves it too.
    m_engine->saveSession();
    QCOMPARE(SessionFile::read(), data);
}

void tst_PlayerControllerSystem::quittingWithoutPlayingKeepsTheSavedSession()
{
    m_engine->play(numberedSongs(2), m_client, 1, std::nullopt);
    m_engine->saveSession();
    const std::optional<QByteArray> saved = SessionFile::read();
    QVERIFY(saved);

    // A run that never signs in (a locked keyring) quits with nothing loaded.
    restart();
    QMetaObject::invokeMethod(QCoreApplication::instance(), "aboutToQuit", Qt::DirectConnection);
    QCOMPARE(SessionFile::read(), saved);

    restart();
    m_engine->restoreSession(m_client);
    QCOMPARE(m_engine->currentIndex(), 1);
}

void tst_PlayerControllerSystem::stoppingRemovesTheSavedSession()
{
    m_engine->play(numberedSongs(2), m_client, 0, std::nullopt);
    m_engine->saveSession();
    QVERIFY(QFile::exists(SessionFile::path()));
    m_engine->stop();
    m_clock.advance(999ms);
    QVERIFY(QFile::exists(SessionFile::path()));
    m_clock.advance(1ms);
    QVERIFY(!QFile::exists(SessionFile::path()));

    // Log Out: stop, then the file goes at once.
    m_engine->play(numberedSongs(2), m_client, 0, std::nullopt);
    m_engine->saveSession();
    m_engine->stop();
    PlayerController::clearSavedSession();
    QVERIFY(!QFile::exists(SessionFile::path()));
}

void tst_PlayerControllerSystem::restoredPastTheThresholdIsNeverSubmitted()
{
    QSettings().setValue(u"scrobbleEnabled"_s, true);
    m_engine->play({song(1, 600)}, m_client, 0, std::nullopt);
    m_player->tick(300);
    flush();
    QTRY_COMPARE(reports().size(), 2);
    m_engine->saveSession();

    restart();
    m_server.clearRequests();
    m_engine->restoreSession(m_client);
    m_engine->togglePlayPause();
    m_player->tick(301);
    m_player->tick(400);
    flush();
    QTRY_COMPARE(reports(), QStringList {u"s1:false"_s});
    QTest::qWait(100);
    QCOMPARE(reports(), QStringList {u"s1:false"_s});
}

void tst_PlayerControllerSystem::restoredPositionStaysInTheSong_data()
{
    QTest::addColumn<double>("saved");
    QTest::addColumn<bool>("recordLength"); // the song's record says 200 s, or nothing
    QTest::addColumn<double>("itemLength"); // the length the player finds; 0: none
    QTest::addColumn<double>("start"); // shown at once
    QTest::addColumn<double>("settled"); // sought, shown and saved once the song is ready
    QTest::newRow("far past the end") << 1e12 << true << 0.0 << 200.0 << 200.0;
    QTest::newRow("past the microsecond range") << 1e13 << true << 0.0 << 200.0 << 200.0;
    QTest::newRow("before the start") << -40.0 << true << 0.0 << 0.0 << 0.0;
    QTest::newRow("no length anywhere") << 95.0 << false << 0.0 << 95.0 << 95.0;
    QTest::newRow("no length in the record, a longer song") << 95.0 << false << 180.0 << 95.0 << 95.0;
    QTest::newRow("no length in the record, a shorter song") << 95.0 << false << 60.0 << 95.0 << 60.0;
}

// A hand-edited position is shown, sought, published and saved again only
// within the song; a song whose record has no length keeps its place until
// the player knows where it ends.
void tst_PlayerControllerSystem::restoredPositionStaysInTheSong()
{
    QFETCH(double, saved);
    QFETCH(bool, recordLength);
    QFETCH(double, itemLength);
    QFETCH(double, start);
    QFETCH(double, settled);
    m_engine->play(numberedSongs(2), m_client, 1, std::nullopt);
    m_engine->saveSession();
    QJsonObject o = QJsonDocument::fromJson(*SessionFile::read()).object();
    o.insert(u"currentTime"_s, saved);
    if (!recordLength) {
        QJsonArray queue = o.value(u"queue"_s).toArray();
        QJsonObject current = queue.at(1).toObject();
        current.remove(u"duration"_s);
        queue.replace(1, current);
        o.insert(u"queue"_s, queue);
    }
    QVERIFY(SessionFile::write(QJsonDocument(o).toJson()));

    restart();
    m_engine->restoreSession(m_client);
    QCOMPARE(m_engine->currentIndex(), 1);
    QCOMPARE(m_engine->queue().at(1).duration.has_value(), recordLength);
    QCOMPARE(m_engine->currentTime(), start);
    QCOMPARE(m_center->nowPlayingInfo()->elapsedTime, start);
    if (itemLength > 0)
        m_player->currentItem()->setDuration(itemLength);
    m_player->currentItem()->setStatus(QueuePlayerItem::Status::ReadyToPlay);
    flush();
    QCOMPARE(m_player->seeks, settled > 0 ? QList<double> {settled} : QList<double> {});
    QCOMPARE(m_engine->currentTime(), settled);
    m_engine->saveSession();
    QCOMPARE(savedSnapshot().currentTime, settled);
}

QTEST_GUILESS_MAIN(tst_PlayerControllerSystem)
#include "tst_PlayerControllerSystem.moc"
