// Time from launch to the first frame of the real program, side by side with
// a bare Qt Quick window (bench_minimal_quick) and a bare Qt Quick Controls
// window in the program's style, started in the same run.
//
// Two starts of the program are measured:
// - the first launch: nothing saved, the sign-in screen;
// - the signed-in start: a saved address and user name, the password in the
//   keyring, and a loopback server (on a thread of this bench) answering the
//   start's requests with a library of 2,000 albums, covers included. Besides
//   the first frame it gives the time until Home shows its featured card and
//   the first tile of each of its four rows, all with their covers.
//
// The program is started with LIRNA_EXIT_AFTER_FIRST_FRAME (first launch) or
// LIRNA_EXIT_AFTER_HOME (signed in) set: it prints the monotonic clock at
// those frames and quits. A time is that clock minus the one read just before
// the start.
//
// cold: fresh XDG folders (config, cache, data, state; so no cover on disk)
//       and a GStreamer registry file that does not exist yet;
// warm: the folders and the registry of an earlier run.
//
// Usage: bench_startup [runs] [first-launch|signed-in]   (default 7, both).
// The platform is QT_QPA_PLATFORM when set, else offscreen; run it under
// xvfb-run for the X11 path. The signed-in start needs a private session bus
// (dbus-run-session): the bench starts a throwaway unlocked keyring on it.

#include "BenchLibrary.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>
#include <random>

#include "Helpers/TestHttpServer.h"

namespace {

constexpr int Albums = 2000;
using BenchLibrary::Covers;
using BenchLibrary::coverJpeg;
const QString User = QStringLiteral("bench");
const QString Password = QStringLiteral("bench-password");

enum class Start { FirstLaunch, SignedIn, Bare };

struct Program
{
    const char *name;
    QString binary;
    QStringList arguments;
    Start start;
};

struct Times
{
    double firstFrame = 0;
    double firstFrameCpu = 0; // the CPU time of all the program's threads
    double home = 0; // signed-in start only
};

qint64 monotonicNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
        std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

QString loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("?");
    return QString::fromLatin1(file.readAll()).section(QLatin1Char(' '), 0, 2);
}

// The library: every list type shows the same albums, each from its own
// place, so that the four rows and the featured card ask for other covers.
QByteArray albumListBody(const QString &type, int offset, int size)
{
    static const QHash<QString, int> shift = {{QStringLiteral("recent"), 500},
        {QStringLiteral("newest"), 1000}, {QStringLiteral("frequent"), 1500}, {QStringLiteral("random"), -1}};
    const int from = shift.value(type, 0);
    static std::mt19937 random(7);
    QByteArray body = R"({"subsonic-response":{"status":"ok","version":"1.16.1","albumList2":{"album":[)";
    for (int i = offset; i < std::min(Albums, offset + size); ++i) {
        const int n = from < 0 ? int(random() % Albums) : (i + from) % Albums;
        if (i > offset)
            body += ',';
        body += BenchLibrary::albumJson(n);
    }
    return body + "]}}}";
}

// The loopback server, on its own thread: the bench's own thread waits on
// the program it started.
class LibraryServer
{
public:
    LibraryServer()
    {
        for (int n = 0; n < Covers; ++n)
            m_covers << coverJpeg(n);
        m_thread.start();
        m_anchor.moveToThread(&m_thread);
        QSemaphore ready;
        QMetaObject::invokeMethod(&m_anchor, [this, &ready] {
            m_server = new TestHttpServer;
            m_server->setHandler([this](const TestHttpServer::Request &request) { return answer(request); });
            m_server->listen();
            // Every request is kept by the server; the bench needs none of them.
            QObject::connect(
                m_server, &TestHttpServer::requestReceived, m_server,
                [server = m_server] { server->clearRequests(); }, Qt::QueuedConnection);
            ready.release();
        });
        ready.acquire();
    }

    ~LibraryServer()
    {
        QMetaObject::invokeMethod(
            &m_anchor, [this] { delete m_server; }, Qt::BlockingQueuedConnection);
        m_thread.quit();
        m_thread.wait();
    }

    QString address() const { return m_server->baseUrl().toString(); }

private:
    TestHttpServer::Response answer(const TestHttpServer::Request &request) const
    {
        const QByteArray path = request.path();
        if (path == "/rest/getAlbumList2") {
            return TestHttpServer::json(albumListBody(request.queryValue(QStringLiteral("type")),
                request.queryValue(QStringLiteral("offset")).toInt(),
                request.queryValue(QStringLiteral("size")).toInt()));
        }
        if (path == "/rest/getCoverArt") {
            TestHttpServer::Response response;
            response.body = m_covers.at(request.queryValue(QStringLiteral("id")).mid(3).toInt() % Covers);
            response.contentType = "image/jpeg";
            return response;
        }
        if (path == "/rest/getStarred2")
            return TestHttpServer::ok(R"("starred2":{})");
        if (path == "/rest/getPlaylists")
            return TestHttpServer::ok(R"("playlists":{"playlist":[]})");
        return TestHttpServer::ok();
    }

    QList<QByteArray> m_covers;
    QThread m_thread;
    QObject m_anchor;
    TestHttpServer *m_server = nullptr;
};

// A throwaway unlocked keyring on the session bus, holding the account's
// password, as a user who signed in before has it.
class Keyring
{
public:
    bool start(const QString &address)
    {
        if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")) {
            std::fprintf(stderr, "The signed-in start needs a session bus: run under dbus-run-session.\n");
            return false;
        }
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), m_home.path());
        env.insert(QStringLiteral("XDG_DATA_HOME"), m_home.path());
        if (!hasOwner()) {
            m_daemon.setProcessEnvironment(env);
            m_daemon.setProgram(QStringLiteral("gnome-keyring-daemon"));
            m_daemon.setArguments({QStringLiteral("--foreground"), QStringLiteral("--unlock"),
                QStringLiteral("--components=secrets")});
            m_daemon.setStandardOutputFile(QProcess::nullDevice());
            m_daemon.setStandardErrorFile(QProcess::nullDevice());
            m_daemon.start();
            if (!m_daemon.waitForStarted())
                return false;
            m_daemon.write("throwaway");
            m_daemon.waitForBytesWritten();
            m_daemon.closeWriteChannel();
            // The daemon claims its name a moment after it starts.
            for (int n = 0; n < 100 && !hasOwner(); ++n)
                QThread::msleep(100);
        }
        QProcess store;
        store.setProcessEnvironment(env);
        store.start(QStringLiteral("secret-tool"),
            {QStringLiteral("store"), QStringLiteral("--label=Lirna"), QStringLiteral("user"),
                User + QLatin1Char('@') + address, QStringLiteral("server"),
                QStringLiteral("co.quorvane.lirna"), QStringLiteral("type"), QStringLiteral("plaintext")});
        store.write(Password.toUtf8());
        store.closeWriteChannel();
        return store.waitForFinished(10000) && store.exitCode() == 0;
    }

    ~Keyring()
    {
        if (m_daemon.state() != QProcess::NotRunning) {
            m_daemon.terminate();
            m_daemon.waitForFinished(3000);
        }
    }

private:
    static bool hasOwner()
    {
        QProcess ask;
        ask.start(QStringLiteral("dbus-send"),
            {QStringLiteral("--session"), QStringLiteral("--print-reply"),
                QStringLiteral("--dest=org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
                QStringLiteral("org.freedesktop.DBus.NameHasOwner"),
                QStringLiteral("string:org.freedesktop.secrets")});
        ask.waitForFinished(5000);
        return ask.readAllStandardOutput().contains("boolean true");
    }

    QTemporaryDir m_home;
    QProcess m_daemon;
};

// A home of XDG folders and a GStreamer registry path inside `root`; for the
// signed-in start the saved account of `address` in its settings.
QProcessEnvironment environmentIn(const QString &root, Start start, const QString &address)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME"}) {
        const QString folder = root + QLatin1Char('/') + QString::fromLatin1(name).toLower();
        QDir().mkpath(folder);
        env.insert(QString::fromLatin1(name), folder);
    }
    env.insert(QStringLiteral("GST_REGISTRY"), root + QStringLiteral("/gst-registry.bin"));
    env.insert(start == Start::SignedIn ? QStringLiteral("LIRNA_EXIT_AFTER_HOME")
                                        : QStringLiteral("LIRNA_EXIT_AFTER_FIRST_FRAME"),
        QStringLiteral("1"));
    if (!env.contains(QStringLiteral("QT_QPA_PLATFORM")))
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    if (start == Start::SignedIn) {
        const QString folder = root + QStringLiteral("/xdg_config_home/Lirna");
        QDir().mkpath(folder);
        QFile settings(folder + QStringLiteral("/Lirna.conf"));
        if (!settings.exists() && settings.open(QIODevice::WriteOnly)) {
            settings.write(
                QStringLiteral("[General]\nserverURL=%1\nusername=%2\n").arg(address, User).toUtf8());
        }
    }
    return env;
}

// The clock (and the CPU time after it, when printed) of the line `what`.
std::optional<std::pair<qint64, qint64>> printedClock(const QByteArray &output, const QByteArray &what)
{
    for (const QByteArray &line : output.split('\n')) {
        if (line.startsWith(what + ' ')) {
            const QList<QByteArray> fields = line.mid(what.size() + 1).trimmed().split(' ');
            bool ok = false;
            const qint64 clock = fields.value(0).toLongLong(&ok);
            if (ok)
                return std::pair(clock, fields.value(1).toLongLong());
        }
    }
    return std::nullopt;
}

// Milliseconds from the start to the first frame (and to Home complete), or
// none when the program printed no frame.
std::optional<Times> measure(const Program &program, const QString &root, const QString &address)
{
    QProcess process;
    process.setProcessEnvironment(environmentIn(root, program.start, address));
    process.setProcessChannelMode(QProcess::SeparateChannels);
    const qint64 started = monotonicNs();
    process.start(program.binary, program.arguments);
    if (!process.waitForFinished(90000)) {
        process.kill();
        process.waitForFinished();
        return std::nullopt;
    }
    const QByteArray output = process.readAllStandardOutput();
    const auto frame = printedClock(output, "first-frame");
    const auto home = printedClock(output, "home-complete");
    if (!frame || (program.start == Start::SignedIn && !home)) {
        std::fprintf(stderr, "%s printed no %s:\n%s\n", program.name, frame ? "Home" : "frame",
            process.readAllStandardError().constData());
        return std::nullopt;
    }
    return Times {double(frame->first - started) / 1e6, double(frame->second) / 1e6,
        home ? double(home->first - started) / 1e6 : 0};
}

struct Figures
{
    double min = 0;
    double median = 0;
};

Figures summarise(QList<double> values)
{
    if (values.isEmpty())
        return {};
    std::sort(values.begin(), values.end());
    const qsizetype n = values.size();
    const double median = n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    return {values.first(), median};
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments().mid(1);
    int runs = 7;
    bool firstLaunch = true;
    bool signedIn = true;
    for (const QString &argument : arguments) {
        if (argument == QStringLiteral("first-launch"))
            signedIn = false;
        else if (argument == QStringLiteral("signed-in"))
            firstLaunch = false;
        else
            runs = std::max(1, argument.toInt());
    }

    QList<Program> programs;
    if (firstLaunch)
        programs.append({"lirna, first launch", QStringLiteral(LIRNA_BINARY), {}, Start::FirstLaunch});
    if (signedIn)
        programs.append({"lirna, signed in", QStringLiteral(LIRNA_BINARY), {}, Start::SignedIn});
    programs.append({"minimal Qt Quick", QStringLiteral(MINIMAL_QUICK_BINARY), {}, Start::Bare});
    programs.append({"minimal Controls", QStringLiteral(MINIMAL_QUICK_BINARY), {QStringLiteral("controls")},
        Start::Bare});
    const qsizetype count = programs.size();

    std::optional<LibraryServer> server;
    Keyring keyring;
    QString address;
    if (signedIn) {
        server.emplace();
        address = server->address();
        if (!keyring.start(address)) {
            std::fprintf(stderr, "The keyring did not take the password.\n");
            return 1;
        }
    }

    // [program][cold, warm]
    QList<QList<Times>> times[2];
    times[0].resize(count);
    times[1].resize(count);
    QList<QString> loads;
    std::vector<std::unique_ptr<QTemporaryDir>> warmRoots;
    for (qsizetype p = 0; p < count; ++p) {
        warmRoots.push_back(std::make_unique<QTemporaryDir>());
        // The warm folders are filled by one run that is not counted.
        if (!measure(programs[p], warmRoots.back()->path(), address))
            return 1;
    }
    // Interleaved, so that a busy moment of the machine weighs on all.
    for (int run = 0; run < runs; ++run) {
        loads << loadAverage();
        for (qsizetype p = 0; p < count; ++p) {
            QTemporaryDir coldRoot;
            const std::optional<Times> cold = measure(programs[p], coldRoot.path(), address);
            const std::optional<Times> warm = measure(programs[p], warmRoots[p]->path(), address);
            if (!cold || !warm)
                return 1;
            times[0][p].append(*cold);
            times[1][p].append(*warm);
        }
    }
    loads << loadAverage();

    const auto figures = [&](qsizetype p, int warm, double Times::*field) {
        QList<double> values;
        for (const Times &t : std::as_const(times[warm][p]))
            values << t.*field;
        return summarise(values);
    };
    const auto homeAfterFrame = [&](qsizetype p, int warm) {
        QList<double> values;
        for (const Times &t : std::as_const(times[warm][p]))
            values << t.home - t.firstFrame;
        return summarise(values);
    };

    std::printf("platform %s, load average at each run: %s\n",
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") ? "offscreen" : qgetenv("QT_QPA_PLATFORM").constData(),
        qPrintable(loads.join(QStringLiteral(" | "))));
    std::printf("time to first frame, %d runs each (ms):\n", runs);
    std::printf("%-22s %10s %10s %10s %10s\n", "", "cold min", "cold med", "warm min", "warm med");
    for (qsizetype p = 0; p < count; ++p) {
        const Figures cold = figures(p, 0, &Times::firstFrame);
        const Figures warm = figures(p, 1, &Times::firstFrame);
        std::printf("%-22s %10.0f %10.0f %10.0f %10.0f\n", programs[p].name, cold.min, cold.median, warm.min,
            warm.median);
    }
    std::printf("CPU time of all threads to the first frame, %d runs each (ms):\n", runs);
    std::printf("%-22s %10s %10s %10s %10s\n", "", "cold min", "cold med", "warm min", "warm med");
    for (qsizetype p = 0; p < count; ++p) {
        const Figures cold = figures(p, 0, &Times::firstFrameCpu);
        const Figures warm = figures(p, 1, &Times::firstFrameCpu);
        std::printf("%-22s %10.0f %10.0f %10.0f %10.0f\n", programs[p].name, cold.min, cold.median, warm.min,
            warm.median);
    }
    for (qsizetype p = 0; p < count; ++p) {
        if (programs[p].start == Start::Bare)
            continue;
        for (qsizetype bare = 0; bare < count; ++bare) {
            if (programs[bare].start != Start::Bare)
                continue;
            const Figures cold = figures(p, 0, &Times::firstFrame);
            const Figures warm = figures(p, 1, &Times::firstFrame);
            const Figures bareCold = figures(bare, 0, &Times::firstFrame);
            const Figures bareWarm = figures(bare, 1, &Times::firstFrame);
            const Figures cpuCold = figures(p, 0, &Times::firstFrameCpu);
            const Figures cpuWarm = figures(p, 1, &Times::firstFrameCpu);
            const Figures bareCpuCold = figures(bare, 0, &Times::firstFrameCpu);
            const Figures bareCpuWarm = figures(bare, 1, &Times::firstFrameCpu);
            std::printf(
                "%s / %s: cold %.2fx (min %.2fx), warm %.2fx (min %.2fx); CPU cold %.2fx, warm %.2fx\n",
                programs[p].name, programs[bare].name, cold.median / bareCold.median, cold.min / bareCold.min,
                warm.median / bareWarm.median, warm.min / bareWarm.min, cpuCold.median / bareCpuCold.median,
                cpuWarm.median / bareCpuWarm.median);
        }
    }
    for (qsizetype p = 0; p < count; ++p) {
        if (programs[p].start != Start::SignedIn)
            continue;
        std::printf("signed in, Home complete (featured card and four rows with covers), ms:\n");
        std::printf("%-22s %10s %10s %10s %10s\n", "", "cold min", "cold med", "warm min", "warm med");
        const Figures cold = figures(p, 0, &Times::home);
        const Figures warm = figures(p, 1, &Times::home);
        std::printf("%-22s %10.0f %10.0f %10.0f %10.0f\n", "from the start", cold.min, cold.median, warm.min,
            warm.median);
        const Figures coldAfter = homeAfterFrame(p, 0);
        const Figures warmAfter = homeAfterFrame(p, 1);
        std::printf("%-22s %10.0f %10.0f %10.0f %10.0f\n", "after the first frame", coldAfter.min,
            coldAfter.median, warmAfter.min, warmAfter.median);
    }
    return 0;
}
