#include "StartupProbe.h"

#include <QGuiApplication>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>

namespace {

// The monotonic clock, and the CPU time all the process's threads have used
// so far (which a busy machine does not inflate).
void print(const char *what)
{
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    timespec cpu {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
    std::printf("%s %lld %lld\n", what, static_cast<long long>(std::chrono::nanoseconds(now).count()),
        static_cast<long long>(cpu.tv_sec) * 1000000000LL + cpu.tv_nsec);
    std::fflush(stdout);
}

void quitSoon()
{
    QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}

QQuickItem *findNamed(QQuickItem *item, const QString &name)
{
    if (!item || !item->isVisible())
        return nullptr;
    if (item->objectName() == name)
        return item;
    const QList<QQuickItem *> children = item->childItems();
    for (QQuickItem *child : children) {
        if (QQuickItem *found = findNamed(child, name))
            return found;
    }
    return nullptr;
}

void collectNamed(QQuickItem *item, const QString &name, QList<QQuickItem *> &found)
{
    if (!item || !item->isVisible())
        return;
    if (item->objectName() == name) {
        found.append(item);
        return;
    }
    const QList<QQuickItem *> children = item->childItems();
    for (QQuickItem *child : children)
        collectNamed(child, name, found);
}

// A visible cover inside `item` that shows its picture.
bool showsCover(QQuickItem *item)
{
    if (!item || !item->isVisible())
        return false;
    if (item->inherits("CoverImage"))
        return item->property("hasImage").toBool();
    const QList<QQuickItem *> children = item->childItems();
    for (QQuickItem *child : children) {
        if (showsCover(child))
            return true;
    }
    return false;
}

// Home's featured card and the first tile of each of its four rows show
// their covers.
bool homeComplete(QQuickWindow *window)
{
    QQuickItem *home = findNamed(window->contentItem(), QStringLiteral("HomeView"));
    if (!home || !showsCover(findNamed(home, QStringLiteral("featuredCurrentCard"))))
        return false;
    QList<QQuickItem *> rows;
    collectNamed(home, QStringLiteral("albumCarouselRow"), rows);
    if (rows.size() != 4)
        return false;
    for (QQuickItem *row : std::as_const(rows)) {
        QList<QQuickItem *> tiles;
        collectNamed(row, QStringLiteral("albumCell"), tiles);
        const auto first = std::find_if(tiles.cbegin(), tiles.cend(),
            [](QQuickItem *tile) { return tile->property("index").toInt() == 0; });
        if (first == tiles.cend() || !showsCover(*first))
            return false;
    }
    return true;
}

} // namespace

void StartupProbe::attachIfAsked(QQuickWindow *window)
{
    const bool untilHome = qEnvironmentVariableIsSet("LIRNA_EXIT_AFTER_HOME");
    if (!window || (!untilHome && !qEnvironmentVariableIsSet("LIRNA_EXIT_AFTER_FIRST_FRAME")))
        return;
    static std::atomic_bool firstFrame = false;
    // Set on the GUI thread before the frame that shows Home, then taken
    // into that frame when it synchronises (earlier frames may still be
    // swapping on the render thread).
    static std::atomic_bool homeShown = false;
    static std::atomic_bool homeInFrame = false;
    static std::atomic_bool printedHome = false;
    // frameSwapped comes from the render thread, at once after the swap.
    QObject::connect(
        window, &QQuickWindow::frameSwapped, window,
        [untilHome] {
            if (!firstFrame.exchange(true)) {
                print("first-frame");
                if (!untilHome)
                    quitSoon();
                return;
            }
            if (homeInFrame && !printedHome.exchange(true)) {
                print("home-complete");
                quitSoon();
            }
        },
        Qt::DirectConnection);
    if (!untilHome)
        return;
    // Checked on the GUI thread just before each frame takes the items'
    // state; the frame after a check that passed is the one that shows Home.
    QObject::connect(window, &QQuickWindow::afterAnimating, window, [window] {
        if (firstFrame && !homeShown && homeComplete(window))
            homeShown = true;
    });
    QObject::connect(
        window, &QQuickWindow::beforeSynchronizing, window,
        [] {
            if (homeShown)
                homeInFrame = true;
        },
        Qt::DirectConnection);
    // A frame comes only when something changed: the last cover's arrival
    // asks for one, which then runs the check above.
    QTimer::singleShot(60000, qApp, &quitSoon);
}
