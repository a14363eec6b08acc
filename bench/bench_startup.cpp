// Time from launch to the first frame of the real program, side by side with
// a bare Qt Quick window (bench_minimal_quick) in the same run, and for
// reference a bare Qt Quick Controls window in the program's style.
//
// Both are started with LIRNA_EXIT_AFTER_FIRST_FRAME set: they print the
// monotonic clock at their first frame and quit. The time to first frame is
// that clock minus the one read just before the start.
//
// cold: fresh XDG folders (config, cache, data, state) and a GStreamer
//       registry file that does not exist yet, as on a first launch;
// warm: the folders and the registry of an earlier run.
//
// Usage: bench_startup [runs]   (default 7). The platform is QT_QPA_PLATFORM
// when set, else offscreen; run it under xvfb-run for the X11 path.

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>

namespace {

struct Program
{
    const char *name;
    QString binary;
    QStringList arguments;
};

qint64 monotonicNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
        std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// A home of XDG folders and a GStreamer registry path inside `root`.
QProcessEnvironment environmentIn(const QString &root)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME"}) {
        const QString folder = root + QLatin1Char('/') + QString::fromLatin1(name).toLower();
        QDir().mkpath(folder);
        env.insert(QString::fromLatin1(name), folder);
    }
    env.insert(QStringLiteral("GST_REGISTRY"), root + QStringLiteral("/gst-registry.bin"));
    env.insert(QStringLiteral("LIRNA_EXIT_AFTER_FIRST_FRAME"), QStringLiteral("1"));
    if (!env.contains(QStringLiteral("QT_QPA_PLATFORM")))
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    return env;
}

// Milliseconds from the start to the first frame, or none when the program
// printed no frame.
std::optional<double> firstFrameMs(const Program &program, const QString &root)
{
    QProcess process;
    process.setProcessEnvironment(environmentIn(root));
    process.setProcessChannelMode(QProcess::SeparateChannels);
    const qint64 started = monotonicNs();
    process.start(program.binary, program.arguments);
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        return std::nullopt;
    }
    for (const QByteArray &line : process.readAllStandardOutput().split('\n')) {
        if (line.startsWith("first-frame ")) {
            bool ok = false;
            const qint64 frame = line.mid(12).trimmed().toLongLong(&ok);
            if (ok)
                return double(frame - started) / 1e6;
        }
    }
    std::fprintf(
        stderr, "%s printed no frame:\n%s\n", program.name, process.readAllStandardError().constData());
    return std::nullopt;
}

struct Figures
{
    double min = 0;
    double median = 0;
};

Figures summarise(QList<double> values)
{
    std::sort(values.begin(), values.end());
    const qsizetype n = values.size();
    const double median = n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    return {values.first(), median};
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 7;
    constexpr int Count = 3;
    const Program programs[Count] = {{"lirna", QStringLiteral(LIRNA_BINARY), {}},
        {"minimal Qt Quick", QStringLiteral(MINIMAL_QUICK_BINARY), {}},
        {"minimal Controls", QStringLiteral(MINIMAL_QUICK_BINARY), {QStringLiteral("controls")}}};

    // [program][cold, warm]
    QList<double> times[Count][2];
    QTemporaryDir warmRoots[Count];
    for (int p = 0; p < Count; ++p) {
        // The warm folders are filled by one run that is not counted.
        if (!firstFrameMs(programs[p], warmRoots[p].path()))
            return 1;
    }
    // Interleaved, so that a busy moment of the machine weighs on both.
    for (int run = 0; run < runs; ++run) {
        for (int p = 0; p < Count; ++p) {
            QTemporaryDir coldRoot;
            const std::optional<double> cold = firstFrameMs(programs[p], coldRoot.path());
            const std::optional<double> warm = firstFrameMs(programs[p], warmRoots[p].path());
            if (!cold || !warm)
                return 1;
            times[p][0].append(*cold);
            times[p][1].append(*warm);
        }
    }

    std::printf("time to first frame, %d runs each (ms):\n", runs);
    std::printf("%-18s %10s %10s %10s %10s\n", "", "cold min", "cold med", "warm min", "warm med");
    Figures figures[Count][2];
    for (int p = 0; p < Count; ++p) {
        figures[p][0] = summarise(times[p][0]);
        figures[p][1] = summarise(times[p][1]);
        std::printf("%-18s %10.0f %10.0f %10.0f %10.0f\n", programs[p].name, figures[p][0].min,
            figures[p][0].median, figures[p][1].min, figures[p][1].median);
    }
    for (int p = 1; p < Count; ++p) {
        std::printf("lirna / %s: cold %.2fx (min %.2fx), warm %.2fx (min %.2fx)\n", programs[p].name,
            figures[0][0].median / figures[p][0].median, figures[0][0].min / figures[p][0].min,
            figures[0][1].median / figures[p][1].median, figures[0][1].min / figures[p][1].min);
    }
    return 0;
}
