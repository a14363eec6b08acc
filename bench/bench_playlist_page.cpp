// The playlist page over a playlist of 5,000 songs beside the same page over
// 50, both served by a loopback server (covers included, one per 10 songs),
// offscreen: the time from opening the page to its first frame showing the
// rows, and the resident memory with the page open. Times are the minimum
// of several openings, each loading the playlist from the server; memory is
// read once the covers in sight have arrived after the first opening.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QJsonDocument>
#include <QQuickItem>
#include <QQuickWindow>
#include <QUrlQuery>
#include <QtQml/qqmlextensionplugin.h>

#include <malloc.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>

#include "Helpers/UI/PageHarness.h"
#include "Playlists/PlaylistDetailViewModel.h"

Q_IMPORT_QML_PLUGIN(Lirna_UIPlugin)

namespace {

constexpr int Runs = 5;

double residentMb()
{
    malloc_trim(0);
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return resident * double(sysconf(_SC_PAGESIZE)) / 1048576.0;
}

QByteArray playlistAnswer(const QString &id, int count)
{
    QByteArray entries;
    for (int i = 0; i < count; ++i) {
        Song song;
        song.id = QStringLiteral("song-%1").arg(i);
        song.title = QStringLiteral("Song number %1").arg(i);
        song.artist = QStringLiteral("Artist %1").arg(i % 300);
        song.album = QStringLiteral("Album %1").arg(i / 10);
        song.albumId = QStringLiteral("al-%1").arg(i / 10);
        song.coverArt = id + QStringLiteral("-al-%1").arg(i / 10);
        song.duration = 120 + i % 240;
        if (i)
            entries += ',';
        entries += QJsonDocument(song.toJson()).toJson(QJsonDocument::Compact);
    }
    return "\"playlist\":{\"id\":\"" + id.toUtf8() + "\",\"name\":\"Bench\",\"songCount\":"
        + QByteArray::number(count) + ",\"entry\":[" + entries + "]}";
}

struct Opening
{
    double firstFrameMs = 0;
    double loadedMs = 0; // of which: until the page held the playlist
    double residentMb = 0;
};

void settle(int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

// Opens the page of `id` in `harness`, the store's copy dropped first so the
// playlist comes from the server, and waits for the first frame that shows
// its rows.
Opening openOnce(PageHarness &harness, const QString &id)
{
    Opening opening;
    harness.library()->refresh();
    settle(200);
    QElapsedTimer timer;
    timer.start();
    QQuickItem *page = harness.loadPage(PageRoute::forSelection(SidebarSelection::playlist(id)));
    auto *vm = page ? page->property("viewModel").value<PlaylistDetailViewModel *>() : nullptr;
    if (!vm)
        return opening;
    while (!vm->loaded())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    opening.loadedMs = double(timer.nsecsElapsed()) / 1e6;
    bool swapped = false;
    auto connection
        = QObject::connect(harness.window(), &QQuickWindow::frameSwapped, [&] { swapped = true; });
    harness.window()->update();
    while (!swapped)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    QObject::disconnect(connection);
    opening.firstFrameMs = double(timer.nsecsElapsed()) / 1e6;
    return opening;
}

Opening measure(PageHarness &harness, const QString &id)
{
    Opening opening = openOnce(harness, id);
    // The covers of the rows in sight arrive; what stays is what the open
    // page holds.
    settle(1500);
    opening.residentMb = residentMb();
    for (int run = 1; run < Runs; ++run) {
        const Opening again = openOnce(harness, id);
        if (again.firstFrameMs < opening.firstFrameMs) {
            opening.firstFrameMs = again.firstFrameMs;
            opening.loadedMs = again.loadedMs;
        }
    }
    return opening;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    const QByteArray small = playlistAnswer(QStringLiteral("p50"), 50);
    const QByteArray large = playlistAnswer(QStringLiteral("p5000"), 5000);
    QImage cover(300, 300, QImage::Format_RGB32);
    cover.fill(QColor(90, 120, 200));
    const TestHttpServer::Response coverAnswer = TestHttpServer::image(cover, "JPEG");
    int coverRequests = 0;

    PageHarness harness;
    harness.server().setHandler([&](const TestHttpServer::Request &request) {
        if (request.path() == "/rest/getCoverArt") {
            ++coverRequests;
            return coverAnswer;
        }
        if (request.path() == "/rest/getPlaylist") {
            const QString id = QUrlQuery(request.url()).queryItemValue(QStringLiteral("id"));
            return TestHttpServer::ok(id == QLatin1String("p5000") ? large : small);
        }
        return TestHttpServer::ok();
    });
    if (!harness.start(QSize(1000, 700)))
        return 1;

    // A first opening warms the QML caches for both.
    openOnce(harness, QStringLiteral("p50"));
    coverRequests = 0;
    const Opening fifty = measure(harness, QStringLiteral("p50"));
    const int fiftyCovers = coverRequests;
    coverRequests = 0;
    const Opening thousands = measure(harness, QStringLiteral("p5000"));
    const int thousandsCovers = coverRequests;

    std::printf(
        "playlist page, offscreen 1000x700, loopback server (first frame: best of %d openings)\n", Runs);
    std::printf("%-8s %15s %20s %12s %15s\n", "entries", "first frame ms", "of which loading ms",
        "resident MB", "covers asked");
    std::printf("%-8d %15.1f %20.1f %12.1f %15d\n", 50, fifty.firstFrameMs, fifty.loadedMs, fifty.residentMb,
        fiftyCovers);
    std::printf("%-8d %15.1f %20.1f %12.1f %15d\n", 5000, thousands.firstFrameMs, thousands.loadedMs,
        thousands.residentMb, thousandsCovers);
    std::printf(
        "5,000 vs 50: first frame %.2fx (target under 2x), resident memory %+.1f MB (target under 20 MB)\n",
        thousands.firstFrameMs / std::max(fifty.firstFrameMs, 0.001),
        thousands.residentMb - fifty.residentMb);
    return 0;
}
