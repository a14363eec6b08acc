#include <QNetworkAccessManager>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QtTest>

#include "ConnectViewModel.h"
#include "Helpers/TestHttpServer.h"
#include "Networking/SubsonicClient.h"
#include "RootViewModel.h"

using namespace Qt::StringLiterals;

// The form's sign-in flow against the loopback server: the sign-in pings the
// typed address and hands the client to the root view's model.
class TestConnectViewModel : public QObject
{
    Q_OBJECT

    TestHttpServer m_server;
    QNetworkAccessManager m_manager;
    std::unique_ptr<UrlSession> m_session;
    QStringList m_typed; // what each sign-in was given

    ConnectViewModel::SignIn signIn(RootViewModel **root = nullptr)
    {
        return [this, root](const QString &url, const QString &user, const QString &password) {
            m_typed = {url, user, password};
            return ping(url.trimmed(), user, password, root ? *root : nullptr);
        };
    }

    QCoro::Task<> ping(QString url, QString user, QString password, RootViewModel *root)
    {
        const SubsonicClient client(ServerConfig{QUrl(url), user, password}, m_session.get());
        if (!QUrl(url).isValid() || QUrl(url).host().isEmpty())
            throw SubsonicError::invalidResponse();
        co_await client.ping();
        if (root)
            root->setClient(client);
    }

    static void fill(ConnectViewModel &form, const QString &url, const QString &user, const QString &password)
    {
        form.setServerURL(url);
        form.setUsername(user);
        form.setPassword(password);
    }

    static void waitUntilIdle(ConnectViewModel &form)
    {
        if (form.isConnecting()) {
            QSignalSpy spy(&form, &ConnectViewModel::isConnectingChanged);
            QVERIFY(spy.wait(5000));
        }
    }

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(m_server.listen());
        m_session = std::make_unique<UrlSession>(&m_manager, 5000);
    }

    void init() { m_server.clearRequests(); }

    void canConnect_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("can");
        QTest::newRow("all filled") << u"music.example.com"_s << u"ann"_s << u"pw"_s << true;
        QTest::newRow("address of spaces") << u"   "_s << u"ann"_s << u"pw"_s << false;
        QTest::newRow("address of tabs and spaces") << u" \t "_s << u"ann"_s << u"pw"_s << false;
        QTest::newRow("blank around address") << u"  https://x.example  "_s << u"ann"_s << u"pw"_s << true;
        QTest::newRow("line break counts") << u"\n"_s << u"ann"_s << u"pw"_s << true;
        QTest::newRow("no user") << u"x.example"_s << QString() << u"pw"_s << false;
        QTest::newRow("user of one space") << u"x.example"_s << u" "_s << u"pw"_s << true;
        QTest::newRow("no password") << u"x.example"_s << u"ann"_s << QString() << false;
    }

    void canConnect()
    {
        QFETCH(QString, url);
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(bool, can);
        ConnectViewModel form(signIn());
        QCOMPARE(form.canConnect(), false);
        QSignalSpy changed(&form, &ConnectViewModel::canConnectChanged);
        fill(form, url, user, password);
        QCOMPARE(form.canConnect(), can);
        QCOMPARE(changed.count(), can ? 1 : 0);

        // Return does nothing unless the form allows it.
        form.submit();
        QCOMPARE(form.isConnecting(), can);
        waitUntilIdle(form);
    }

    void failuresShowTheirText_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<int>("answer"); // 0: ok, 40: wrong password, other: HTTP status
        QTest::addColumn<QString>("message");
        QTest::newRow("wrong password") << QString() << 40 << u"Wrong username or password."_s;
        QTest::newRow("http error") << QString() << 503 << u"The server returned HTTP 503."_s;
        QTest::newRow("no host") << u"https://"_s << 0
                                 << u"The server response could not be read. Check that the URL points to a "
                                    "Subsonic-compatible server."_s;
        QTest::newRow("nothing listens") << u"http://127.0.0.1:1"_s << 0 << u"Could not connect to the server."_s;
    }

    void failuresShowTheirText()
    {
        QFETCH(QString, url);
        QFETCH(int, answer);
        QFETCH(QString, message);
        m_server.setResponse("/rest/ping", answer == 40 ? TestHttpServer::failed(40, "Wrong username or password")
                : answer ? TestHttpServer::json("oops", answer)
                         : TestHttpServer::ok());
        ConnectViewModel form(signIn());
        fill(form, url.isEmpty() ? m_server.baseUrl().toString() : url, u"ann"_s, u"pw"_s);
        form.connect();
        QVERIFY(form.isConnecting());
        QVERIFY(!form.canConnect());
        waitUntilIdle(form);
        QCOMPARE(form.errorMessage(), message);
        QVERIFY(form.hasError());
        QVERIFY(form.canConnect()); // the form is usable again, the typed values kept
        QCOMPARE(form.username(), u"ann"_s);

        // The next attempt removes the message at once.
        QSignalSpy errorChanged(&form, &ConnectViewModel::errorMessageChanged);
        form.connect();
        QVERIFY(!form.hasError());
        QCOMPARE(errorChanged.count(), 1);
        waitUntilIdle(form);
    }

    void signsInWithWhatIsTypedWhenTheTaskRuns()
    {
        m_server.setResponse("/rest/ping", TestHttpServer::ok());
        RootViewModel *rootPointer = nullptr;
        RootViewModel root(signIn(&rootPointer));
        rootPointer = &root;
        QPointer<ConnectViewModel> form = root.connectView();
        QVERIFY(form);
        QVERIFY(!root.mainView());
        QSignalSpy mainChanged(&root, &RootViewModel::mainViewChanged);

        fill(*form, u"  "_s + m_server.baseUrl().toString() + u" "_s, u" ann"_s, u"p w"_s);
        form->connect();
        form->setPassword(u"typed later"_s); // still before the task starts
        QVERIFY(mainChanged.wait(5000));

        QCOMPARE(m_typed, QStringList({u"  "_s + m_server.baseUrl().toString() + u" "_s, u" ann"_s, u"typed later"_s}));
        QCOMPARE(m_server.requests().size(), 1);
        QCOMPARE(m_server.lastRequest().queryValue(u"u"_s), u" ann"_s);
        QVERIFY(root.mainView());
        QVERIFY(!root.connectView());
        QTRY_VERIFY(!form); // the form's model went with the form
    }

    void rootSwitchesBetweenScreens()
    {
        RootViewModel root(signIn());
        const SubsonicClient a(ServerConfig{QUrl(u"https://a.example"_s), u"ann"_s, u"pw"_s}, m_session.get());
        const SubsonicClient b(ServerConfig{QUrl(u"https://b.example"_s), u"ann"_s, u"pw"_s}, m_session.get());

        root.connectView()->setServerURL(u"typed"_s);
        root.setClient(a);
        QPointer<MainViewModel> first = root.mainView();
        QVERIFY(first);
        QCOMPARE(first->serverAddress(), u"https://a.example"_s);

        // The same server keeps its window; another one gets a new window.
        root.setClient(a);
        QCOMPARE(root.mainView(), first.data());
        root.setClient(b);
        QVERIFY(root.mainView() && root.mainView() != first);
        QTRY_VERIFY(!first);

        // Signed out: a fresh, empty form.
        root.setClient(std::nullopt);
        QVERIFY(!root.mainView());
        QVERIFY(root.connectView());
        QCOMPARE(root.connectView()->serverURL(), QString());
    }
};

QTEST_GUILESS_MAIN(TestConnectViewModel)
#include "tst_ConnectViewModel.moc"
