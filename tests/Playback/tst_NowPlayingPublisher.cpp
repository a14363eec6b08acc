#include <QCoroTimer>
#include <QTest>
#include <QUrlQuery>

#include "Helpers/FakeNowPlayingCenter.h"
#include "Playback/NowPlayingPublisher.h"

using namespace Qt::StringLiterals;

namespace {

struct LoadRequest
{
    QString id;
    int pixelSize;
    QUrl url;
};
QList<LoadRequest> g_loads;

// Covers arrive after a delay named in their id ("slow" ones take longer), in
// a colour of their own so a test can tell them apart.
QCoro::Task<QImage> loadCover(QString id, int pixelSize, QUrl url)
{
    g_loads.append({id, pixelSize, url});
    co_await QCoro::sleepFor(std::chrono::milliseconds(id.startsWith(u"slow"_s) ? 200 : 20));
    if (id == u"missing"_s)
        co_return QImage();
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(id.startsWith(u"slow"_s) ? Qt::red : Qt::blue);
    co_return image;
}

Song song(const QString &id, std::optional<QString> cover)
{
    Song s;
    s.id = id;
    s.title = u"Song "_s + id;
    s.coverArt = std::move(cover);
    return s;
}

} // namespace

class tst_NowPlayingPublisher : public QObject
{
    Q_OBJECT

    SubsonicClient m_client {ServerConfig {QUrl(u"http://music.example"_s), u"ann"_s, u"pw"_s}, nullptr};

private Q_SLOTS:
    void init() { g_loads.clear(); }

    void buildsTheEntry()
    {
        FakeNowPlayingCenter center;
        NowPlayingPublisher publisher(&center, loadCover);
        Song s = song(u"1"_s, std::nullopt);
        publisher.updateNowPlayingInfo({&s, 200, 12.5, true, &m_client});
        QVERIFY(center.nowPlayingInfo());
        NowPlayingInfo info = *center.nowPlayingInfo();
        QCOMPARE(info.songId, u"1"_s);
        QCOMPARE(info.title, u"Song 1"_s);
        QCOMPARE(info.duration, 200.0);
        QCOMPARE(info.elapsedTime, 12.5);
        QCOMPARE(info.playbackRate, 1.0);
        // No artist or album: the keys are absent, not empty.
        QCOMPARE(info.artist, std::nullopt);
        QCOMPARE(info.albumTitle, std::nullopt);
        QCOMPARE(center.playbackState(), NowPlayingState::Playing);
        QVERIFY(g_loads.isEmpty());

        s.artist = u"Nina"_s;
        s.album = u"Pastel Blues"_s;
        publisher.updateNowPlayingInfo({&s, 200, 30, false, &m_client});
        info = *center.nowPlayingInfo();
        QCOMPARE(info.artist, u"Nina"_s);
        QCOMPARE(info.albumTitle, u"Pastel Blues"_s);
        QCOMPARE(info.playbackRate, 0.0);
        QCOMPARE(center.playbackState(), NowPlayingState::Paused);

        // Without a song the entry goes and the state is left as it was.
        publisher.updateNowPlayingInfo({});
        QVERIFY(!center.nowPlayingInfo());
        QCOMPARE(center.playbackState(), NowPlayingState::Paused);
        publisher.clear();
        QCOMPARE(center.playbackState(), NowPlayingState::Stopped);
    }

    void tickRewritesOnlyTheTimes()
    {
        FakeNowPlayingCenter center;
        NowPlayingPublisher publisher(&center, loadCover);
        Song s = song(u"1"_s, u"cover-1"_s);
        s.artist = u"Nina"_s;
        publisher.updateNowPlayingElapsedTime({&s, 200, 5, true, &m_client});
        QVERIFY(!center.nowPlayingInfo());

        publisher.updateNowPlayingInfo({&s, 0, 0, true, &m_client});
        QTRY_VERIFY(!center.nowPlayingInfo()->artwork.isNull());
        publisher.updateNowPlayingElapsedTime({&s, 187, 40.5, false, &m_client});
        const NowPlayingInfo info = *center.nowPlayingInfo();
        QCOMPARE(info.elapsedTime, 40.5);
        QCOMPARE(info.duration, 187.0);
        QCOMPARE(info.playbackRate, 0.0);
        QCOMPARE(info.artist, u"Nina"_s);
        QVERIFY(!info.artwork.isNull());
    }

    void loadsTheCoverAt1024()
    {
        FakeNowPlayingCenter center;
        NowPlayingPublisher publisher(&center, loadCover);
        const Song s = song(u"1"_s, u"al-9"_s);
        publisher.updateNowPlayingInfo({&s, 100, 0, true, &m_client});
        QCOMPARE(g_loads.size(), 1);
        QCOMPARE(g_loads.at(0).id, u"al-9"_s);
        QCOMPARE(g_loads.at(0).pixelSize, 1024);
        const QUrlQuery query(g_loads.at(0).url);
        QCOMPARE(g_loads.at(0).url.path(), u"/rest/getCoverArt"_s);
        QCOMPARE(query.queryItemValue(u"id"_s), u"al-9"_s);
        QCOMPARE(query.queryItemValue(u"size"_s), u"1024"_s);
        QTRY_VERIFY(!center.nowPlayingInfo()->artwork.isNull());

        // No client, no cover id: nothing is loaded.
        const Song bare = song(u"2"_s, std::nullopt);
        publisher.updateNowPlayingInfo({&bare, 100, 0, true, &m_client});
        publisher.updateNowPlayingInfo({&s, 100, 0, true, nullptr});
        QCOMPARE(g_loads.size(), 1);
        QVERIFY(center.nowPlayingInfo()->artwork.isNull());
    }

    void aLateCoverOfAnEarlierSongIsDropped()
    {
        FakeNowPlayingCenter center;
        NowPlayingPublisher publisher(&center, loadCover);
        const Song first = song(u"1"_s, u"slow-1"_s);
        const Song second = song(u"2"_s, u"fast-2"_s);
        publisher.updateNowPlayingInfo({&first, 100, 0, true, &m_client});
        publisher.updateNowPlayingInfo({&second, 100, 0, true, &m_client});
        QTRY_VERIFY(!center.nowPlayingInfo()->artwork.isNull());
        QTest::qWait(300);
        QCOMPARE(center.nowPlayingInfo()->songId, u"2"_s);
        QCOMPARE(center.nowPlayingInfo()->artwork.pixelColor(0, 0), QColor(Qt::blue));

        // Nor does a cover land once playback has stopped, nor a missing one.
        publisher.updateNowPlayingInfo({&first, 100, 0, true, &m_client});
        publisher.clear();
        const Song missing = song(u"3"_s, u"missing"_s);
        QTest::qWait(300);
        QVERIFY(!center.nowPlayingInfo());
        publisher.updateNowPlayingInfo({&missing, 100, 0, true, &m_client});
        QTest::qWait(100);
        QVERIFY(center.nowPlayingInfo()->artwork.isNull());
    }

    void aCoverArrivingAfterThePublisherIsGoneDoesNothing()
    {
        FakeNowPlayingCenter center;
        auto *publisher = new NowPlayingPublisher(&center, loadCover);
        const Song s = song(u"1"_s, u"slow-1"_s);
        publisher->updateNowPlayingInfo({&s, 100, 0, true, &m_client});
        delete publisher;
        QTest::qWait(300);
        QVERIFY(center.nowPlayingInfo()->artwork.isNull());
    }
};

QTEST_GUILESS_MAIN(tst_NowPlayingPublisher)
#include "tst_NowPlayingPublisher.moc"
