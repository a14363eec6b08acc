#include <QSignalSpy>
#include <QTest>

#include "Support/LocalNetworkPrompter.h"

using namespace Qt::StringLiterals;

// Which servers count as local, and one browse at a time.
class tst_LocalNetworkPrompter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void hostTest_data();
    void hostTest();
    void oneBrowseAtATime();
};

void tst_LocalNetworkPrompter::hostTest_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<bool>("local");
    const auto row
        = [](const char *host, bool local) { QTest::newRow(host) << QString::fromUtf8(host) << local; };
    row("", false);
    row("localhost", true);
    row("LocalHost", true);
    row("nas.local", true);
    row("nas.lan", true);
    row("box.home", true);
    row("music.internal", true);
    row("nas.home.arpa", true);
    row("music.example.com", false);
    row("nas.local.", false);
    row("10.1.2.3", true);
    row("127.0.0.1", true);
    row("172.16.0.1", true);
    row("172.31.255.255", true);
    row("192.168.1.10", true);
    row("169.254.3.4", true);
    row("172.32.0.1", false);
    row("192.169.0.1", false);
    row("100.64.0.1", false);
    row("203.0.113.5", false);
    row("11.0.0.1", false);
    row("::1", true);
    row("fe80::1", true);
    row("febf::1", true);
    row("fc00::1", true);
    row("fd12:3456::1", true);
    row("fec0::1", false);
    row("2001:db8::1", false);
    row("0:0:0:0:0:0:0:1", false);
}

void tst_LocalNetworkPrompter::hostTest()
{
    QFETCH(QString, host);
    QFETCH(bool, local);
    QCOMPARE(LocalNetworkPrompter::isLikelyLocalHost(host), local);
    QVERIFY(!LocalNetworkPrompter::isLikelyLocalHost(std::nullopt));
}

void tst_LocalNetworkPrompter::oneBrowseAtATime()
{
    struct CountingBrowser : LocalNetworkBrowser
    {
        int *starts;
        int *cancels;
        void start() override { ++*starts; }
        void cancel() override { ++*cancels; }
    };
    int starts = 0;
    int cancels = 0;
    LocalNetworkPrompter prompter(
        [&] {
            auto browser = std::make_unique<CountingBrowser>();
            browser->starts = &starts;
            browser->cancels = &cancels;
            return browser;
        },
        50);

    prompter.trigger();
    prompter.trigger();
    QCOMPARE(starts, 1);
    QTRY_VERIFY(!prompter.isBrowsing());
    QCOMPARE(cancels, 1);
    prompter.trigger();
    QCOMPARE(starts, 2);
}

QTEST_GUILESS_MAIN(tst_LocalNetworkPrompter)
#include "tst_LocalNetworkPrompter.moc"
