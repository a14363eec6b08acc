#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "App/AppState.h"
#include "Helpers/InMemoryPasswordStore.h"
#include "IntegrationServer.h"
#include "Support/Keychain.h"

using namespace Qt::StringLiterals;

namespace {

// Runs a sign-in to its end: the exception it threw, if any.
std::exception_ptr connectNow(
    AppState &state, const QString &url, const QString &user, const QString &password)
{
    try {
        TestAwait::await(state.connect(url, user, password));
    } catch (...) {
        return std::current_exception();
    }
    return {};
}

} // namespace

// Sign-in, restore and sign-out of the session object against supysonic.
// The password store is the in-memory one: the keyring has its own suite.
class TestIntegrationSession : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    QTemporaryDir m_settingsDir;
    InMemoryPasswordStore m_keychain;
    std::optional<IntegrationServer> m_server;

    QString address() const { return m_server->url().toString(); }

private Q_SLOTS:
    void initTestCase()
    {
        LIRNA_LOAD_INTEGRATION_SERVER(m_server);
        QVERIFY(m_home.isValid() && m_settingsDir.isValid());
        qputenv("HOME", m_home.path().toUtf8());
        QStandardPaths::setTestModeEnabled(true);
        QCoreApplication::setOrganizationName(u"LirnaTests"_s);
        QCoreApplication::setApplicationName(u"tst_IntegrationSession"_s);
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settingsDir.path());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_settingsDir.path());
        Keychain::setStore(&m_keychain);
    }

    void cleanupTestCase() { Keychain::setStore(nullptr); }

    void init()
    {
        QSettings().clear();
        m_keychain = InMemoryPasswordStore();
    }

    void signInStoresOnlyAfterThePing_data()
    {
        QTest::addColumn<int>("account");
        QTest::addColumn<QString>("typedSuffix");
        QTest::newRow("administrator, trailing slash") << 0 << u"/"_s;
        QTest::newRow("password with non-ASCII and URL delimiters") << 1 << u"  "_s;
    }

    void signInStoresOnlyAfterThePing()
    {
        QFETCH(int, account);
        QFETCH(QString, typedSuffix);
        const IntegrationServer::Account user = m_server->accounts().at(account);

        AppState state;
        QVERIFY(!state.isSignedIn());
        const std::exception_ptr error
            = connectNow(state, address() + typedSuffix, user.username, user.password);
        QVERIFY(!error);
        QVERIFY(state.isSignedIn());
        QCOMPARE(state.client()->config(), m_server->config(account));
        QVERIFY(state.downloads());
        QCOMPARE(QSettings().value(u"serverURL"_s).toString(), address());
        QCOMPARE(QSettings().value(u"username"_s).toString(), user.username);
        QCOMPARE(m_keychain.items,
            (QHash<QString, QString> {{ServerConfig::accountKey(user.username, address()), user.password}}));

        // The next launch restores it without a request; the restored client works.
        AppState restored;
        QVERIFY(restored.isSignedIn());
        QCOMPARE(restored.client()->config(), state.client()->config());
        TestAwait::await(restored.client()->ping());

        restored.logout();
        QVERIFY(!restored.isSignedIn());
        QVERIFY(m_keychain.items.isEmpty());
        QVERIFY(!QSettings().contains(u"serverURL"_s));
    }

    void refusedSignInChangesNothing()
    {
        AppState state;
        const std::exception_ptr error = connectNow(state, address(), u"lirna"_s, u"not the password"_s);
        QVERIFY(error);
        try {
            std::rethrow_exception(error);
        } catch (const SubsonicError &e) {
            QCOMPARE(e.localizedDescription(), u"Wrong username or password."_s);
        } catch (...) {
            QFAIL("not a SubsonicError");
        }
        QVERIFY(!state.isSignedIn());
        QVERIFY(m_keychain.items.isEmpty());
        QVERIFY(!QSettings().contains(u"serverURL"_s));
        QVERIFY(!QSettings().contains(u"username"_s));
    }

    void addressWithoutSchemeMeansHttps()
    {
        // "127.0.0.1:PORT" is taken as https: the plain-HTTP server cannot
        // answer it, and the sign-in fails below HTTP.
        const QString typed = address().mid(u"http://"_s.size());
        AppState state;
        const IntegrationServer::Account user = m_server->accounts().first();
        const std::exception_ptr error = connectNow(state, typed, user.username, user.password);
        QVERIFY(error);
        try {
            std::rethrow_exception(error);
        } catch (const TransportError &) {
        } catch (...) {
            QFAIL("not a transport error");
        }
        QVERIFY(!state.isSignedIn());
        QVERIFY(m_keychain.items.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestIntegrationSession)
#include "tst_IntegrationSession.moc"
