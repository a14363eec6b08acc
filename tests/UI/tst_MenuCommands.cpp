#include <QNetworkAccessManager>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "App/AppState.h"
#include "Helpers/FakeQueuePlayer.h"
#include "Helpers/NumberedSongs.h"
#include "MenuCommands.h"
#include "Networking/UrlSession.h"
#include "Playback/PlayerController.h"
#include "Updates/UpdaterModel.h"

using namespace Qt::StringLiterals;

// The menu bar's titles and enabled states, from the session, the engine and
// the updater.
class tst_MenuCommands : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void signedOut();
    void queuePositions_data();
    void queuePositions();
    void playPauseTitleFollowsTheEngine();
    void newPlaylistFollowsThePublishedAction();
    void checkForUpdatesFollowsTheUpdater();

private:
    QTemporaryDir m_home;
    QNetworkAccessManager *m_manager = nullptr;
    UrlSession *m_session = nullptr;
    SubsonicClient m_client;
    AppState *m_appState = nullptr;
    FakeQueuePlayer *m_player = nullptr;
    PlayerController *m_engine = nullptr;
    UpdaterModel *m_updater = nullptr;
    MenuCommands *m_commands = nullptr;
};

void tst_MenuCommands::initTestCase()
{
    QVERIFY(m_home.isValid());
    qputenv("HOME", m_home.path().toUtf8());
    QStandardPaths::setTestModeEnabled(true);
    m_manager = new QNetworkAccessManager(this);
    m_session = new UrlSession(m_manager);
    m_client
        = SubsonicClient(ServerConfig {QUrl(u"http://127.0.0.1:9"_s), u"alice"_s, u"secret"_s}, m_session);
}

void tst_MenuCommands::init()
{
    m_appState = new AppState(this);
    m_player = new FakeQueuePlayer;
    m_engine = new PlayerController(m_player, this);
    m_updater = new UpdaterModel(QUrl(), u"1.0"_s, m_session, this);
    m_commands = new MenuCommands(m_appState, m_engine, m_updater, this);
}

void tst_MenuCommands::cleanup()
{
    delete m_commands;
    delete m_updater;
    delete m_engine;
    delete m_appState;
}

void tst_MenuCommands::signedOut()
{
    QVERIFY(!m_commands->newPlaylistEnabled());
    QVERIFY(!m_commands->refreshEnabled());
    QCOMPARE(m_commands->playPauseText(), u"Play"_s);
    QVERIFY(!m_commands->playPauseEnabled());
    QVERIFY(!m_commands->nextEnabled());
    QVERIFY(!m_commands->previousEnabled());

    QSignalSpy spy(m_commands, &MenuCommands::stateChanged);
    m_appState->setClient(m_client);
    QVERIFY(!spy.isEmpty());
    QVERIFY(m_commands->refreshEnabled());
    const int epoch = m_appState->library()->epoch();
    m_commands->refresh();
    QCOMPARE(m_appState->library()->epoch(), epoch + 1);
}

void tst_MenuCommands::queuePositions_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("current");
    QTest::addColumn<bool>("next");
    QTest::addColumn<bool>("previous");
    QTest::newRow("empty queue") << 0 << -1 << false << false;
    QTest::newRow("second of three") << 3 << 1 << true << true;
    QTest::newRow("third of three") << 3 << 2 << false << true;
    QTest::newRow("first of three") << 3 << 0 << true << true;
}

void tst_MenuCommands::queuePositions()
{
    QFETCH(int, count);
    QFETCH(int, current);
    QFETCH(bool, next);
    QFETCH(bool, previous);
    if (count > 0)
        m_engine->play(numberedSongs(count), m_client, current, std::nullopt);
    // Repeat all changes nothing: the menu never offers the wrap.
    m_engine->setRepeatMode(RepeatMode::All);
    QCOMPARE(m_commands->nextEnabled(), next);
    QCOMPARE(m_commands->previousEnabled(), previous);
    QCOMPARE(m_commands->playPauseEnabled(), count > 0);
}

void tst_MenuCommands::playPauseTitleFollowsTheEngine()
{
    m_engine->play(numberedSongs(3), m_client, 0, std::nullopt);
    QTRY_VERIFY(m_engine->isPlaying());
    QCOMPARE(m_commands->playPauseText(), u"Pause"_s);
    QSignalSpy spy(m_commands, &MenuCommands::stateChanged);
    m_engine->togglePlayPause(); // as the space bar or a media key would
    QVERIFY(!spy.isEmpty());
    QCOMPARE(m_commands->playPauseText(), u"Play"_s);
    m_commands->playPause();
    QVERIFY(m_engine->isPlaying());
    m_commands->next();
    QVERIFY(m_engine->currentIndex() == 1);
}

void tst_MenuCommands::newPlaylistFollowsThePublishedAction()
{
    auto *action = new NewPlaylistAction;
    QSignalSpy triggered(action, &NewPlaylistAction::triggered);
    m_commands->newPlaylist();
    m_commands->setNewPlaylistAction(action);
    QVERIFY(m_commands->newPlaylistEnabled());
    m_commands->newPlaylist();
    QCOMPARE(triggered.size(), 1);

    // The window withdrawing its action (settings in front), or going away.
    m_commands->setNewPlaylistAction(nullptr);
    QVERIFY(!m_commands->newPlaylistEnabled());
    m_commands->setNewPlaylistAction(action);
    delete action;
    QVERIFY(!m_commands->newPlaylistEnabled());
    m_commands->newPlaylist();
}

void tst_MenuCommands::checkForUpdatesFollowsTheUpdater()
{
    QVERIFY(!m_commands->checkForUpdatesEnabled());
    UpdaterModel withFeed(QUrl(u"http://127.0.0.1:9/appcast.xml"_s), u"1.0"_s, m_session);
    MenuCommands commands(m_appState, m_engine, &withFeed);
    QVERIFY(commands.checkForUpdatesEnabled());
}

QTEST_MAIN(tst_MenuCommands)
#include "tst_MenuCommands.moc"
