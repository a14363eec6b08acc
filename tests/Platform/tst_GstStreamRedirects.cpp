// LIRNA_TEST_RUNS_ALONE: real-time playback on fakesink sync=true; other
// tests' load would stretch its clocks.
#include <QElapsedTimer>
#include <QMutex>
#include <QScopeGuard>
#include <QSet>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrlQuery>

// GIO names a field "signals", which Qt defines as a keyword.
#pragma push_macro("signals")
#undef signals
#include <gio/gio.h>
#pragma pop_macro("signals")
#include <gst/gst.h>

#include <algorithm>
#include <cmath>
#include <optional>

#include "Helpers/TestHttpServer.h"
#include "Helpers/TlsRelay.h"
#include "Helpers/Tone.h"
#include "Networking/SubsonicClient.h"
#include "Networking/UrlSession.h"
#include "Platform/GstQueuePlayer.h"

using namespace Qt::StringLiterals;

namespace {

// What every playbin of the process does when it makes a source: it trusts
// the relay's certificate, and the source's kind is noted. On GStreamer's
// threads.
QMutex sourcesLock;
QByteArray trustedCaFile;
GTlsDatabase *trusted = nullptr;
QStringList sourcesMade;
// The address of every source that started, in order.
QByteArrayList sourceStarts;

gboolean trustRelay(GSignalInvocationHint *, guint, const GValue *values, gpointer)
{
    auto *source = static_cast<GstElement *>(g_value_get_object(&values[1]));
    QMutexLocker lock(&sourcesLock);
    GObjectClass *kind = G_OBJECT_GET_CLASS(source);
    // With libsoup 3 the HTTP source reads only a database, not a file.
    if (g_object_class_find_property(kind, "tls-database"))
        g_object_set(source, "tls-database", trusted, nullptr);
    else if (g_object_class_find_property(kind, "ssl-ca-file"))
        g_object_set(source, "ssl-ca-file", trustedCaFile.constData(), nullptr);
    sourcesMade.append(QString::fromUtf8(GST_OBJECT_NAME(gst_element_get_factory(source))));
    return TRUE;
}

// A tracer of the test's own sees every start of every source, also a source
// that a decoding starts again without making it anew.
struct SourceStarts
{
    GstTracer parent;
};
struct SourceStartsClass
{
    GstTracerClass parent;
};
G_DEFINE_TYPE(SourceStarts, source_starts, GST_TYPE_TRACER)
void source_starts_class_init(SourceStartsClass *) { }
void source_starts_init(SourceStarts *) { }

void noteStart(GObject *, GstClockTime, GstElement *element, GstStateChange transition)
{
    if (transition != GST_STATE_CHANGE_READY_TO_PAUSED || !GST_IS_URI_HANDLER(element)
        || gst_uri_handler_get_uri_type(GST_URI_HANDLER(element)) != GST_URI_SRC)
        return;
    gchar *uri = gst_uri_handler_get_uri(GST_URI_HANDLER(element));
    QMutexLocker lock(&sourcesLock);
    sourceStarts.append(uri);
    g_free(uri);
}

} // namespace

// Streams whose signed address the server redirects, played by the GStreamer
// player into a clock-synchronised fakesink: the origin answers over plain
// http and, through a TLS relay, over https; a refused redirect points at a
// second plain server that counts what reaches it.
class tst_GstStreamRedirects : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void followsOnlyRedirectsThatStayAsSafe_data();
    void followsOnlyRedirectsThatStayAsSafe();

private:
    static QueuePlayerItemPtr item(const QUrl &url) { return std::make_shared<QueuePlayerItem>(url); }

    // Serves the songs, each answer `delay` ms after its request.
    void serveSongs(int delay);

    QTemporaryDir m_dir;
    QString m_before; // a second long
    QString m_tone; // half a second long
    TestHttpServer::Response m_song;
    TestHttpServer::Response m_streamedBefore;
    TestHttpServer::Response m_short; // 0.4 s
    TestHttpServer::Response m_long; // 5 s
    TestHttpServer m_origin;
    std::optional<TlsRelay> m_tls;
    TestHttpServer m_plain;
};

void tst_GstStreamRedirects::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(m_origin.listen());
    QVERIFY(m_plain.listen());
    m_tls.emplace(m_origin.baseUrl(), m_dir.path());
    QVERIFY(m_tls->isListening());
    trustedCaFile = m_tls->caFile().toUtf8();
    trusted = g_tls_file_database_new(trustedCaFile.constData(), nullptr);
    QVERIFY(trusted);

    m_tone = writeTone(m_dir.filePath(u"tone.wav"_s), 0.5);
    QFile file(m_tone);
    QVERIFY(file.open(QIODevice::ReadOnly));
    m_song.body = file.readAll();
    m_song.contentType = "audio/x-wav";
    m_song.supportRanges = true;
    // Were a redirect to it followed, the stream would play from here.
    m_plain.setResponse("/music/tone.wav", m_song);

    m_before = writeTone(m_dir.filePath(u"before.wav"_s), 1);
    QFile before(m_before);
    QVERIFY(before.open(QIODevice::ReadOnly));
    m_streamedBefore = m_song;
    m_streamedBefore.body = before.readAll();

    QFile shortFile(writeTone(m_dir.filePath(u"short.wav"_s), 0.4, 660));
    QVERIFY(shortFile.open(QIODevice::ReadOnly));
    m_short = m_song;
    m_short.body = shortFile.readAll();
    m_plain.setResponse("/music/short.wav", m_short);

    // A song to seek in, whose Range requests are sent on to another path.
    QFile longFile(writeTone(m_dir.filePath(u"long.wav"_s), 5, 550));
    QVERIFY(longFile.open(QIODevice::ReadOnly));
    m_long = m_song;
    m_long.body = longFile.readAll();
    m_origin.setHandler([this](const TestHttpServer::Request &request) {
        const QByteArray query = request.url().query(QUrl::FullyEncoded).toLatin1();
        TestHttpServer::Response moved;
        moved.contentType = "text/html";
        moved.status = 302;
        if (request.path() == "/rest/stream" || request.path() == "/rest/hop") {
            // The short songs, while no row has a stream of its own: each id
            // is sent on in its own way: to another path, to another port,
            // through a second path, or to another path by a 307.
            const int way = request.queryValue(u"id"_s).toInt() % 4;
            QByteArray target = "/music/short.wav?" + query;
            if (way == 1)
                target = m_plain.baseUrl().toEncoded() + target;
            else if (way == 2 && request.path() == "/rest/stream")
                target = "/rest/hop?" + query;
            else if (way == 3)
                moved.status = 307;
            moved.headers.append({"Location", target});
            return moved;
        }
        if (request.path() != "/music/long.wav")
            return TestHttpServer::json("{}", 404);
        const QByteArray range = request.headers.value("range");
        if (range.isEmpty() || range == "bytes=0-")
            return m_long;
        moved.headers.append({"Location", "/music/moved.wav?" + query});
        return moved;
    });

    gst_init(nullptr, nullptr);
    GstElement *playbin = gst_element_factory_make("playbin", nullptr);
    QVERIFY(playbin);
    const guint sourceSetup = g_signal_lookup("source-setup", G_OBJECT_TYPE(playbin));
    gst_object_unref(gst_object_ref_sink(playbin));
    g_signal_add_emission_hook(sourceSetup, 0, &trustRelay, nullptr, nullptr);
    gst_tracing_register_hook(GST_TRACER(g_object_new(source_starts_get_type(), nullptr)),
        "element-change-state-pre", G_CALLBACK(&noteStart));
}

void tst_GstStreamRedirects::serveSongs(int delay)
{
    m_origin.clearResponses();
    m_origin.setResponse("/music/moved.wav", m_long);
    TestHttpServer::Response song = m_song;
    song.delayMs = delay;
    m_origin.setResponse("/music/tone.wav", song);
    TestHttpServer::Response streamedBefore = m_streamedBefore;
    streamedBefore.delayMs = delay;
    m_origin.setResponse("/music/before.wav", streamedBefore);
    TestHttpServer::Response shortSong = m_short;
    shortSong.delayMs = delay;
    m_origin.setResponse("/music/short.wav", shortSong);
}

void tst_GstStreamRedirects::followsOnlyRedirectsThatStayAsSafe_data()
{
    QTest::addColumn<QString>("from");
    // "https", "http", or "path": a Location of another path on the same server.
    QTest::addColumn<QString>("to");
    QTest::addColumn<int>("status");
    // How many redirects lead to the song; all but the last go to other paths
    // on the server first asked.
    QTest::addColumn<int>("hops");
    // What plays before the stream, which is loaded behind it: nothing, a
    // local file, or a stream of the origin's.
    QTest::addColumn<QString>("before");
    // Once the song plays, it is sought to 4 s, and the Range request of that
    // seek is redirected to another path.
    QTest::addColumn<bool>("seeks");
    // With souphttpsrc ranked below GStreamer's other HTTP sources, which it
    // would then pick (curlhttpsrc).
    QTest::addColumn<bool>("otherSource");
    QTest::addColumn<bool>("plays");
    // How long every answer of the origin takes, in ms.
    QTest::addColumn<int>("delay");
    // What becomes of the queue: at the hand-over, while the stream's first
    // redirect is on its way, the stream is "removed" from it, or "moved"
    // behind the song that takes its place; or ten short songs redirected in
    // four ways play on "repeat" in place of the stream.
    QTest::addColumn<QString>("queue");

    for (const int status : {301, 302, 303, 307, 308}) {
        QTest::addRow("https to http, %d", status) << u"https"_s << u"http"_s << status << 1 << QString()
                                                   << false << false << false << 0 << QString();
    }
    QTest::newRow("https to http, preloaded")
        << u"https"_s << u"http"_s << 302 << 1 << u"file"_s << false << false << false << 0 << QString();
    QTest::newRow("https to http, other source")
        << u"https"_s << u"http"_s << 302 << 1 << QString() << false << true << false << 0 << QString();
    QTest::newRow("https to https") << u"https"_s << u"https"_s << 302 << 1 << QString() << false << false
                                    << true << 0 << QString();
    QTest::newRow("https to https, preloaded")
        << u"https"_s << u"https"_s << 307 << 1 << u"file"_s << false << false << true << 0 << QString();
    QTest::newRow("https, another path")
        << u"https"_s << u"path"_s << 303 << 1 << QString() << false << false << true << 0 << QString();
    QTest::newRow("http to https") << u"http"_s << u"https"_s << 302 << 1 << QString() << false << false
                                   << true << 0 << QString();
    QTest::newRow("http to http") << u"http"_s << u"http"_s << 307 << 1 << QString() << false << false << true
                                  << 0 << QString();
    QTest::newRow("https, a chain of paths")
        << u"https"_s << u"path"_s << 302 << 4 << QString() << false << false << true << 0 << QString();
    QTest::newRow("http, another path, behind a stream")
        << u"http"_s << u"path"_s << 302 << 1 << u"stream"_s << false << false << true << 0 << QString();
    QTest::newRow("http, two paths, behind a stream")
        << u"http"_s << u"path"_s << 302 << 2 << u"stream"_s << false << false << true << 0 << QString();
    QTest::newRow("https to http, behind a stream")
        << u"https"_s << u"http"_s << 302 << 1 << u"stream"_s << false << false << false << 0 << QString();
    QTest::newRow("http to https, seek redirected")
        << u"http"_s << u"https"_s << 302 << 1 << QString() << true << false << true << 0 << QString();
    for (const int delay : {0, 400}) {
        for (const QString &edit : {u"removed"_s, u"moved"_s}) {
            QTest::addRow("behind a stream, %s while redirected, %d ms", qPrintable(edit), delay)
                << u"http"_s << u"path"_s << 302 << 1 << u"stream"_s << false << false << (edit == "moved"_L1)
                << delay << edit;
        }
    }
    QTest::newRow("behind a stream, a loop past the limit")
        << u"http"_s << u"path"_s << 302 << UrlSession::RedirectLimit + 1 << u"stream"_s << false << false
        << false << 100 << QString();
    QTest::newRow("ten short songs on repeat")
        << u"http"_s << u"path"_s << 302 << 1 << QString() << false << false << true << 0 << u"repeat"_s;
}

void tst_GstStreamRedirects::followsOnlyRedirectsThatStayAsSafe()
{
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(int, status);
    QFETCH(int, hops);
    QFETCH(QString, before);
    QFETCH(bool, seeks);
    QFETCH(bool, otherSource);
    QFETCH(bool, plays);
    QFETCH(int, delay);
    QFETCH(QString, queue);

    GstPluginFeature *soup = gst_registry_lookup_feature(gst_registry_get(), "souphttpsrc");
    QVERIFY(soup);
    const guint soupRank = gst_plugin_feature_get_rank(soup);
    const auto restoreRank = qScopeGuard([soup, soupRank] {
        gst_plugin_feature_set_rank(soup, soupRank);
        gst_object_unref(soup);
    });
    if (otherSource)
        gst_plugin_feature_set_rank(soup, GST_RANK_NONE);
    {
        QMutexLocker lock(&sourcesLock);
        sourcesMade.clear();
        sourceStarts.clear();
    }
    m_origin.clearRequests();
    m_plain.clearRequests();
    serveSongs(delay);

    const QUrl origin = from == "https"_L1 ? m_tls->url() : m_origin.baseUrl();
    const SubsonicClient client({origin, u"alice"_s, u"sesame"_s}, nullptr);
    const auto streamItem = [&client](const QString &id) {
        return item(client.url(u"stream"_s, {{u"id"_s, id}}));
    };
    const QueuePlayerItemPtr stream = streamItem(u"7"_s);
    const QByteArray query = stream->url().query(QUrl::FullyEncoded).toLatin1();
    const QByteArray songPath = seeks ? "/music/long.wav" : "/music/tone.wav";
    const QByteArray target = to == "https"_L1 ? m_tls->url().toEncoded()
        : to == "http"_L1                      ? m_plain.baseUrl().toEncoded()
                                               : QByteArray();
    TestHttpServer::Response redirect;
    redirect.status = status;
    redirect.contentType = "text/html";
    redirect.delayMs = delay;
    QByteArray hop = "/rest/stream";
    for (int i = 1; i < hops; ++i) {
        const QByteArray next = "/rest/hop" + QByteArray::number(i);
        redirect.headers = {{"Location", next + '?' + query}};
        m_origin.setResponse(hop, redirect);
        hop = next;
    }
    redirect.headers = {{"Location", target + songPath + '?' + query}};
    // Long enough on its way for the queue to change meanwhile.
    if (!queue.isEmpty())
        redirect.delayMs += 300;
    if (queue != "repeat"_L1)
        m_origin.setResponse(hop, redirect);

    GstQueuePlayer player(u"fakesink sync=true"_s);
    QSignalSpy ended(&player, &QueuePlayer::itemDidPlayToEnd);
    QSignalSpy ticks(&player, &QueuePlayer::periodicTime);
    const QueuePlayerItemPtr first = before == "file"_L1 ? item(QUrl::fromLocalFile(m_before))
        : before == "stream"_L1 ? item(QUrl(m_origin.baseUrl().toString() + u"/music/before.wav"_s))
                                : nullptr;
    // The positions the song before reported, and what the servers had been
    // asked when it ended.
    QList<double> firstTicks;
    int requestsWhenFirstEnded = -1;
    connect(&player, &QueuePlayer::periodicTime, this, [&](double time) {
        if (first && player.currentItem() == first)
            firstTicks.append(time);
    });
    // The positions the song before was heard at, when, and when its end was
    // told.
    QElapsedTimer clock;
    clock.start();
    QList<std::pair<qint64, double>> firstHeard;
    std::optional<qint64> firstEndTold;
    QTimer listening;
    listening.setInterval(10);
    connect(&listening, &QTimer::timeout, this, [&] {
        if (const double position = player.currentTime();
            first && player.currentItem() == first && std::isfinite(position) && position >= 0.2)
            firstHeard.append({clock.elapsed(), position});
    });
    listening.start();
    // What takes the stream's place in the queue, and the stream queued anew
    // behind it.
    const QueuePlayerItemPtr after = item(QUrl::fromLocalFile(m_tone));
    QueuePlayerItemPtr requeued;
    connect(&player, &QueuePlayer::itemDidPlayToEnd, this, [&](const QueuePlayerItemPtr &played) {
        if (played != first)
            return;
        firstEndTold = clock.elapsed();
        requestsWhenFirstEnded = m_origin.requests().size() + m_plain.requests().size();
        if (queue == "moved"_L1) {
            requeued = streamItem(u"7"_s);
            player.insert(requeued, after);
        }
    });
    if (!queue.isEmpty() && queue != "repeat"_L1) {
        connect(&m_origin, &TestHttpServer::requestReceived, &player,
            [&](const TestHttpServer::Request &request) {
                if (request.path() != "/rest/stream" || requeued)
                    return;
                QTimer::singleShot(150, &player, [&] {
                    player.remove(stream);
                    player.insert(after, first);
                });
            });
    }
    // The short songs, each queued behind the playing one as it starts, the
    // first again after the last.
    QList<QueuePlayerItemPtr> shortSongs;
    const auto queueShortSong = [&] {
        shortSongs.append(streamItem(QString::number(shortSongs.size() % 10)));
        player.insert(shortSongs.last(), player.items().value(0));
    };
    const auto failed = [&] {
        return std::find_if(shortSongs.cbegin(), shortSongs.cend(),
            [](const QueuePlayerItemPtr &song) { return song->status() == QueuePlayerItem::Status::Failed; });
    };
    if (queue == "repeat"_L1) {
        queueShortSong();
        queueShortSong();
        connect(&player, &QueuePlayer::itemDidPlayToEnd, this, [&] { queueShortSong(); });
    } else if (first) {
        player.insert(first, {});
        player.insert(stream, first);
    } else {
        player.insert(stream, {});
    }
    player.play();

    // What a row plays takes a few seconds, the long song sought in and the
    // hops past the limit some more: a row still waiting after that has
    // failed, and says so at once.
    const int bound = seeks || hops > 4 ? 12000 : 5000;
    const auto waitFor = [bound](const auto &condition) { return QTest::qWaitFor(condition, bound); };
    const TestHttpServer &reached = to == "http"_L1 ? m_plain : m_origin;
    if (seeks) {
        QVERIFY(waitFor([&] { return !ticks.isEmpty(); }));
        player.seek(4);
        // Only once the redirect of the seek is followed is the new address
        // asked; the song then plays on from the seek.
        QVERIFY(waitFor([&] { return reached.requestCount({"/music/moved.wav"}) > 0; }));
        ticks.clear();
    }
    if (queue == "repeat"_L1) {
        // Each change comes within a few of its songs' lengths, or the row
        // fails there.
        for (int change = 1; change <= 100 && failed() == shortSongs.cend(); ++change) {
            QVERIFY2(QTest::qWaitFor(
                         [&] { return ended.count() >= change || failed() != shortSongs.cend(); }, 3000),
                qPrintable(u"change %1 did not come"_s.arg(change)));
        }
        QVERIFY2(failed() == shortSongs.cend(),
            failed() == shortSongs.cend() ? "" : (*failed())->url().toEncoded().constData());
    } else if (!queue.isEmpty()) {
        // The song before ends, the one that took the stream's place plays,
        // and the stream queued anew behind it plays from its redirect.
        waitFor([&] { return ended.count() >= (plays ? 3 : 2); });
        QCOMPARE(ended.count(), plays ? 3 : 2);
        QCOMPARE(ended.at(1).first().value<QueuePlayerItemPtr>(), after);
        QCOMPARE(after->status(), QueuePlayerItem::Status::ReadyToPlay);
        QCOMPARE(stream->status(), QueuePlayerItem::Status::Unknown);
        if (plays) {
            QCOMPARE(ended.last().first().value<QueuePlayerItemPtr>(), requeued);
            QCOMPARE(requeued->status(), QueuePlayerItem::Status::ReadyToPlay);
            // From where its redirect led; the stream dropped never got there.
            QCOMPARE(reached.requestCount({songPath}), 1);
        }
    } else if (plays) {
        waitFor([&] { return ended.count() >= (first ? 2 : 1); });
        QCOMPARE(ended.count(), first ? 2 : 1);
        QCOMPARE(ended.last().first().value<QueuePlayerItemPtr>(), stream);
        QCOMPARE(stream->status(), QueuePlayerItem::Status::ReadyToPlay);
        // Played from where the redirect led, signed as the stream was.
        QCOMPARE(
            reached.sentValues(songPath, u"t"_s).value(0), QUrlQuery(stream->url()).queryItemValue(u"t"_s));
    } else {
        QVERIFY(waitFor([&] { return stream->status() != QueuePlayerItem::Status::Unknown; }));
        if (first) {
            waitFor([&] { return !ended.isEmpty(); });
            QCOMPARE(ended.count(), 1);
            QCOMPARE(ended.first().first().value<QueuePlayerItemPtr>(), first);
            QCOMPARE(player.currentItem(), stream);
            ticks.clear();
        }
        QTest::qWait(300);
        // Nothing reached the plain address, and the stream failed as an
        // unplayable item does, after the item before it played to its end.
        QCOMPARE(m_plain.requests().size(), 0);
        QCOMPARE(stream->status(), QueuePlayerItem::Status::Failed);
        QCOMPARE(ended.count(), first ? 1 : 0);
        QVERIFY(ticks.isEmpty());
    }
    if (seeks) {
        QVERIFY(!ticks.isEmpty());
        for (const QList<QVariant> &tick : std::as_const(ticks))
            QVERIFY2(tick.first().toDouble() >= 3.9, qPrintable(QString::number(tick.first().toDouble())));
    }
    if (first) {
        QCOMPARE(ended.first().first().value<QueuePlayerItemPtr>(), first);
        QCOMPARE(first->status(), QueuePlayerItem::Status::ReadyToPlay);
        // Its end was told as its sound ended, whatever the stream behind it
        // was still doing.
        // By its length and the last position heard short of it.
        const auto heard = std::find_if(firstHeard.crbegin(), firstHeard.crend(),
            [&first](const auto &at) { return at.second < first->duration() - 0.02; });
        QVERIFY(heard != firstHeard.crend() && firstEndTold);
        const qint64 soundEnds = heard->first + qint64((first->duration() - heard->second) * 1000);
        QVERIFY2(std::abs(*firstEndTold - soundEnds) <= 300,
            qPrintable(u"told %1 ms after its sound ended"_s.arg(*firstEndTold - soundEnds)));
        // The stream loaded behind the song before left that song alone: it
        // was fetched once, its position never went back, and it ended only
        // once the stream's own address had been asked: the stream went on
        // from it without a gap.
        if (before == "stream"_L1)
            QCOMPARE(m_origin.requestCount({"/music/before.wav"}), 1);
        QVERIFY(!firstTicks.isEmpty());
        for (qsizetype i = 1; i < firstTicks.size(); ++i)
            QVERIFY2(firstTicks.at(i) >= firstTicks.at(i - 1), qPrintable(QString::number(firstTicks.at(i))));
        if (plays && queue.isEmpty()) {
            QVERIFY(reached.requestCount({songPath}) > 0);
            QCOMPARE(requestsWhenFirstEnded, m_origin.requests().size() + m_plain.requests().size());
        }
    }
    // No address was asked twice for the same bytes: each redirect once.
    for (const TestHttpServer *server : {&m_origin, &m_plain}) {
        QSet<QByteArray> asked;
        for (const TestHttpServer::Request &request : server->requests()) {
            const QByteArray ask = request.target + ' ' + request.headers.value("range");
            QVERIFY2(!asked.contains(ask), ask.constData());
            asked.insert(ask);
        }
    }
    QVERIFY(m_origin.requestCount({"/rest/stream"}) > 0);
    // Even ranked below another, the HTTP source that stops at redirects is
    // the one made; and none started again at an address that had answered:
    // every item's addresses are its own.
    QMutexLocker lock(&sourcesLock);
    QVERIFY(sourcesMade.contains(u"souphttpsrc"_s));
    QVERIFY(!sourcesMade.contains(u"curlhttpsrc"_s));
    QVERIFY(!sourceStarts.isEmpty());
    for (qsizetype i = 0; i < sourceStarts.size(); ++i)
        QVERIFY2(!sourceStarts.mid(0, i).contains(sourceStarts.at(i)), sourceStarts.at(i).constData());
}

QTEST_GUILESS_MAIN(tst_GstStreamRedirects)
#include "tst_GstStreamRedirects.moc"
