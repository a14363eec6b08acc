#include <QCoroTimer>
#include <QtTest>

#include <chrono>

#include "KeyedLoad.h"

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

// What the loads did, kept outside the owner so it can be read after the
// owner is gone.
struct Log
{
    int started = 0;
    int finished = 0;
    QList<TaskHandle> handles;
};

class Owner : public QObject
{
public:
    explicit Owner(Log *log)
        : m_log(log)
    { }

    void show(const QString &key)
    {
        m_load.activate(
            key, [this, key](KeyedLoad::Ticket ticket) { return load(std::move(ticket), m_log, key); });
    }
    void leave() { m_load.deactivate(); }

    QStringList applied;

private:
    // Answers after a short wait, as a server would.
    static QCoro::Task<> load(KeyedLoad::Ticket ticket, Log *log, QString key)
    {
        ++log->started;
        log->handles.append(ticket.handle());
        co_await QCoro::sleepFor(key.startsWith(u"slow"_s) ? 60ms : 10ms);
        if (auto *self = ticket.owner<Owner>())
            self->applied.append(key);
        ++log->finished;
    }

    Log *m_log;
    KeyedLoad m_load {this};
};

} // namespace

class TestKeyedLoad : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Steps: a key shows the page with that key, "-" leaves the page.
    void loads_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<int>("started");
        QTest::addColumn<QStringList>("applied");
        QTest::newRow("one key") << QStringList {u"a"_s} << 1 << QStringList {u"a"_s};
        QTest::newRow("same key again does not restart")
            << QStringList {u"a"_s, u"a"_s} << 1 << QStringList {u"a"_s};
        QTest::newRow("a new key drops the slower old answer")
            << QStringList {u"slow-a"_s, u"b"_s} << 2 << QStringList {u"b"_s};
        QTest::newRow("a new key drops the faster old answer")
            << QStringList {u"a"_s, u"slow-b"_s} << 2 << QStringList {u"slow-b"_s};
        QTest::newRow("leaving cancels") << QStringList {u"a"_s, u"-"_s} << 1 << QStringList {};
        QTest::newRow("shown again after leaving loads again")
            << QStringList {u"a"_s, u"-"_s, u"a"_s} << 2 << QStringList {u"a"_s};
    }

    void loads()
    {
        QFETCH(QStringList, steps);
        QFETCH(int, started);
        QFETCH(QStringList, applied);
        Log log;
        Owner owner(&log);
        for (const QString &step : steps) {
            if (step == u"-"_s)
                owner.leave();
            else
                owner.show(step);
        }
        QTRY_COMPARE(log.finished, log.started);
        QCOMPARE(log.started, started);
        QCOMPARE(owner.applied, applied);
        // Every load but the last one shown was cancelled through its handle.
        for (qsizetype i = 0; i < log.handles.size(); ++i) {
            const bool last = i == log.handles.size() - 1 && steps.last() != u"-"_s;
            QCOMPARE(log.handles.at(i).isCancelled(), !last);
        }
    }

    void ownerDeletedDuringTheLoadIsNotTouched()
    {
        Log log;
        auto *owner = new Owner(&log);
        owner->show(u"slow"_s);
        delete owner;
        QTRY_COMPARE(log.finished, 1);
        QVERIFY(log.handles.first().isCancelled());
    }
};

QTEST_GUILESS_MAIN(TestKeyedLoad)
#include "tst_KeyedLoad.moc"
