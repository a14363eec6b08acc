// Loads a library of 19,750 songs (39 pages of 500 and a short last page of
// 250, as a real library ends) from a loopback server into the library store,
// several times, and prints what it cost the client: CPU time and wall time
// (minimum and median of the runs) and peak memory; then the same CPU time for
// a bare QJsonDocument parse and walk of the same pages, and the ratio of the
// two; then the cost of decoding one 500-song page.
//
// The server runs on a thread of its own, and its CPU time is taken out of the
// process's, so the figures are the client's (its GUI thread and Qt's network
// thread). One load before the measured ones warms the connection machinery
// and the code paths up on the same real answers.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSemaphore>
#include <QThread>

#include <pthread.h>
#include <time.h>

#include <algorithm>
#include <cstdio>

#include "Helpers/TestHttpServer.h"
#include "Library/LibraryStore.h"
#include "Networking/SubsonicClient.h"

namespace {

constexpr int Pages = 40;
constexpr int PageSize = 500;
constexpr int LastPageSize = 250; // the library ends on a short page
constexpr int Runs = 7;

QByteArray songJson(int n)
{
    const int album = n / 12;
    return QStringLiteral(
        R"({"id":"so-%1-4f2a9c","title":"A Reasonably Long Song Title Number %1",)"
        R"("album":"The Album Called Number %2","albumId":"al-%2-77ab","artist":"Some Artist %3",)"
        R"("artistId":"ar-%3-19cd","track":%4,"discNumber":1,"year":%5,"duration":%6,)"
        R"("contentType":"audio/flac","suffix":"flac","coverArt":"al-%2-77ab",)"
        R"("size":31457280,"bitRate":1024,"path":"Some Artist %3/Album %2/%4 - Song %1.flac",)"
        R"("isDir":false,"type":"music","created":"2021-03-04T05:06:07.000Z"})")
        .arg(n)
        .arg(album)
        .arg(album / 5)
        .arg(n % 12 + 1)
        .arg(1970 + album % 50)
        .arg(120 + n % 300)
        .toUtf8();
}

QByteArray pageBody(int page)
{
    const int count = page == Pages - 1 ? LastPageSize : PageSize;
    QByteArray body = R"({"subsonic-response":{"status":"ok","version":"1.16.1","searchResult3":{"song":[)";
    for (int i = 0; i < count; ++i) {
        if (i)
            body += ',';
        body += songJson(page * PageSize + i);
    }
    return body + "]}}}";
}

double cpuSeconds(clockid_t clock)
{
    timespec ts {};
    clock_gettime(clock, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

// Resident memory figures of this process, in MB.
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

void resetPeakMemory()
{
    QFile file(QStringLiteral("/proc/self/clear_refs"));
    if (file.open(QIODevice::WriteOnly))
        file.write("5");
}

double minimum(QList<double> values)
{
    return *std::min_element(values.cbegin(), values.cend());
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

// The least a client must do with the pages: parse each and read every field
// of every song. Returns how many fields it read.
qsizetype parseAndWalk(const QList<QByteArray> &bodies)
{
    static volatile qsizetype sink = 0;
    qsizetype touched = 0;
    for (const QByteArray &body : bodies) {
        const QJsonObject response
            = QJsonDocument::fromJson(body).object().value("subsonic-response").toObject();
        const QJsonArray songs = response.value("searchResult3").toObject().value("song").toArray();
        for (const QJsonValue &song : songs) {
            const QJsonObject object = song.toObject();
            for (auto it = object.constBegin(); it != object.constEnd(); ++it, ++touched)
                sink = sink
                    + (it.value().isString() ? it.value().toString().size()
                                             : qsizetype(it.value().toDouble()));
        }
    }
    return touched;
}

struct Load
{
    double clientCpu = 0;
    double wall = 0;
    double peakGrowth = 0;
    qsizetype songs = 0;
    int requests = 0;
    std::optional<QString> error;
};

Load loadOnce(const SubsonicClient &client, TestHttpServer *server, clockid_t serverClock)
{
    LibraryStore store(client);
    const int requestsBefore = int(server->requests().size());
    resetPeakMemory();
    const double rssBefore = statusMB("VmRSS:");
    const double processBefore = cpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
    const double serverBefore = cpuSeconds(serverClock);
    QElapsedTimer wall;
    wall.start();
    store.ensureSongsLoaded();
    while (!store.songsLoaded() && !store.songsError())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    Load load;
    load.wall = double(wall.nsecsElapsed()) / 1e9;
    load.clientCpu
        = (cpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - processBefore) - (cpuSeconds(serverClock) - serverBefore);
    load.peakGrowth = statusMB("VmHWM:") - rssBefore;
    load.songs = store.songs().size();
    load.requests = int(server->requests().size()) - requestsBefore;
    load.error = store.songsError();
    return load;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);

    QList<QByteArray> bodies;
    for (int page = 0; page < Pages; ++page)
        bodies.append(pageBody(page));

    // The server and its clock live on their own thread.
    QThread serverThread;
    serverThread.start();
    TestHttpServer *server = nullptr;
    clockid_t serverClock {};
    QSemaphore ready;
    QObject anchor;
    anchor.moveToThread(&serverThread);
    QMetaObject::invokeMethod(&anchor, [&] {
        server = new TestHttpServer;
        server->setHandler([&bodies](const TestHttpServer::Request &request) {
            if (request.path() != "/rest/search3")
                return TestHttpServer::ok();
            const int page = request.queryValue(QStringLiteral("songOffset")).toInt() / PageSize;
            // Past the short last page nothing should be asked: make it show.
            if (page >= Pages)
                return TestHttpServer::json("past the end", 500);
            return TestHttpServer::json(bodies.at(page));
        });
        server->listen();
        pthread_getcpuclockid(pthread_self(), &serverClock);
        ready.release();
    });
    ready.acquire();

    const SubsonicClient client(
        ServerConfig {server->baseUrl(), QStringLiteral("bench"), QStringLiteral("bench")},
        UrlSession::shared());

    const Load warm = loadOnce(client, server, serverClock);
    if (warm.error || warm.songs != (Pages - 1) * PageSize + LastPageSize) {
        std::fprintf(stderr, "the warm-up load failed: %lld songs, %s\n", qlonglong(warm.songs),
            qPrintable(warm.error.value_or(QStringLiteral("no error"))));
        return 1;
    }

    QList<double> cpu, wall;
    double peakGrowth = 0;
    for (int run = 0; run < Runs; ++run) {
        const Load load = loadOnce(client, server, serverClock);
        if (load.error || load.songs != warm.songs || load.requests != Pages) {
            std::fprintf(stderr, "run %d failed: %lld songs in %d requests, %s\n", run + 1,
                qlonglong(load.songs), load.requests,
                qPrintable(load.error.value_or(QStringLiteral("no error"))));
            return 1;
        }
        cpu.append(load.clientCpu);
        wall.append(load.wall);
        peakGrowth = std::max(peakGrowth, load.peakGrowth);
    }

    QList<double> bare;
    qsizetype touched = 0;
    for (int run = 0; run < Runs; ++run) {
        const double before = cpuSeconds(CLOCK_THREAD_CPUTIME_ID);
        touched += parseAndWalk(bodies);
        bare.append(cpuSeconds(CLOCK_THREAD_CPUTIME_ID) - before);
    }

    std::printf("All songs: %lld songs in %d requests, the last page %d songs; %d runs after one warm-up\n",
        qlonglong(warm.songs), Pages, LastPageSize, Runs);
    std::printf("  client CPU time   min %.3f s   median %.3f s\n", minimum(cpu), median(cpu));
    std::printf("  wall time         min %.3f s   median %.3f s\n", minimum(wall), median(wall));
    std::printf("  peak resident     +%.1f MB during a load (largest of the runs)\n", peakGrowth);
    std::printf("Bare QJsonDocument parse and walk of the same pages (%lld fields read)\n",
        qlonglong(touched / Runs));
    std::printf("  CPU time          min %.3f s   median %.3f s\n", minimum(bare), median(bare));
    std::printf("  client / bare     %.2fx (medians), %.2fx (minimums)\n", median(cpu) / median(bare),
        minimum(cpu) / minimum(bare));

    // Decoding one page alone.
    constexpr int Rounds = 20;
    resetPeakMemory();
    const double rssBeforeDecode = statusMB("VmRSS:");
    const double decodeCpuBefore = cpuSeconds(CLOCK_THREAD_CPUTIME_ID);
    QElapsedTimer decodeWall;
    decodeWall.start();
    qsizetype decoded = 0;
    for (int round = 0; round < Rounds; ++round)
        decoded += SubsonicClient::decodePayload<SubsonicPayloads::SearchSongsPayload>(
            bodies.at(round % (Pages - 1)))
                       .result()
                       .size();
    const double decodeCpu = (cpuSeconds(CLOCK_THREAD_CPUTIME_ID) - decodeCpuBefore) / Rounds;
    const double decodeWallSeconds = double(decodeWall.nsecsElapsed()) / 1e9 / Rounds;
    std::printf("One page of %d songs (%.0f KB), mean of %d decodes (%lld songs)\n", PageSize,
        bodies.first().size() / 1024.0, Rounds, qlonglong(decoded));
    std::printf("  CPU time          %.2f ms\n", decodeCpu * 1000);
    std::printf("  wall time         %.2f ms\n", decodeWallSeconds * 1000);
    std::printf("  peak resident     +%.1f MB\n", statusMB("VmHWM:") - rssBeforeDecode);

    QMetaObject::invokeMethod(
        &anchor, [&] { delete server; }, Qt::BlockingQueuedConnection);
    serverThread.quit();
    serverThread.wait();
    return 0;
}
