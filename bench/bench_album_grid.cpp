// The album grid over a library of 5,000 albums served in pages of 60 by a
// loopback server (on its own thread, covers included), in an offscreen
// window of 1000 x 700:
// - the GUI thread's cost of taking each page into the grid (the store's
//   change reaching the model and the grid), median and worst;
// - a scroll from the top to the bottom of all loaded albums, 60 points a
//   frame, while the covers load: the longest frame (the scroll step to the
//   frame shown), the GUI thread's CPU time per frame (which a busy machine
//   does not inflate), the part spent making and dropping tiles, and the
//   longest the GUI thread went without running its event loop;
// - the memory of the decoded covers against the memory cache's limit, and
//   the process's resident memory.

#include "BenchLibrary.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSemaphore>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QtQml/qqmlextensionplugin.h>

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "Albums/AlbumGridViewModel.h"
#include "Components/ArtworkClient.h"
#include "Downloads/ArtworkFetcher.h"
#include "Downloads/DownloadStore.h"
#include "Helpers/FakeQueuePlayer.h"
#include "Helpers/TestHttpServer.h"
#include "Library/LibraryStore.h"
#include "MainViewModel.h"
#include "Networking/UrlSession.h"
#include "PageContext.h"
#include "PageRegistry.h"
#include "Playback/PlayerController.h"
#include "Support/ArtworkStore.h"

Q_IMPORT_QML_PLUGIN(Lirna_UIPlugin)

namespace {

// Counts the covers that arrive, through the string-based connection that
// reaches CoverImage's signal without its header.
class CoverCounter : public QObject
{
    Q_OBJECT
public Q_SLOTS:
    void count() { Q_EMIT counted(); }
Q_SIGNALS:
    void counted();
};

constexpr int Albums = 5000;
using BenchLibrary::Covers;
using BenchLibrary::coverJpeg;

QByteArray pageBody(int offset, int size)
{
    QByteArray body = R"({"subsonic-response":{"status":"ok","version":"1.16.1","albumList2":{"album":[)";
    for (int n = offset; n < std::min(Albums, offset + size); ++n) {
        if (n > offset)
            body += ',';
        body += BenchLibrary::albumJson(n);
    }
    return body + "]}}}";
}

double statusMB(const char *field)
{
    QFile file(QStringLiteral("/proc/self/status"));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }
    return -1;
}

// The CPU time this thread has used, in ms: unlike the wall clock, it leaves
// out the time the thread waited for a core on a busy machine.
double threadCpuMs()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

double percentile(QList<double> values, double p)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    return values.at(std::min(values.size() - 1, qsizetype(p * double(values.size()))));
}

} // namespace

int main(int argc, char **argv)
{
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);

    QList<QByteArray> covers;
    for (int n = 0; n < Covers; ++n)
        covers << coverJpeg(n);

    // The server lives on its own thread, so serving is not the GUI thread's cost.
    QThread serverThread;
    serverThread.start();
    TestHttpServer *server = nullptr;
    QSemaphore ready;
    QObject anchor;
    anchor.moveToThread(&serverThread);
    QMetaObject::invokeMethod(&anchor, [&] {
        server = new TestHttpServer;
        server->setHandler([&covers](const TestHttpServer::Request &request) {
            if (request.path() == "/rest/getAlbumList2") {
                return TestHttpServer::json(pageBody(request.queryValue(QStringLiteral("offset")).toInt(),
                    request.queryValue(QStringLiteral("size")).toInt()));
            }
            if (request.path() == "/rest/getCoverArt") {
                TestHttpServer::Response response;
                response.body = covers.at(request.queryValue(QStringLiteral("id")).mid(3).toInt() % Covers);
                response.contentType = "image/jpeg";
                return response;
            }
            if (request.path() == "/rest/getStarred2")
                return TestHttpServer::ok("\"starred2\":{}");
            return TestHttpServer::ok();
        });
        server->listen();
        ready.release();
    });
    ready.acquire();

    QNetworkAccessManager manager;
    UrlSession session(&manager, 10000);
    const SubsonicClient client(
        ServerConfig {server->baseUrl(), QStringLiteral("bench"), QStringLiteral("bench")}, &session);
    QTemporaryDir cacheDir;
    ArtworkFetcher fetcher(cacheDir.path(), &session);
    ArtworkClient artwork(&fetcher);
    artwork.setClient(client);
    ArtworkClient::setCurrent(&artwork);

    LibraryStore library(client);
    DownloadStore downloads(client);
    PlayerController player(new FakeQueuePlayer);
    MainViewModel main(client, &library, &downloads, &player);

    const PageRoute route = PageRoute::forSelection(SidebarSelection::item(SidebarItem::Albums));
    auto *context = new PageContext(&main, route, 0);

    // What one page costs the GUI thread: from the store's change to the
    // grid having taken it (the model's rows and the view's bookkeeping).
    QElapsedTimer appendTimer;
    QList<double> appendMs;
    QObject::connect(&library, &LibraryStore::albumListsChanged, [&] { appendTimer.start(); });
    auto *viewModel = static_cast<AlbumGridViewModel *>(PageRegistry::createViewModel(context));
    int lastCount = 0;
    QObject::connect(&library, &LibraryStore::albumListsChanged, [&] {
        const double ms = double(appendTimer.nsecsElapsed()) / 1e6;
        if (viewModel->albums()->count() != lastCount)
            appendMs << ms;
        lastCount = viewModel->albums()->count();
    });

    QQmlEngine engine;
    engine.addImportPath(QStringLiteral("qrc:/"));
    QQuickWindow window;
    window.resize(1000, 700);
    window.show();
    QQmlComponent component(&engine, PageRegistry::source(route.kind));
    QObject *object
        = component.createWithInitialProperties({{QStringLiteral("context"), QVariant::fromValue(context)},
            {QStringLiteral("viewModel"), QVariant::fromValue(static_cast<QObject *>(viewModel))}});
    auto *page = qobject_cast<QQuickItem *>(object);
    if (!page) {
        std::fprintf(stderr, "The page did not load: %s\n", qPrintable(component.errorString()));
        return 1;
    }
    page->setParentItem(window.contentItem());
    page->setSize(window.size());
    context->setParent(page);
    auto *grid = page->findChild<QQuickItem *>(QStringLiteral("albumGrid"));

    // Every page, asked for as the last tile comes into view would.
    QElapsedTimer total;
    total.start();
    while (!library.albumList(AlbumListType::AlphabeticalByName).reachedEnd && total.elapsed() < 120000) {
        if (!viewModel->isLoading())
            viewModel->tileAppeared(viewModel->albums()->count() - 1);
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    }
    const int loaded = viewModel->albums()->count();
    std::printf(
        "Albums loaded: %d in %zd pages, %.2f s\n", loaded, appendMs.size(), total.elapsed() / 1000.0);
    std::printf("Page append on the GUI thread: median %.3f ms, worst %.3f ms\n", percentile(appendMs, 0.5),
        percentile(appendMs, 1.0));

    std::printf("After loading: resident %.0f MiB\n", statusMB("VmRSS:"));

    // Scroll from top to bottom, one step a frame, while covers load. Each
    // step runs from the event loop, as a wheel event does: what the grid
    // hands to the loop (tiles scrolled away are deleted later) then happens
    // as it would in the program. Steps made outside any event loop leave
    // every tile they scroll away alive until the end.
    QElapsedTimer tick;
    double longestStall = 0;
    QTimer heartbeat;
    heartbeat.setInterval(1);
    tick.start();
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        longestStall = std::max(longestStall, double(tick.nsecsElapsed()) / 1e6);
        tick.restart();
    });
    QList<double> frameMs;
    // The part of each frame spent in the scroll step itself: the grid makes
    // the tiles that come into view (and drops those that left) right there.
    QList<double> stepMs;
    QList<double> frameCpuMs;
    double frameCpuStart = 0;
    const double end = grid->property("contentHeight").toDouble() - grid->height();
    const double topMargin = grid->property("topMargin").toDouble();
    QEventLoop scrolling;
    QElapsedTimer frame;
    CoverCounter counter;
    // What ran in each frame, for the worst ones: the scroll step, the
    // events before the frame was drawn (covers arriving, tiles deleted),
    // the scene graph's sync (which paints changed covers) and the render;
    // the tiles made and dropped and the covers that arrived.
    struct FrameRecord
    {
        double total = 0, cpu = 0, step = 0, events = 0, sync = 0, render = 0;
        int made = 0, dropped = 0, covers = 0;
    };
    QList<FrameRecord> records;
    FrameRecord current;
    QElapsedTimer phase;
    QSet<QQuickItem *> tilesSeen;
    const auto liveTiles = [&] {
        QList<QQuickItem *> tiles;
        for (QQuickItem *item : grid->property("contentItem").value<QQuickItem *>()->childItems()) {
            if (item->objectName() == QStringLiteral("albumCell"))
                tiles << item;
        }
        return tiles;
    };
    const auto watchNewTiles = [&] {
        for (QQuickItem *tile : liveTiles()) {
            if (tilesSeen.contains(tile))
                continue;
            tilesSeen.insert(tile);
            ++current.made;
            QObject::connect(tile, &QObject::destroyed, &app, [&, tile] {
                tilesSeen.remove(tile);
                ++current.dropped;
            });
            for (QQuickItem *cover : tile->findChildren<QQuickItem *>()) {
                if (cover->inherits("CoverImage") && cover->isVisible())
                    QObject::connect(cover, SIGNAL(hasImageChanged()), &counter, SLOT(count()));
            }
        }
    };
    QObject::connect(&counter, &CoverCounter::counted, [&] { ++current.covers; });
    QObject::connect(&window, &QQuickWindow::afterAnimating, [&] {
        if (frame.isValid())
            current.events = double(phase.nsecsElapsed()) / 1e6;
        phase.start();
    });
    QObject::connect(
        &window, &QQuickWindow::afterSynchronizing, &window,
        [&] {
            current.sync = double(phase.nsecsElapsed()) / 1e6;
            phase.start();
        },
        Qt::DirectConnection);
    QObject::connect(
        &window, &QQuickWindow::afterRendering, &window,
        [&] { current.render = double(phase.nsecsElapsed()) / 1e6; }, Qt::DirectConnection);
    QTimer noFrame; // a step that changes nothing on screen draws no frame
    noFrame.setSingleShot(true);
    noFrame.setInterval(1000);
    double y = 0;
    const auto step = [&] {
        if (y > end + 60) {
            scrolling.quit();
            return;
        }
        current = {};
        frame.start();
        frameCpuStart = threadCpuMs();
        grid->setProperty("contentY", std::min(y, end) - topMargin);
        stepMs << double(frame.nsecsElapsed()) / 1e6;
        current.step = stepMs.last();
        watchNewTiles();
        phase.start();
        y += 60;
        noFrame.start();
    };
    const auto frameShown = [&] {
        if (!frame.isValid())
            return; // a frame of a cover arriving between two steps
        noFrame.stop();
        frameMs << double(frame.nsecsElapsed()) / 1e6;
        frameCpuMs << threadCpuMs() - frameCpuStart;
        current.total = frameMs.last();
        current.cpu = frameCpuMs.last();
        records << current;
        frame.invalidate();
        if (frameMs.size() % 500 == 0) {
            std::printf("  %zd frames (%.0f%% down): longest frame %.2f ms, resident %.0f MiB\n",
                frameMs.size(), 100.0 * std::min(y, end) / end, percentile(frameMs, 1.0), statusMB("VmRSS:"));
        }
        QTimer::singleShot(0, &scrolling, step);
    };
    QObject::connect(&window, &QQuickWindow::frameSwapped, &scrolling, frameShown, Qt::QueuedConnection);
    QObject::connect(&noFrame, &QTimer::timeout, &scrolling, frameShown);
    heartbeat.start();
    tick.restart();
    QTimer::singleShot(0, &scrolling, step);
    scrolling.exec();
    heartbeat.stop();
    std::printf("Scroll through %d albums: %zd frames, median %.2f ms, p99 %.2f ms, longest %.2f ms;"
                " longest GUI-thread stall %.2f ms\n",
        loaded, frameMs.size(), percentile(frameMs, 0.5), percentile(frameMs, 0.99), percentile(frameMs, 1.0),
        longestStall);
    std::sort(records.begin(), records.end(),
        [](const FrameRecord &a, const FrameRecord &b) { return a.total > b.total; });
    std::printf("The worst frames (ms: step, events before the frame, sync with cover painting, render;"
                " tiles made/dropped, covers arrived):\n");
    for (qsizetype n = 0; n < std::min<qsizetype>(3, records.size()); ++n) {
        const FrameRecord &r = records.at(n);
        std::printf("  %.2f ms (GUI-thread CPU %.2f): step %.2f, events %.2f, sync %.2f, render %.2f;"
                    " tiles +%d/-%d, covers %d\n",
            r.total, r.cpu, r.step, r.events, r.sync, r.render, r.made, r.dropped, r.covers);
    }
    std::printf("GUI-thread CPU per frame: median %.2f ms, p99 %.2f ms, longest %.2f ms\n",
        percentile(frameCpuMs, 0.5), percentile(frameCpuMs, 0.99), percentile(frameCpuMs, 1.0));
    std::printf(
        "Of which the scroll step (tiles made and dropped): median %.2f ms, p99 %.2f ms, longest %.2f ms\n",
        percentile(stepMs, 0.5), percentile(stepMs, 0.99), percentile(stepMs, 1.0));

    // Let the last covers land, then sum what the memory cache holds.
    QEventLoop settling;
    QTimer::singleShot(2000, &settling, &QEventLoop::quit);
    settling.exec();
    qint64 cached = 0;
    int cachedCovers = 0;
    for (int n = 0; n < Albums; ++n) {
        for (int size : ArtworkFetcher::PixelBuckets) {
            const auto key = artwork.cacheKey(QStringLiteral("al-%1").arg(n), size);
            const QImage image = key ? ArtworkStore::image(*key) : QImage();
            if (!image.isNull()) {
                cached += image.sizeInBytes();
                ++cachedCovers;
            }
        }
    }
    // Tiles live in the grid's content item (their item parent); those
    // scrolled away must be gone, not hidden.
    qlonglong tiles = 0;
    for (const QQuickItem *item : grid->property("contentItem").value<QQuickItem *>()->childItems())
        tiles += item->objectName() == QStringLiteral("albumCell");
    std::printf("Tiles alive after the scroll: %lld\n", tiles);
    std::printf(
        "Covers in the memory cache: %d, %.1f MiB (limit %.0f MiB); resident %.0f MiB, peak %.0f MiB\n",
        cachedCovers, double(cached) / 1048576.0, double(ArtworkStore::CostLimit) / 1048576.0,
        statusMB("VmRSS:"), statusMB("VmHWM:"));

    delete page;
    ArtworkClient::setCurrent(nullptr);
    QMetaObject::invokeMethod(
        &anchor, [&] { delete server; }, Qt::BlockingQueuedConnection);
    serverThread.quit();
    serverThread.wait();
    return 0;
}

#include "bench_album_grid.moc"
