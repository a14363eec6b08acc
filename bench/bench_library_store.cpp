// Loads a 20,000-song library (40 pages of 500) from a loopback server into
// the library store and prints what it cost the client: CPU time, wall time
// and peak memory; then the same for decoding one 500-song page.
//
// The server runs on a thread of its own, and its CPU time is taken out of the
// process's, so the figures are the client's (its GUI thread and Qt's network
// thread).

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSemaphore>
#include <QThread>

#include <pthread.h>
#include <time.h>

#include <cstdio>

#include "Helpers/TestHttpServer.h"
#include "Library/LibraryStore.h"
#include "Networking/SubsonicClient.h"

namespace {

constexpr int Pages = 40;
constexpr int PageSize = 500;

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
    QByteArray body = R"({"subsonic-response":{"status":"ok","version":"1.16.1","searchResult3":{"song":[)";
    for (int i = 0; i < PageSize; ++i) {
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
            const int offset = request.queryValue(QStringLiteral("songOffset")).toInt();
            const int page = offset / PageSize;
            if (page >= Pages)
                return TestHttpServer::ok(R"("searchResult3":{})");
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

    // Warm the connection machinery up so the figures are the load's own.
    {
        LibraryStore warm(client);
        warm.ensureStarredLoaded();
        QElapsedTimer wait;
        wait.start();
        while (!warm.starredLoaded() && wait.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }

    LibraryStore store(client);
    resetPeakMemory();
    const double rssBefore = statusMB("VmRSS:");
    const double processBefore = cpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
    const double serverBefore = cpuSeconds(serverClock);
    QElapsedTimer wall;
    wall.start();
    store.ensureSongsLoaded();
    while (!store.songsLoaded())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    const double wallSeconds = double(wall.nsecsElapsed()) / 1e9;
    const double clientCpu
        = (cpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - processBefore) - (cpuSeconds(serverClock) - serverBefore);
    const double peak = statusMB("VmHWM:");

    std::printf("All songs: %lld songs in %d requests\n", qlonglong(store.songs().size()),
        int(server->requests().size()) - 1);
    std::printf("  client CPU time   %.3f s\n", clientCpu);
    std::printf("  wall time         %.3f s\n", wallSeconds);
    std::printf("  resident before   %.1f MB\n", rssBefore);
    std::printf("  peak resident     %.1f MB (+%.1f MB during the load)\n", peak, peak - rssBefore);
    if (store.songsError())
        std::printf("  error: %s\n", qPrintable(*store.songsError()));

    // Decoding one page alone.
    constexpr int Rounds = 20;
    resetPeakMemory();
    const double rssBeforeDecode = statusMB("VmRSS:");
    const double decodeCpuBefore = cpuSeconds(CLOCK_THREAD_CPUTIME_ID);
    QElapsedTimer decodeWall;
    decodeWall.start();
    qsizetype decoded = 0;
    for (int round = 0; round < Rounds; ++round)
        decoded
            += SubsonicClient::decodePayload<SubsonicPayloads::SearchSongsPayload>(bodies.at(round % Pages))
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
