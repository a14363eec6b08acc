// The song table with 20,000 songs: CPU time on the GUI thread to build the
// table model (sorted by title), to sort it by each column in both
// directions, and to re-sort the liked table after a like, each beside a
// plain std::stable_sort of the same precomputed keys in the same run; the
// time from opening the Songs page (library already loaded) to its first
// frame offscreen; and the heap the table model takes beyond the store's
// list. Figures are the minimum of several runs.

#include <QCollator>
#include <QCollatorSortKey>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QJsonDocument>
#include <QQuickItem>
#include <QQuickWindow>
#include <QUrlQuery>
#include <QtQml/qqmlextensionplugin.h>

#include <malloc.h>
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <numeric>
#include <vector>

#include "Helpers/UI/PageHarness.h"
#include "Library/LibraryStore.h"
#include "Songs/SongTableModel.h"

Q_IMPORT_QML_PLUGIN(Lirna_UIPlugin)

namespace {

constexpr int SongCount = 20'000;
constexpr int Runs = 5;

double threadCpuMs()
{
    timespec ts {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

double minimumOf(const std::function<void()> &prepare, const std::function<void()> &work)
{
    double best = 1e18;
    for (int run = 0; run < Runs; ++run) {
        prepare();
        const double start = threadCpuMs();
        work();
        best = std::min(best, threadCpuMs() - start);
    }
    return best;
}

// Library-like data: numbered titles, a few hundred artists and albums, some
// songs without artist, album or duration.
QList<Song> library()
{
    static const char *const Words[] = {"Love", "night", "Blue", "river", "Echo", "dance", "Gold", "rain"};
    QList<Song> songs;
    songs.reserve(SongCount);
    for (int i = 0; i < SongCount; ++i) {
        Song s;
        s.id = QStringLiteral("song-%1").arg(i);
        s.title = QStringLiteral("%1 %2 %3")
                      .arg(QLatin1String(Words[(i * 7) % 8]), QLatin1String(Words[i % 8]))
                      .arg(i % 97);
        if (i % 50 != 0)
            s.artist = QStringLiteral("Artist %1").arg((i * 31) % 400);
        if (i % 40 != 0)
            s.album = QStringLiteral("Album %1").arg((i * 13) % 1600);
        if (i % 60 != 0)
            s.duration = 90 + (i * 17) % 400;
        songs.append(s);
    }
    return songs;
}

size_t heapInUse()
{
    malloc_trim(0);
    return mallinfo2().uordblks;
}

// The plain sort: the same keys, precomputed, in one std::stable_sort.
double plainSort(const QList<Song> &songs, SongColumn column, bool ascending)
{
    const QCollator collator = SongSort::collator(QLocale(QLocale::English, QLocale::UnitedStates));
    std::vector<QCollatorSortKey> keys;
    std::vector<qint64> seconds;
    for (const Song &song : songs) {
        if (column == SongColumn::Time)
            seconds.push_back(SongSort::durationSeconds(song));
        else
            keys.push_back(collator.sortKey(SongSort::textValue(song, column)));
    }
    std::vector<int> order(songs.size());
    return minimumOf([&] { std::iota(order.begin(), order.end(), 0); },
        [&] {
            std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
                const int c = column == SongColumn::Time
                    ? (seconds[a] < seconds[b] ? -1 : seconds[a] > seconds[b])
                    : keys[a].compare(keys[b]);
                return ascending ? c < 0 : c > 0;
            });
        });
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QLocale locale(QLocale::English, QLocale::UnitedStates);
    const QList<Song> songs = library();
    static const char *const Names[] = {"Title", "Artist", "Album", "Time"};

    // Building: the model over the list, sorted by title (its keys made here).
    const size_t heapBefore = heapInUse();
    size_t heapOfModel = 0;
    {
        auto model = std::make_unique<SongTableModel>(locale);
        model->setSortOrder({{SongColumn::Title, true}});
        model->setSongs(songs);
        heapOfModel = heapInUse() - heapBefore;
        // With every column's keys made, as after sorting by each.
        for (int c = 1; c < 3; ++c)
            model->setSortOrder({{SongColumn(c), true}});
        std::printf("table model heap beyond the store's list: %.2f MB (title keys), %.2f MB (all keys)\n",
            heapOfModel / 1048576.0, (heapInUse() - heapBefore) / 1048576.0);
    }
    std::unique_ptr<SongTableModel> model;
    const double build = minimumOf([&] { model.reset(); },
        [&] {
            model = std::make_unique<SongTableModel>(locale);
            model->setSortOrder({{SongColumn::Title, true}});
            model->setSongs(songs);
        });
    const double plainTitle = plainSort(songs, SongColumn::Title, true);
    std::printf("build (20,000 songs, by title): %.1f ms CPU; plain stable_sort of title keys %.1f ms\n",
        build, plainTitle);

    // Sorting a shown table by each column and direction (keys already made).
    for (int c = 0; c < 4; ++c) {
        for (const bool ascending : {true, false}) {
            const double sort = minimumOf(
                [&] {
                    model->setSortOrder({{SongColumn((c + 1) % 4), true}});
                },
                [&] {
                    model->setSortOrder({{SongColumn(c), ascending}});
                });
            const double plain = plainSort(songs, SongColumn(c), ascending);
            std::printf("sort %-6s %-4s: %6.1f ms CPU; plain %6.1f ms; ratio %.1f\n", Names[c],
                ascending ? "asc" : "desc", sort, plain, sort / std::max(plain, 0.001));
        }
    }

    // A like puts the song at the front of the liked list; the liked table
    // (here sorted by title) takes the new list.
    {
        QList<Song> liked = songs.mid(1);
        SongTableModel likedModel(locale);
        likedModel.setSortOrder({{SongColumn::Title, true}});
        likedModel.setSongs(liked);
        QList<Song> afterLike = liked;
        afterLike.prepend(songs.first());
        const double resort
            = minimumOf([&] { likedModel.setSongs(liked); }, [&] { likedModel.setSongs(afterLike); });
        std::printf("re-sort after a like (liked table of 20,000, by title): %.1f ms CPU; plain %.1f ms; "
                    "ratio %.1f\n",
            resort, plainTitle, resort / std::max(plainTitle, 0.001));
    }

    // First frame of the Songs page with the library loaded, offscreen.
    PageHarness harness;
    harness.server().setHandler([&songs](const TestHttpServer::Request &request) {
        const QUrlQuery query(request.url());
        const int offset = query.queryItemValue(QStringLiteral("songOffset")).toInt();
        const int size = query.queryItemValue(QStringLiteral("songCount")).toInt();
        QByteArray list;
        for (int i = offset; i < std::min<int>(offset + size, songs.size()); ++i) {
            if (i > offset)
                list += ',';
            list += QJsonDocument(songs.at(i).toJson()).toJson(QJsonDocument::Compact);
        }
        return TestHttpServer::ok("\"searchResult3\":{\"song\":[" + list + "]}");
    });
    if (!harness.start(QSize(1000, 700)))
        return 1;
    harness.library()->ensureSongsLoaded();
    while (!harness.library()->songsLoaded())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    std::printf("store holds %lld songs\n", qlonglong(harness.library()->songs().size()));
    double bestFrame = 1e18;
    for (int run = 0; run < Runs; ++run) {
        QElapsedTimer timer;
        bool swapped = false;
        auto connection
            = QObject::connect(harness.window(), &QQuickWindow::frameSwapped, [&] { swapped = true; });
        timer.start();
        harness.loadPage(PageRoute::forSelection(SidebarSelection::item(SidebarItem::Songs)));
        harness.window()->update();
        while (!swapped)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        bestFrame = std::min(bestFrame, double(timer.nsecsElapsed()) / 1e6);
        QObject::disconnect(connection);
    }
    std::printf("Songs page to first frame (library loaded, offscreen): %.1f ms\n", bestFrame);
    return 0;
}
