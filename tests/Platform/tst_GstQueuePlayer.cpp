// LIRNA_TEST_RUNS_ALONE: real-time playback on fakesink sync=true; other
// tests' load would stretch its clocks.
#include <QFile>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gst/gst.h>

#include <atomic>
#include <cmath>
#include <cstddef>
#include <new>

#include "Helpers/TestHttpServer.h"
#include "Helpers/Tone.h"
#include "Platform/GstQueuePlayer.h"
#include "Platform/GstStartGate.h"

// The GStreamer player with real decoding into a clock-synchronised fakesink:
// short generated tones, from files and from a loopback HTTP server.
class tst_GstQueuePlayer : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void playsToTheEndOfTheLastItem_data();
    void playsToTheEndOfTheLastItem();
    void switchesGaplesslyToTheQueuedItem();
    void followsAQueueChangedDuringPlayback();
    void chainsItemsQueuedAfterEachSwitch_data();
    void chainsItemsQueuedAfterEachSwitch();
    void replacementAtADroppedItemsAddressIsNotTakenForIt_data();
    void replacementAtADroppedItemsAddressIsNotTakenForIt();
    void seeksAccuratelyWhilePaused_data();
    void seeksAccuratelyWhilePaused();
    void advanceMovesOnWithoutAnEndReport();
    void appliesWhatWasAskedBeforeItsStart_data();
    void appliesWhatWasAskedBeforeItsStart();
    void unplayableItemFails_data();
    void unplayableItemFails();
    void failingNextItemLeavesTheCurrentOnePlaying();
    void clampsVolume();
    void switchesOutputWithoutStopping();
    void releasesTheElementsOfPlayedItems();

private:
    QString tone(const QString &name, double seconds, int frequency);
    QUrl served(const QString &file, bool ranges);
    // Without a length or ranges, ending where the connection closes.
    QUrl streamed(const QString &oggFile);
    static QueuePlayerItemPtr item(const QUrl &url) { return std::make_shared<QueuePlayerItem>(url); }

    QTemporaryDir m_dir;
    TestHttpServer m_server;
};

QString tst_GstQueuePlayer::tone(const QString &name, double seconds, int frequency)
{
    return writeTone(m_dir.filePath(name), seconds, frequency);
}

QUrl tst_GstQueuePlayer::served(const QString &file, bool ranges)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        qFatal("cannot read the tone");
    TestHttpServer::Response response;
    response.body = f.readAll();
    response.contentType = "audio/x-wav";
    response.supportRanges = ranges;
    const QByteArray path = "/rest/stream/" + QFileInfo(file).fileName().toUtf8();
    m_server.setResponse(path, response);
    return QUrl(m_server.baseUrl().toString() + QString::fromUtf8(path));
}

QUrl tst_GstQueuePlayer::streamed(const QString &oggFile)
{
    QFile f(oggFile);
    if (!f.open(QIODevice::ReadOnly))
        qFatal("cannot read the tone");
    TestHttpServer::Response response;
    response.rawBody = true;
    response.body = "HTTP/1.1 200 OK\r\nContent-Type: audio/ogg\r\nConnection: close\r\n\r\n" + f.readAll();
    const QByteArray path = "/rest/stream/" + QFileInfo(oggFile).fileName().toUtf8();
    m_server.setResponse(path, response);
    return QUrl(m_server.baseUrl().toString() + QString::fromUtf8(path));
}

void tst_GstQueuePlayer::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(m_server.listen());
}

void tst_GstQueuePlayer::playsToTheEndOfTheLastItem_data()
{
    QTest::addColumn<bool>("http");
    QTest::newRow("file") << false;
    QTest::newRow("http") << true;
}

void tst_GstQueuePlayer::playsToTheEndOfTheLastItem()
{
    QFETCH(bool, http);
    const QString file = tone(QStringLiteral("one.wav"), 1, 440);
    const QUrl url = http ? served(file, true) : QUrl::fromLocalFile(file);

    GstQueuePlayer player(QStringLiteral("fakesink sync=true"));
    QSignalSpy ticks(&player, &QueuePlayer::periodicTime);
    QSignalSpy ended(&player, &QueuePlayer::itemDidPlayToEnd);
    const QueuePlayerItemPtr a = item(url);
    QVERIFY(player.canInsert(a, {}));
    player.insert(a, {});
    QCOMPARE(player.currentItem(), a);
    QTRY_COMPARE(a->status(), QueuePlayerItem::Status::ReadyToPlay);
    QVERIFY(std::abs(a->duration() - 1.0) < 0.05);

    player.play();
    QVERIFY(ended.wait(20000));
    QCOMPARE(ended.count(), 1);
    QCOMPARE(ended.first().first().value<QueuePlayerItemPtr>(), a);
    QVERIFY(player.items().isEmpty());
    QVERIFY(!ticks.isEmpty());
    for (const QList<QVariant> &tick : ticks)
        QVERIFY(tick.first().toDouble() >= 0 && tick.first().toDouble() <= 1.05);
    QTest::qWait(300);
    QCOMPARE(ended.count(), 1);
}

void tst_GstQueuePlayer::switchesGaplesslyToTheQueuedItem()
{
    GstQueuePlayer player(QStringLiteral("fakesink sync=true"));
    const QueuePlayerItemPtr a = item(QUrl::fromLocalFile(tone(QStringLiteral("one.wav"), 1, 440)));
    const QueuePlayerItemPtr b = item(served(tone(QStringLiteral("two.wav"), 1, 660), true));
    player.insert(a, {});
    QVERIFY(player.canInsert(b, a));
    player.insert(b, a);
    QVERIFY(!player.canInsert(item(QUrl::fromLocalFile(m_dir.filePath(QStringLiteral("x.wav")))), b));
    QCOMPARE(player.items(), (QList<QueuePlayerItemPtr> {a, b}));

    // What the player holds at the moment an end is reported.
    QList<QueuePlayerItemPtr> currentAtEnd;
    connect(&player, &QueuePlayer::itemDidPlayToEnd, this,
        [&](const QueuePlayerItemPtr &) { currentAtEnd.append(player.currentItem()); });
    QSignalSpy ended(&player, &QueuePlayer::itemDidPlayToEnd);
    QSignalSpy ticks(&player, &QueuePlayer::periodicTime);
    QElapsedTimer clock;
    clock.start();
    player.play();

    QVERIFY(ended.wait(20000));
    QCOMPARE(ended.last().first().value<QueuePlayerItemPtr>(), a);
    QCOMPARE(currentAtEnd, (QList<QueuePlayerItemPtr> {b}));
    QCOMPARE(b->status(), QueuePlayerItem::Status::ReadyToPlay);
    ticks.clear();
    QTRY_VERIFY_WITH_TIMEOUT(ended.count() == 2, 20000);
    QCOMPARE(ended.last().first().value<QueuePlayerItemPtr>(), b);
    QCOMPARE(currentAtEnd.last(), QueuePlayerItemPtr {});
    // The position restarted with the second item, and the two seconds of
    // audio took about two seconds.
    QVERIFY(!ticks.isEmpty());
    QVERIFY(ticks.first().first().toDouble() < 0.9);
    QVERIFY(clock.elapsed() >= 1900);
    QVERIFY(clock.elapsed() < 3500);
}

void tst_GstQueuePlayer::followsAQueueChangedDuringPlayback()
{
    GstQueuePlayer player(QStringLiteral("fakesink sync=true"));
    const QueuePlayerItemPtr a = item(QUrl::fromLocalFile(tone(QStringLiteral("one.wav"), 1, 440)));
    const QueuePlayerItemPtr b = item(QUrl::fromLocalFile(tone(QStringLiteral("two.wav"), 1, 660)));
    const QueuePlayerItemPtr c = item(QUrl::fromLocalFile(tone(QStringLiteral("three.wav"), 1, 880)));
    player.insert(a, {});
    player.insert(b, a);
    QSignalSpy ended(&player, &QueuePlayer::itemDidPlayToEnd);
    // Well into the first item the playbin has usually taken the next URI
    // already; the player must still follow the change.
    bool changed = false;
    auto change = connect(&player, &QueuePlayer::periodicTime, this, [&](double seconds) {
        if (changed || seconds < 0.3 || player.currentItem() != a)
            return;
        changed = true;
        player.remove(b);
        QCOMPARE(player.items(), (QList<QueuePlayerItemPtr> {a}));
        player.insert(c, a);
    });
    player.play();
    QVERIFY(ended.wait(20000));
    QVERIFY(changed);
    QCOMPARE(ended.last().first().value<QueuePlayerItemPtr>(), a);
    QCOMPARE(player.currentItem(), c);
    QTRY_COMPARE_WITH_TIMEOUT(ended.count(), 2, 20000);
    QCOMPARE(ended.last().first().value<QueuePlayerItemPtr>(), c);
    QCOMPARE(b->status(), QueuePlayerItem::Status::Unknown);

    // And when the queued item is dropped late, the current one is the last.
    const QueuePlayerItemPtr d = item(QUrl::fromLocalFile(tone(QStringLiteral("one.wav"), 1, 440)));
    const QueuePlayerItemPtr e = item(QUrl::fromLocalFile(tone(QStringLiteral("two.wav"), 1, 660)));
    disconnect(change);
    changed = false;
    connect(&player, &QueuePlayer::periodicTime, this, [&](double seconds) {
        if (changed || seconds < 0.3 || player.currentItem() != d)
            return;
        changed = true;
        player.remove(e);
    });
    player.insert(d, {});
    player.insert(e, d);
    QTRY_COMPARE_WITH_TIMEOUT(ended.count(), 3, 20000);
    QVERIFY(changed);
    QCOMPARE(ended.last().first().value<QueuePlayerItemPtr>(), d);
    QVERIFY(player.items().isEmpty());
}

void tst_GstQueuePlayer::chainsItemsQueuedAfterEachSwitch_data()
{
    QTest::addColumn<bool>("lengthUntold");
    QTest::newRow("wave files") << false;
    // Streamed without a length and without ranges, as a transcoding server
    // sends it: only playing it to its end tells how long it was.
    QTest::newRow("first streamed without a length") << true;
}

void tst_GstQueuePlayer::chainsItemsQueuedAfterEachSwitch()
{
    // Each next item is queued only once its predecessor became current, as
    // the engine does; the playbin asks for it while the current one plays.
    QFETCH(bool, lengthUntold);
    GstQueuePlayer player(QStringLiteral("fakesink sync=true"));
    const QList<QueuePlayerItemPtr> chain {
        item(lengthUntold ? streamed(tone(QStringLiteral("short.ogg"), 0.5, 440))
                          : QUrl::fromLocalFile(tone(QStringLiteral("short.wav"), 0.5, 440))),
        item(served(tone(QStringLiteral("middle.wav"), 2, 550), true)),
        item(QUrl::fromLocalFile(tone(QStringLiteral("short2.wav"), 0.5, 660)))};
    QList<QueuePlayerItemPtr> endedItems;
    connect(&player, &QueuePlayer::itemDidPlayToEnd, this, [&](const QueuePlayerItemPtr &ended) {
        endedItems.append(ended);
        const qsizetype next = chain.indexOf(ended) + 2;
        if (next < chain.size())
            player.insert(chain.at(next), player.currentItem());
    });
    player.insert(chain[0], {});
    player.insert(chain[1], chain[0]);
    QElapsedTimer clock;
    clock.start();
    player.play();
    QTRY_COMPARE_WITH_TIMEOUT(endedItems.size(), 3, 20000);
    QCOMPARE(endedItems, chain);
    QVERIFY(player.items().isEmpty());
    // Each item has its own length, also after a switch without a fresh load.
    QVERIFY2(std::abs(chain[0]->duration() - 0.5) < 0.05, qPrintable(QString::number(chain[0]->duration())));
    QVERIFY2(std::abs(chain[1]->duration() - 2.0) < 0.05, qPrintable(QString::number(chain[1]->duration())));
    QVERIFY2(std::abs(chain[2]->duration() - 0.5) < 0.05, qPrintable(QString::number(chain[2]->duration())));
    QVERIFY(clock.elapsed() < 4000);
}

void tst_GstQueuePlayer::replacementAtADroppedItemsAddressIsNotTakenForIt_data()
{
    QTest::addColumn<bool>("http");
    QTest::newRow("file") << false;
    QTest::newRow("http") << true;
}

void tst_GstQueuePlayer::replacementAtADroppedItemsAddressIsNotTakenForIt()
{
    // The queued item is dropped after the playbin took its URI, and its
    // replacement is built in the very same storage.
    QFETCH(bool, http);
    alignas(QueuePlayerItem) static std::byte slot[sizeof(QueuePlayerItem)];
    const auto inSlot = [](const QUrl &url) {
        return QueuePlayerItemPtr(
            new (slot) QueuePlayerItem(url), [](QueuePlayerItem *i) { i->~QueuePlayerItem(); });
    };
    const QString first = tone(QStringLiteral("one.wav"), 1, 440);
    GstQueuePlayer player(QStringLiteral("fakesink sync=true"));
    const QueuePlayerItemPtr a = item(http ? served(first, true) : QUrl::fromLocalFile(first));
    QueuePlayerItemPtr dropped = inSlot(QUrl::fromLocalFile(tone(QStringLiteral("long.wav"), 2, 330)));
    QueuePlayerItemPtr replacement;
    player.insert(a, {});
    player.insert(dropped, a);
    connect(&player, &QueuePlayer::periodicTime, this, [&](double seconds) {
        if (replacement || seconds < 0.3 || player.currentItem() != a)
            return;
        player.remove(dropped);
        dropped.reset();
        replacement = inSlot(QUrl::fromLocalFile(tone(QStringLiteral("three.wav"), 1, 880)));
        player.insert(replacement, a);
    });
    QSignalSpy ended(&player, &QueuePlayer::itemDidPlayToEnd);
    player.play();
    QVERIFY(ended.wait(20000));
    QVERIFY(replacement);
    QCOMPARE(static_cast<void *>(replacement.get()), static_cast<void *>(slot));
    QCOMPARE(player.currentItem(), replacement);
    QElapsedTimer clock;
    clock.start();
    QTRY_COMPARE_WITH_TIMEOUT(ended.count(), 2, 20000);
    QCOMPARE(ended.last().first().value<QueuePlayerItemPtr>(), replacement);
    // Its own one second was played, not the two of the dropped file.
    QVERIFY2(
        std::abs(replacement->duration() - 1.0) < 0.05, qPrintable(QString::number(replacement->duration())));
    QVERIFY2(clock.elapsed() < 1700, qPrintable(QString::number(clock.elapsed())));
}

void tst_GstQueuePlayer::seeksAccuratelyWhilePaused_data()
{
    QTest::addColumn<bool>("http");
    QTest::addColumn<bool>("beforeReady");
    QTest::addColumn<double>("target");
    QTest::addColumn<double>("expected");
    QTest::newRow("file") << false << false << 1.25 << 1.25;
    QTest::newRow("file, before ready") << false << true << 1.25 << 1.25;
    QTest::newRow("http") << true << false << 1.25 << 1.25;
    // A saved session's or a server's time far past the end: to the end.
    QTest::newRow("far past the end") << false << false << 1e300 << 2.0;
    QTest::newRow("far past the end, before ready") << false << true << 1e300 << 2.0;
}

void tst_GstQueuePlayer::seeksAccuratelyWhilePaused()
{
    QFETCH(bool, http);
    QFETCH(bool, beforeReady);
    QFETCH(double, target);
    QFETCH(double, expected);
    const QString file = tone(QStringLiteral("long.wav"), 2, 330);
    GstQueuePlayer player(QStringLiteral("fakesink sync=true"));
    const QueuePlayerItemPtr a = item(http ? served(file, true) : QUrl::fromLocalFile(file));
    player.insert(a, {});
    if (!beforeReady)
        QTRY_COMPARE(a->status(), QueuePlayerItem::Status::ReadyToPlay);
    player.seek(target);
    QTRY_COMPARE(a->status(), QueuePlayerItem::Status::ReadyToPlay);
    QTRY_VERIFY2(
        std::abs(player.currentTime() - expected) < 0.005, qPrintable(QString::number(player.currentTime())));
    QTest::qWait(300);
    QVERIFY(std::abs(player.currentTime() - expected) < 0.005); // paused: it stays

    QSignalSpy ended(&player, &QueuePlayer::itemDidPlayToEnd);
    QElapsedTimer clock;
    clock.start();
    player.play();
    QVERIFY(ended.wait(20000));
    QVERIFY(clock.elapsed() < 1500); // only the rest after the seek was played
}

void tst_GstQueuePlayer::advanceMovesOnWithoutAnEndReport()
{
    GstQueuePlayer player(QStringLiteral("fakesink sync=true"));
    const QueuePlayerItemPtr a = item(QUrl::fromLocalFile(tone(QStringLiteral("long.wav"), 2, 330)));
    const QueuePlayerItemPtr b = item(QUrl::fromLocalFile(tone(QStringLiteral("one.wav"), 1, 440)));
    player.insert(a, {});
    player.insert(b, a);
    QSignalSpy ended(&player, &QueuePlayer::itemDidPlayToEnd);
    player.play();
    QTRY_COMPARE(a->status(), QueuePlayerItem::Status::ReadyToPlay);
    player.advanceToNextItem();
    QCOMPARE(player.items(), (QList<QueuePlayerItemPtr> {b}));
    QVERIFY(ended.wait(20000));
    QCOMPARE(ended.count(), 1);
    QCOMPARE(ended.first().first().value<QueuePlayerItemPtr>(), b);

    player.insert(a, {});
    player.removeAllItems();
    QVERIFY(player.items().isEmpty());
    QVERIFY(std::isnan(player.currentTime()));
}

void tst_GstQueuePlayer::appliesWhatWasAskedBeforeItsStart_data()
{
    QTest::addColumn<bool>("playAtOnce");
    QTest::addColumn<bool>("startLater"); // made with Start::Later, started by hand
    QTest::newRow("restored paused, played later") << false << false;
    QTest::newRow("played at once") << true << false;
    QTest::newRow("started later, played at once") << true << true;
    QTest::newRow("started later, restored paused") << false << true;
}

void tst_GstQueuePlayer::appliesWhatWasAskedBeforeItsStart()
{
    // GStreamer starts on a worker thread and its playbin reaches the player
    // through the event loop, which has not run yet when these calls are made.
    QFETCH(bool, playAtOnce);
    QFETCH(bool, startLater);
    GstQueuePlayer player(QStringLiteral("fakesink sync=true"),
        startLater ? GstQueuePlayer::Start::Later : GstQueuePlayer::Start::Now);
    QSignalSpy ended(&player, &QueuePlayer::itemDidPlayToEnd);
    QSignalSpy ticks(&player, &QueuePlayer::periodicTime);
    // An output chosen from the menu that early is the one it plays into.
    GstElement *chosenSink = nullptr;
    const auto releaseSink = qScopeGuard([&chosenSink] {
        if (chosenSink)
            gst_object_unref(chosenSink);
    });
    player.setAudioOutput({QStringLiteral("chosen"), QStringLiteral("Chosen"), [&chosenSink] {
                               GstElement *sink = gst_parse_launch("fakesink sync=true", nullptr);
                               chosenSink = GST_ELEMENT(gst_object_ref(sink));
                               return sink;
                           }});
    const QueuePlayerItemPtr a = item(QUrl::fromLocalFile(tone(QStringLiteral("long.wav"), 2, 330)));
    player.insert(a, {});
    player.seek(1.25);
    if (playAtOnce)
        player.play();
    if (startLater) {
        // Nothing loads before the start, and nothing else starts GStreamer
        // (GstStartGate) until the playbin is made.
        QTest::qWait(300);
        QVERIFY(a->status() != QueuePlayerItem::Status::ReadyToPlay);
        QVERIFY(ticks.isEmpty());
        QVERIFY(!GstStartGate::isOpen());
        player.start();
        player.start();
        {
            // One that never starts goes quietly, and lets go of the gate.
            GstQueuePlayer neverStarted(QStringLiteral("fakesink sync=true"), GstQueuePlayer::Start::Later);
            neverStarted.insert(item(QUrl::fromLocalFile(tone(QStringLiteral("long.wav"), 2, 330))), {});
            neverStarted.play();
        }
        QTRY_VERIFY_WITH_TIMEOUT(GstStartGate::isOpen(), 10000);
    }
    if (!playAtOnce) {
        QTRY_COMPARE_WITH_TIMEOUT(a->status(), QueuePlayerItem::Status::ReadyToPlay, 10000);
        QTRY_VERIFY(std::abs(player.currentTime() - 1.25) < 0.005);
        QVERIFY(!player.isPlaying());
        player.play();
    }
    QVERIFY(ended.wait(20000));
    QCOMPARE(ended.first().first().value<QueuePlayerItemPtr>(), a);
    // Played on from the seek, never from the start.
    QVERIFY(!ticks.isEmpty());
    for (const QList<QVariant> &tick : ticks)
        QVERIFY2(tick.first().toDouble() >= 1.2, qPrintable(QString::number(tick.first().toDouble())));
    QCOMPARE(player.audioOutput().id, QStringLiteral("chosen"));
    QVERIFY(chosenSink);
    QVERIFY(GST_OBJECT_PARENT(chosenSink)); // inside the playbin
}

void tst_GstQueuePlayer::unplayableItemFails_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("missing file") << QStringLiteral("file");
    QTest::newRow("404 stream") << QStringLiteral("404");
    QTest::newRow("not audio") << QStringLiteral("garbage");
}

void tst_GstQueuePlayer::unplayableItemFails()
{
    QFETCH(QString, kind);
    QUrl url;
    if (kind == QLatin1String("file")) {
        url = QUrl::fromLocalFile(m_dir.filePath(QStringLiteral("absent.wav")));
    } else if (kind == QLatin1String("404")) {
        m_server.setResponse("/rest/stream/gone", TestHttpServer::json("{}", 404));
        url = QUrl(m_server.baseUrl().toString() + QStringLiteral("/rest/stream/gone"));
    } else {
        QFile f(m_dir.filePath(QStringLiteral("garbage.wav")));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(4096, 'x'));
        f.close();
        url = QUrl::fromLocalFile(f.fileName());
    }
    GstQueuePlayer player(QStringLiteral("fakesink sync=true"));
    QSignalSpy ended(&player, &QueuePlayer::itemDidPlayToEnd);
    QSignalSpy ticks(&player, &QueuePlayer::periodicTime);
    const QueuePlayerItemPtr a = item(url);
    player.insert(a, {});
    player.play();
    QTRY_COMPARE(a->status(), QueuePlayerItem::Status::Failed);
    QTest::qWait(300);
    QVERIFY(ended.isEmpty());
    QVERIFY(ticks.isEmpty());
    QCOMPARE(player.currentItem(), a);
}

void tst_GstQueuePlayer::failingNextItemLeavesTheCurrentOnePlaying()
{
    m_server.setResponse("/rest/stream/gone", TestHttpServer::json("{}", 404));
    GstQueuePlayer player(QStringLiteral("fakesink sync=true"));
    const QueuePlayerItemPtr a = item(QUrl::fromLocalFile(tone(QStringLiteral("long.wav"), 2, 330)));
    const QueuePlayerItemPtr b
        = item(QUrl(m_server.baseUrl().toString() + QStringLiteral("/rest/stream/gone")));
    player.insert(a, {});
    player.insert(b, a);
    QSignalSpy ended(&player, &QueuePlayer::itemDidPlayToEnd);
    QElapsedTimer clock;
    clock.start();
    player.play();
    QTRY_COMPARE(b->status(), QueuePlayerItem::Status::Failed);
    QCOMPARE(a->status(), QueuePlayerItem::Status::ReadyToPlay);
    QVERIFY(ended.wait(20000));
    QCOMPARE(ended.first().first().value<QueuePlayerItemPtr>(), a);
    QVERIFY(clock.elapsed() >= 1800); // played to its real end
    QCOMPARE(player.items(), QList<QueuePlayerItemPtr> {b});
    QTest::qWait(300);
    QCOMPARE(ended.count(), 1);
    QCOMPARE(b->status(), QueuePlayerItem::Status::Failed);
}

void tst_GstQueuePlayer::clampsVolume()
{
    GstQueuePlayer player;
    player.setVolume(0.4);
    QCOMPARE(player.volume(), 0.4);
    player.setVolume(3);
    QCOMPARE(player.volume(), 1.0);
    player.setVolume(-1);
    QCOMPARE(player.volume(), 0.0);
}

void tst_GstQueuePlayer::switchesOutputWithoutStopping()
{
    const QString file = tone(QStringLiteral("switch.wav"), 2, 500);
    GstQueuePlayer player(QStringLiteral("fakesink sync=true"));
    QSignalSpy ended(&player, &QueuePlayer::itemDidPlayToEnd);
    const QueuePlayerItemPtr a = item(QUrl::fromLocalFile(file));
    player.insert(a, {});
    player.play();
    QTRY_VERIFY(player.currentTime() > 0.8);

    int sinksMade = 0;
    AudioOutput other {QStringLiteral("other"), QStringLiteral("Other"), [&sinksMade] {
                           ++sinksMade;
                           return gst_parse_launch("fakesink sync=true", nullptr);
                       }};
    const double before = player.currentTime();
    player.setAudioOutput(other);
    player.setAudioOutput(other); // already there
    QCOMPARE(sinksMade, 1);
    QCOMPARE(player.audioOutput().id, QStringLiteral("other"));
    // The song goes on from where it was, still playing.
    QTest::qWait(300);
    QCOMPARE(a->status(), QueuePlayerItem::Status::ReadyToPlay);
    QVERIFY(player.isPlaying());
    QVERIFY2(player.currentTime() >= before, qPrintable(QString::number(player.currentTime())));

    player.setAudioOutput({});
    QVERIFY(player.audioOutput().isSystemDefault());
    QVERIFY(ended.wait(20000));
    QCOMPARE(ended.count(), 1);
    QCOMPARE(ended.first().first().value<QueuePlayerItemPtr>(), a);
}

namespace {

// Sources of items still alive, of those watched.
std::atomic<int> liveSources = 0;

void watchSource(GstElement *, GstElement *source, gpointer made)
{
    ++*static_cast<int *>(made);
    ++liveSources;
    g_object_weak_ref(
        G_OBJECT(source), [](gpointer, GObject *) { --liveSources; }, nullptr);
}

} // namespace

void tst_GstQueuePlayer::releasesTheElementsOfPlayedItems()
{
    // Every bus message holds the element that posted it: one kept would keep
    // each item's source and decoders alive long after the item.
    int made = 0;
    {
        GstQueuePlayer player(QStringLiteral("fakesink sync=true"));
        GstElement *sink = nullptr;
        player.setAudioOutput({QStringLiteral("probe"), QStringLiteral("Probe"), [&sink] {
                                   sink = gst_parse_launch("fakesink sync=true", nullptr);
                                   return sink;
                               }});
        const QList<QueuePlayerItemPtr> chain {
            item(QUrl::fromLocalFile(tone(QStringLiteral("short.wav"), 0.5, 440))),
            item(served(tone(QStringLiteral("short3.wav"), 0.5, 550), true)),
            item(QUrl::fromLocalFile(tone(QStringLiteral("short2.wav"), 0.5, 660)))};
        player.insert(chain[0], {});
        QTRY_COMPARE(chain[0]->status(), QueuePlayerItem::Status::ReadyToPlay);
        // The playbin, above the sink: from here on it tells of the source it
        // makes for each item that follows.
        QVERIFY(sink);
        auto *top = static_cast<GstObject *>(gst_object_ref(sink));
        while (GstObject *parent = gst_object_get_parent(top)) {
            gst_object_unref(top);
            top = parent;
        }
        g_signal_connect(top, "source-setup", G_CALLBACK(&watchSource), &made);
        gst_object_unref(top);

        // A gapless switch to the second item, then a fresh load of the third.
        QSignalSpy ended(&player, &QueuePlayer::itemDidPlayToEnd);
        player.insert(chain[1], chain[0]);
        player.play();
        QTRY_COMPARE_WITH_TIMEOUT(ended.count(), 2, 20000);
        player.insert(chain[2], {});
        QTRY_COMPARE(chain[2]->status(), QueuePlayerItem::Status::ReadyToPlay);
        // Only the playing item's own source is left.
        QCOMPARE(liveSources.load(), 1);
        QTRY_COMPARE_WITH_TIMEOUT(ended.count(), 3, 20000);
    }
    QCOMPARE(made, 2);
    QCOMPARE(liveSources.load(), 0);
}

QTEST_GUILESS_MAIN(tst_GstQueuePlayer)
#include "tst_GstQueuePlayer.moc"
