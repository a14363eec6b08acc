#include <QNetworkAccessManager>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QtTest>

#include "App/AppState.h"
#include "ConnectViewModel.h"
#include "Helpers/InMemoryPasswordStore.h"
#include "Helpers/TestHttpServer.h"
#include "Networking/SubsonicClient.h"
#include "RootViewModel.h"
#include "Support/Keychain.h"

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

    // A sign-in that pings the typed address, as the session's does.
    ConnectViewModel::SignIn signIn()
    {
        return [this](const QString &url, const QString &user, const QString &password) {
            m_typed = {url, user, password};
            return ping(url.trimmed(), user, password);
        };
    }

    QCoro::Task<> ping(QString url, QString user, QString password)
    {
        if (!QUrl(url).isValid() || QUrl(url).host().isEmpty())
            throw SubsonicError::invalidResponse();
        const SubsonicClient client(ServerConfig {QUrl(url), user, password}, m_session.get());
        co_await client.ping();
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
            QVERIFY(spy.wait(20000));
        }
    }

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(m_server.listen());
        m_session = std::make_unique<UrlSession>(&m_manager, 5000);
    }

    // The session's shared network manager goes while the application is
    // whole (see main.cpp).

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
        QTest::newRow("nothing listens")
            << u"http://127.0.0.1:1"_s << 0 << u"Could not connect to the server."_s;
    }

    void failuresShowTheirText()
    {
        QFETCH(QString, url);
        QFETCH(int, answer);
        QFETCH(QString, message);
        m_server.setResponse("/rest/ping",
            answer == 40 ? TestHttpServer::failed(40, "Wrong username or password")
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

    void readsWhatIsTypedWhenTheTaskRuns()
    {
        m_server.setResponse("/rest/ping", TestHttpServer::ok());
        ConnectViewModel form(signIn());
        fill(form, u"  "_s + m_server.baseUrl().toString() + u" "_s, u" ann"_s, u"p w"_s);
        form.connect();
        form.setPassword(u"typed later"_s); // still before the task starts
        waitUntilIdle(form);
        QVERIFY(!form.hasError());
        QCOMPARE(m_typed,
            QStringList({u"  "_s + m_server.baseUrl().toString() + u" "_s, u" ann"_s, u"typed later"_s}));
        QCOMPARE(m_server.lastRequest().queryValue(u"u"_s), u" ann"_s);
    }

    void signsInThroughTheSession()
    {
        InMemoryPasswordStore keychain;
        Keychain::setStore(&keychain);
        QSettings().clear();
        m_server.setResponse("/rest/getPlaylists", TestHttpServer::ok("\"playlists\":{}"));
        m_server.setResponse("/rest/getStarred2", TestHttpServer::ok("\"starred2\":{}"));
        AppState state;
        RootViewModel root(&state, nullptr);
        QPointer<ConnectViewModel> form = root.connectView();
        QVERIFY(form && !root.mainView());

        // Refused: the message, nothing stored, still the form.
        m_server.setResponse("/rest/ping", TestHttpServer::failed(40, "Wrong username or password"));
        fill(*form, m_server.baseUrl().toString(), u"ann"_s, u"bad"_s);
        form->connect();
        waitUntilIdle(*form);
        QCOMPARE(form->errorMessage(), u"Wrong username or password."_s);
        QVERIFY(!QSettings().contains(u"serverURL"_s));
        QCOMPARE(root.connectView(), form.data());

        m_server.setResponse("/rest/ping", TestHttpServer::ok());
        form->setPassword(u"pw"_s);
        QSignalSpy screenChanged(&root, &RootViewModel::screenChanged);
        form->connect();
        QVERIFY(screenChanged.wait(20000));
        QCOMPARE(screenChanged.count(), 1); // one switch, one rebuild
        QVERIFY(root.mainView());
        QCOMPARE(root.screen(), root.mainView());
        QVERIFY(!root.connectView());
        QTRY_VERIFY(!form); // the form's model went with the form
        QCOMPARE(QSettings().value(u"serverURL"_s).toString(), m_server.baseUrl().toString());
        QCOMPARE(keychain.items.size(), 1);
        Keychain::setStore(nullptr);
    }

    void rootSwitchesBetweenScreens()
    {
        InMemoryPasswordStore keychain;
        Keychain::setStore(&keychain);
        QSettings().clear();
        m_server.setResponse("/rest/getPlaylists", TestHttpServer::ok("\"playlists\":{}"));
        m_server.setResponse("/rest/getStarred2", TestHttpServer::ok("\"starred2\":{}"));
        AppState state;
        RootViewModel root(&state, nullptr);
        // Two addresses of the one loopback server: two server identities.
        const QUrl other(u"http://localhost:"_s + QString::number(m_server.port()));
        const SubsonicClient a(ServerConfig {m_server.baseUrl(), u"ann"_s, u"pw"_s}, UrlSession::shared());
        const SubsonicClient b(ServerConfig {other, u"ann"_s, u"pw"_s}, UrlSession::shared());

        root.connectView()->setServerURL(u"typed"_s);
        QSignalSpy screenChanged(&root, &RootViewModel::screenChanged);
        state.setClient(a);
        QCOMPARE(screenChanged.count(), 1);
        QPointer<MainViewModel> first = root.mainView();
        QVERIFY(first);
        QCOMPARE(first->library(), state.library());

        // The same server again (new stores): the same window reads the new stores.
        state.setClient(a);
        QCOMPARE(screenChanged.count(), 1);
        QCOMPARE(root.mainView(), first.data());
        QCOMPARE(first->library(), state.library());
        state.setClient(b);
        QCOMPARE(screenChanged.count(), 2);
        QVERIFY(root.mainView() && root.mainView() != first && root.screen() == root.mainView());
        QTRY_VERIFY(!first);

        // Signed out: a fresh, empty form.
        state.logout();
        QCOMPARE(screenChanged.count(), 3);
        QVERIFY(!root.mainView());
        QVERIFY(root.connectView() && root.screen() == root.connectView());
        QCOMPARE(root.connectView()->serverURL(), QString());
        Keychain::setStore(nullptr);
    }
};

QTEST_GUILESS_MAIN(TestConnectViewModel)
#include "tst_ConnectViewModel.moc"
