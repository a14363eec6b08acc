// The yardstick of bench_startup: a bare Qt Quick window of the program's
// size, or with "controls" a Qt Quick Controls window in the program's style
// (what the program's window costs before any of its own content). It prints the monotonic clock
// (steady_clock, in nanoseconds) and its CPU time at its first frame as
// "first-frame <ns> <cpu ns>" and quits.

#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QQuickStyle>
#include <QQuickWindow>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    const bool controls = app.arguments().contains(QStringLiteral("controls"));
    QQmlApplicationEngine engine;
    if (controls) {
        QQuickStyle::setStyle(QStringLiteral("Fusion"));
        engine.loadData(R"(
import QtQuick
import QtQuick.Controls
ApplicationWindow {
    visible: true
    width: 1100
    height: 720
    Label { anchors.centerIn: parent; text: "Lirna" }
}
)");
    } else {
        engine.loadData(R"(
import QtQuick
Window {
    visible: true
    width: 1100
    height: 720
    Text { anchors.centerIn: parent; text: "Lirna" }
}
)");
    }
    auto *window = engine.rootObjects().isEmpty()
        ? nullptr
        : qobject_cast<QQuickWindow *>(engine.rootObjects().first());
    if (!window)
        return 1;
    static std::atomic_bool printed = false;
    QObject::connect(
        window, &QQuickWindow::frameSwapped, window,
        [] {
            if (printed.exchange(true))
                return;
            const auto now = std::chrono::steady_clock::now().time_since_epoch();
            timespec cpu {};
            clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
            std::printf("first-frame %lld %lld\n",
                static_cast<long long>(std::chrono::nanoseconds(now).count()),
                static_cast<long long>(cpu.tv_sec) * 1000000000LL + cpu.tv_nsec);
            std::fflush(stdout);
            QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
        },
        Qt::DirectConnection);
    return QGuiApplication::exec();
}
