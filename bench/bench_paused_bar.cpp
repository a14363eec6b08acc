// The main window's cost while a song is paused: the process's CPU time over
// 10 s with the now-playing bar shown and nothing playing. Run offscreen:
//     QT_QPA_PLATFORM=offscreen build/bench/bench_paused_bar
// It prints "paused-cpu-seconds <s> over <wall s> (<percent>%)"; with the
// argument "nosong" the same window without a song, as the baseline.

#include <QFile>
#include <QGuiApplication>
#include <QQuickStyle>
#include <QtQml/qqmlextensionplugin.h>
#include <QtTest>

#include <cstdio>
#include <unistd.h>

#include "Helpers/UI/PageHarness.h"
#include "MainViewModel.h"
#include "Playback/PlayerController.h"

Q_IMPORT_QML_PLUGIN(Lirna_UIPlugin)

namespace {

// User plus system time of this process, in seconds (fields 14 and 15).
double processCpuSeconds()
{
    QFile file(QStringLiteral("/proc/self/stat"));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray stat = file.readAll();
    // The command name may hold spaces: count fields after its closing parenthesis.
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    const double ticks = double(sysconf(_SC_CLK_TCK));
    return (fields.value(11).toDouble() + fields.value(12).toDouble()) / ticks;
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    QQuickStyle::setStyle(QStringLiteral("Basic"));
    PageHarness harness;
    if (!harness.start(QSize(1100, 720)))
        return 1;
    if (!harness.load(QStringLiteral("MainView.qml"),
            {{QStringLiteral("viewModel"), QVariant::fromValue(harness.main())}}))
        return 1;
    Song song;
    song.id = QStringLiteral("s1");
    song.title = QStringLiteral("Song");
    song.artist = QStringLiteral("Artist");
    song.album = QStringLiteral("Album");
    song.albumId = QStringLiteral("al");
    song.duration = 200;
    const bool withSong = !app.arguments().contains(QStringLiteral("nosong"));
    if (withSong) {
        harness.player()->play({song, song}, harness.main()->client(), 0, std::nullopt);
        QTest::qWait(500);
        harness.player()->seek(42);
        harness.player()->pause();
    }
    // Let the pause's animations finish before measuring.
    QTest::qWait(1500);

    QElapsedTimer wall;
    wall.start();
    const double before = processCpuSeconds();
    QTest::qWait(10'000);
    const double cpu = processCpuSeconds() - before;
    const double seconds = wall.elapsed() / 1000.0;
    std::printf(withSong ? "paused-cpu-seconds" : "nosong-cpu-seconds");
    std::printf(" %.3f over %.1f s (%.2f%%)\n", cpu, seconds, 100 * cpu / seconds);
    return 0;
}
