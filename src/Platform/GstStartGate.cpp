#include "GstStartGate.h"

#include <QList>
#include <QPointer>

#include <utility>

namespace {

struct Gate
{
    bool open = true;
    QList<std::pair<QPointer<QObject>, std::function<void()>>> waiting;
};

Gate &gate()
{
    static Gate instance;
    return instance;
}

} // namespace

void GstStartGate::close()
{
    gate().open = false;
}

void GstStartGate::open()
{
    Gate &g = gate();
    if (g.open)
        return;
    g.open = true;
    const auto waiting = std::exchange(g.waiting, {});
    for (const auto &[context, work] : waiting) {
        if (context)
            work();
    }
}

bool GstStartGate::isOpen()
{
    return gate().open;
}

void GstStartGate::whenOpen(QObject *context, std::function<void()> work)
{
    Gate &g = gate();
    if (g.open) {
        work();
        return;
    }
    g.waiting.append({QPointer<QObject>(context), std::move(work)});
}
