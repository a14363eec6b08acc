#include <QCoreApplication>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include <csignal>

#include "Platform/TerminationSignals.h"

using namespace Qt::StringLiterals;

class tst_TerminationSignals : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void deliversBothSignalsOnTheEventLoop()
    {
        TerminationSignals watcher;
        QVERIFY(watcher.isInstalled());
        QSignalSpy received(&watcher, &TerminationSignals::received);
        QVERIFY(::raise(SIGTERM) == 0);
        QVERIFY(::raise(SIGINT) == 0);
        QTRY_COMPARE(received.count(), 2);
        QCOMPARE(received.at(0).at(0).toInt(), SIGTERM);
        QCOMPARE(received.at(1).at(0).toInt(), SIGINT);

        // One process, one set of handlers.
        TerminationSignals second;
        QVERIFY(!second.isInstalled());
    }

    void quitsTheApplicationCleanly()
    {
        // A child copy of this test runs an event loop and is sent SIGTERM: it
        // leaves through aboutToQuit with exit status 0 instead of dying.
        QProcess child;
        QSignalSpy finished(&child, &QProcess::finished);
        QSignalSpy ready(&child, &QProcess::readyReadStandardOutput);
        child.start(QCoreApplication::applicationFilePath(), {u"--child"_s});
        QVERIFY(ready.wait(10000));
        QVERIFY(child.readAllStandardOutput().contains("running"));
        ::kill(pid_t(child.processId()), SIGTERM);
        QVERIFY(finished.wait(10000));
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.exitCode(), 0);
        QVERIFY(child.readAllStandardOutput().contains("about to quit"));
    }
};

int main(int argc, char *argv[])
{
    if (argc > 1 && qstrcmp(argv[1], "--child") == 0) {
        QCoreApplication app(argc, argv);
        TerminationSignals::quitApplicationOnTermination(&app);
        QObject::connect(&app, &QCoreApplication::aboutToQuit, [] {
            fputs("about to quit\n", stdout);
            fflush(stdout);
        });
        fputs("running\n", stdout);
        fflush(stdout);
        return app.exec();
    }
    QCoreApplication app(argc, argv);
    tst_TerminationSignals test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_TerminationSignals.moc"
