#include "GstStartGate.h"

#include <QList>
#include <QPointer>

#include <utility>

namespace {

struct Gate
{
    int holders = 0;
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
    ++gate().holders;
}

void GstStartGate::open()
{
    Gate &g = gate();
    if (g.holders == 0 || --g.holders > 0)
        return;
    const auto waiting = std::exchange(g.waiting, {});
    for (const auto &[context, work] : waiting) {
        if (context)
            work();
    }
}

bool GstStartGate::isOpen()
{
    return gate().holders == 0;
}

void GstStartGate::whenOpen(QObject *context, std::function<void()> work)
{
    Gate &g = gate();
    if (g.holders == 0) {
        work();
        return;
    }
    g.waiting.append({QPointer<QObject>(context), std::move(work)});
}
