// Encodes and saves the download manifest of 20,000 songs (about 1,700
// albums, some songs also in playlists), as the download store does after
// every downloaded song, and prints the minimum and median of several runs
// (wall time and CPU time of the thread doing the work):
// the encoding alone, the encoding with the atomic write, and what a save
// costs the calling thread when the write goes to the worker.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>

#include "Downloads/DownloadManifest.h"
#include "Downloads/ManifestWriter.h"

namespace {

constexpr int Songs = 20000;
constexpr int Runs = 15;

DownloadManifest makeManifest(int count)
{
    DownloadManifest manifest;
    manifest.songs.reserve(count);
    for (int n = 0; n < count; ++n) {
        const int album = n / 12;
        Song song;
        song.id = QStringLiteral("so-%1-4f2a9c").arg(n);
        song.title = QStringLiteral("A Reasonably Long Song Title Number %1").arg(n);
        song.album = QStringLiteral("The Album Called Number %1").arg(album);
        song.albumId = QStringLiteral("al-%1-77ab").arg(album);
        song.artist = QStringLiteral("Some Artist %1").arg(album / 5);
        song.artistId = QStringLiteral("ar-%1-19cd").arg(album / 5);
        song.track = n % 12 + 1;
        song.discNumber = 1;
        song.year = 1970 + album % 50;
        song.duration = 120 + n % 300;
        song.contentType = QStringLiteral("audio/flac");
        song.suffix = QStringLiteral("flac");
        song.coverArt = song.albumId;
        const QString albumKey = QStringLiteral("album:") + *song.albumId;
        QSet<QString> owners {albumKey};
        if (n % 7 == 0)
            owners.insert(QStringLiteral("playlist:pl-%1").arg(n % 40));
        manifest.songs.insert(song.id, DownloadedSong {song, QStringLiteral("flac"), 31457280 + n, owners});
        manifest.collections.insert(albumKey, DownloadCollection {albumKey, *song.album, *song.artist});
    }
    return manifest;
}

double threadCpuMs()
{
    timespec ts {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

// Minimum and median of wall time and of this thread's CPU time: on a busy
// machine the CPU figures move less.
struct Figures
{
    double wallMin = 0;
    double wallMedian = 0;
    double cpuMin = 0;
    double cpuMedian = 0;
};

Figures measure(const std::function<void()> &run)
{
    QList<double> wall;
    QList<double> cpu;
    for (int i = 0; i < Runs; ++i) {
        QElapsedTimer timer;
        const double cpuStart = threadCpuMs();
        timer.start();
        run();
        wall.append(double(timer.nsecsElapsed()) / 1e6);
        cpu.append(threadCpuMs() - cpuStart);
    }
    std::sort(wall.begin(), wall.end());
    std::sort(cpu.begin(), cpu.end());
    return {wall.first(), wall.at(wall.size() / 2), cpu.first(), cpu.at(cpu.size() / 2)};
}

void print(const char *what, const Figures &f)
{
    std::printf("%-40s wall min %7.2f median %7.2f ms   cpu min %7.2f median %7.2f ms\n", what, f.wallMin,
        f.wallMedian, f.cpuMin, f.cpuMedian);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    const QString path = dir.filePath(QStringLiteral("manifest.json"));
    const DownloadManifest manifest = makeManifest(Songs);

    QByteArray encoded;
    const Figures encode = measure([&] { encoded = manifest.toJson(); });
    if (DownloadManifest::fromJson(encoded) != manifest) {
        std::fprintf(stderr, "the encoded manifest does not read back equal\n");
        return 1;
    }
    const Figures save = measure([&] { ManifestWriter::write(path, manifest); });

    // What the GUI thread pays per save: handing over the snapshot.
    ManifestWriter writer(path);
    const Figures handOver = measure([&] { writer.save(manifest); });
    writer.flush();

    std::printf("Download manifest: %d songs, %d collections, %.1f MB, %d runs\n", Songs,
        int(manifest.collections.size()), double(QFileInfo(path).size()) / 1e6, Runs);
    print("encode (toJson)", encode);
    print("encode + atomic write (worker's part)", save);
    print("save() on the calling thread", handOver);
    return 0;
}
