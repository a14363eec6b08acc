// Memory over a long listening session: the playback engine on GStreamer (a
// fake sink that does not wait for the clock), with everything the window
// hangs on it (the now-playing bar and its view models in an offscreen
// window, the MPRIS service, play reports, the bar's cover), plays a queue of
// 40 short songs on repeat from a loopback server with a cover each. Most
// songs end by themselves and the preloaded next one takes over; every tenth
// change is a skip to the next song, which loads it afresh. Run offscreen
// with a session bus:
//     QT_QPA_PLATFORM=offscreen dbus-run-session build/bench/bench_long_play [changes [songs]]
// It prints "changes <n> rss-kib <k> heap-kib <k>" at 100, 500, 1,000 and
// 2,000 song changes (or up to `changes`), the growth from 500 changes on,
// and the cover files MPRIS holds. With more `songs` (400: 576 MB of decoded
// 1024-pixel covers) the memory cache of covers fills up to its limit and
// stays there.
//
// A song so short that it ends before the engine has handled the end of the
// one before leaves nothing queued behind it; the bench then skips on after
// 2 s and counts a stall.

#include <QBuffer>
#include <QColor>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QNetworkAccessManager>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickStyle>
#include <QQuickWindow>
#include <QSettings>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>
#include <QtEndian>
#include <QtQml/qqmlextensionplugin.h>

#include <cmath>
#include <cstdio>
#include <malloc.h>
#include <memory>

#include "Components/ArtworkClient.h"
#include "Helpers/TestHttpServer.h"
#include "Networking/UrlSession.h"
#include "NowPlaying/NowPlayingBarViewModel.h"
#include "Platform/GstQueuePlayer.h"
#include "Platform/MprisService.h"
#include "Playback/PlayerController.h"

Q_IMPORT_QML_PLUGIN(Lirna_UIPlugin)

namespace {

constexpr int SkipEvery = 10;

// A mono 16-bit tone of `seconds` at 8 kHz, as a WAV file.
QByteArray wavTone(double seconds, int frequency)
{
    constexpr int Rate = 8000;
    const int samples = int(seconds * Rate);
    QByteArray pcm(samples * 2, Qt::Uninitialized);
    for (int i = 0; i < samples; ++i) {
        const auto value = qint16(8000 * std::sin(2 * M_PI * frequency * i / Rate));
        qToLittleEndian(value, pcm.data() + 2 * i);
    }
    QByteArray wav;
    auto u32 = [&wav](quint32 v) {
        char b[4];
        qToLittleEndian(v, b);
        wav.append(b, 4);
    };
    auto u16 = [&wav](quint16 v) {
        char b[2];
        qToLittleEndian(v, b);
        wav.append(b, 2);
    };
    wav.append("RIFF");
    u32(36 + pcm.size());
    wav.append("WAVEfmt ");
    u32(16);
    u16(1);
    u16(1);
    u32(Rate);
    u32(Rate * 2);
    u16(2);
    u16(16);
    wav.append("data");
    u32(pcm.size());
    return wav + pcm;
}

QByteArray cover(int n)
{
    QImage image(600, 600, QImage::Format_RGB32);
    image.fill(QColor::fromHsv((n * 37) % 360, 180, 200));
    for (int y = 0; y < image.height(); y += 20)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb(n * 5, 255 - n * 5, (x * 255) / image.width()));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG", 85);
    return bytes;
}

// The loopback server on its own thread: the songs, their covers and
// whatever else the client asks (play reports) as an empty success.
class ServerThread
{
public:
    explicit ServerThread(int songs)
    {
        for (int n = 0; n < songs; ++n) {
            m_songs.append(wavTone(0.4 + 0.02 * n, 300 + 10 * n));
            m_covers.append(cover(n));
        }
        m_context.moveToThread(&m_thread);
        m_thread.start();
        QMetaObject::invokeMethod(
            &m_context,
            [this] {
                m_server = new TestHttpServer;
                m_server->setHandler(
                    [this](const TestHttpServer::Request &request) { return answer(request); });
                m_server->listen();
                m_base = m_server->baseUrl();
                // The server keeps every request; the bench does not want them.
                auto *forget = new QTimer(m_server);
                QObject::connect(forget, &QTimer::timeout, m_server, &TestHttpServer::clearRequests);
                forget->start(500);
            },
            Qt::BlockingQueuedConnection);
    }
    ~ServerThread()
    {
        QMetaObject::invokeMethod(
            &m_context, [this] { delete m_server; }, Qt::BlockingQueuedConnection);
        m_thread.quit();
        m_thread.wait();
    }
    QUrl baseUrl() const { return m_base; }

private:
    TestHttpServer::Response answer(const TestHttpServer::Request &request) const
    {
        const int n = request.queryValue(QStringLiteral("id")).mid(1).toInt();
        TestHttpServer::Response response = TestHttpServer::ok();
        if (request.path().endsWith("/stream") && n >= 0 && n < m_songs.size()) {
            response.body = m_songs.at(n);
            response.contentType = "audio/x-wav";
            response.supportRanges = true;
        } else if (request.path().endsWith("/getCoverArt") && n >= 0 && n < m_covers.size()) {
            response.body = m_covers.at(n);
            response.contentType = "image/jpeg";
        }
        return response;
    }

    QList<QByteArray> m_songs;
    QList<QByteArray> m_covers;
    QThread m_thread;
    // Lives on the thread, so that the server is made and answers there.
    QObject m_context;
    TestHttpServer *m_server = nullptr;
    QUrl m_base;
};

QList<Song> queue(int length)
{
    QList<Song> songs;
    for (int n = 0; n < length; ++n) {
        Song song;
        song.id = QStringLiteral("s%1").arg(n);
        song.title = QStringLiteral("Song %1").arg(n);
        song.artist = QStringLiteral("Artist %1").arg(n % 7);
        song.artistId = QStringLiteral("ar%1").arg(n % 7);
        song.album = QStringLiteral("Album %1").arg(n);
        song.albumId = QStringLiteral("al%1").arg(n);
        song.coverArt = QStringLiteral("c%1").arg(n);
        song.duration = 1;
        song.suffix = QStringLiteral("wav");
        songs.append(song);
    }
    return songs;
}

qint64 residentKib()
{
    QFile file(QStringLiteral("/proc/self/status"));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

qint64 heapKib()
{
    const struct mallinfo2 info = mallinfo2();
    return qint64(info.uordblks + info.hblkhd) / 1024;
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    QQuickStyle::setStyle(QStringLiteral("Basic"));
    // Settings, the saved session, caches and the MPRIS cover stay out of the
    // user's own folders.
    QStandardPaths::setTestModeEnabled(true);
    QDir(QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + QStringLiteral("/Lirna"))
        .removeRecursively();
    QSettings().clear();
    const int total = argc > 1 ? std::max(100, atoi(argv[1])) : 2000;
    const int queueLength = argc > 2 ? std::max(2, atoi(argv[2])) : 40;

    ServerThread server(queueLength);
    QNetworkAccessManager manager;
    UrlSession session(&manager);
    const SubsonicClient client(
        ServerConfig {server.baseUrl(), QStringLiteral("user"), QStringLiteral("secret")}, &session);

    auto *gstreamer = new GstQueuePlayer(QStringLiteral("fakesink sync=false"));
    auto *mpris = new MprisService;
    auto player = std::make_unique<PlayerController>(gstreamer, mpris, nullptr);

    // The bar as the main window has it, over the shared cover fetcher.
    ArtworkClient artwork;
    artwork.setClient(client);
    ArtworkClient::setCurrent(&artwork);
    NowPlayingBarViewModel bar(player.get(), nullptr);
    QQmlEngine qml;
    qml.addImportPath(QStringLiteral("qrc:/"));
    QQmlComponent component(&qml, QUrl(QStringLiteral("qrc:/Lirna/UI/NowPlaying/NowPlayingBar.qml")));
    QQuickWindow window;
    window.resize(900, 120);
    std::unique_ptr<QObject> object(
        component.createWithInitialProperties({{QStringLiteral("model"), QVariant::fromValue(&bar)}}));
    if (!object) {
        std::fprintf(stderr, "%s\n", qPrintable(component.errorString()));
        return 1;
    }
    auto *item = qobject_cast<QQuickItem *>(object.get());
    item->setParentItem(window.contentItem());
    item->setWidth(900);
    window.show();

    int changes = 0;
    int skips = 0;
    int stalls = 0;
    qint64 rssAt500 = -1;
    qint64 heapAt500 = -1;
    const QList<int> marks {100, 500, 1000, 2000};
    QElapsedTimer clock;
    clock.start();
    QTimer watchdog;
    watchdog.setInterval(2000);
    auto report = [&] {
        // Let what the change set off settle before reading.
        const bool mark = marks.contains(changes) || changes == total;
        if (!mark)
            return;
        const qint64 rss = residentKib();
        const qint64 heap = heapKib();
        std::printf("changes %5d rss-kib %7lld heap-kib %7lld  (%.0f s)\n", changes, (long long)rss,
            (long long)heap, clock.elapsed() / 1000.0);
        std::fflush(stdout);
        if (changes == 500) {
            rssAt500 = rss;
            heapAt500 = heap;
        }
        if (changes >= total) {
            if (rssAt500 >= 0)
                std::printf("growth from 500: rss-kib %+lld heap-kib %+lld\n", (long long)(rss - rssAt500),
                    (long long)(heap - heapAt500));
            const QDir covers(QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation)
                + QStringLiteral("/Lirna/NowPlaying"));
            std::printf("skips %d, stalls %d, MPRIS cover files %lld\n", skips, stalls,
                (long long)covers.entryList(QDir::Files).size());
            QTimer::singleShot(0, &app, &QCoreApplication::quit);
        }
    };
    QObject::connect(player.get(), &PlayerController::currentIndexChanged, &app, [&] {
        if (player->currentIndexOrNone() < 0 || changes >= total)
            return;
        ++changes;
        watchdog.start();
        report();
        if (changes % SkipEvery == 0) {
            ++skips;
            // A skip a little into the song, from the bar as a click would.
            QTimer::singleShot(50, &bar, [&] {
                if (changes < total)
                    bar.next();
            });
        }
    });
    // A song that never ends (a lost end of stream) is skipped, and counted.
    QObject::connect(&watchdog, &QTimer::timeout, &app, [&] {
        ++stalls;
        bar.next();
    });

    player->setRepeatMode(RepeatMode::All);
    player->play(
        queue(queueLength), client, 0, PlaybackSource::playlist(QStringLiteral("p1"), QStringLiteral("Mix")));
    watchdog.start();
    const int rc = QGuiApplication::exec();
    object.reset();
    player.reset();
    return rc;
}
