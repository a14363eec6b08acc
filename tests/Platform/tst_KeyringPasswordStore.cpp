// The keyring store against a real gnome-keyring. The executable starts itself
// again on a private session bus (dbus-run-session) with a throwaway HOME, so
// no test ever sees the user's own keyring; once more without any bus at all.

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <QCoroTask>

#include "Platform/KeyringPasswordStore.h"
#include "Support/Keychain.h"

namespace {

const char *ModeVariable = "LIRNA_KEYRING_TEST_MODE";

std::optional<QString> saveNow(PasswordStore &store, const QString &password, const QString &account)
{
    return QCoro::waitFor(store.save(password, account));
}

// True when some file under `root` holds `needle` as it is.
bool anyFileContains(const QString &root, const QByteArray &needle)
{
    QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        if (file.open(QIODevice::ReadOnly) && file.readAll().contains(needle))
            return true;
    }
    return false;
}

} // namespace

// Runs on the private bus with an unlocked throwaway login keyring.
class TestKeyringPasswordStore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QProcess daemon;
        daemon.start(QStringLiteral("gnome-keyring-daemon"),
            {QStringLiteral("--unlock"), QStringLiteral("--components=secrets")});
        QVERIFY(daemon.waitForStarted());
        // An empty password would create no login keyring at all.
        daemon.write("throwaway");
        daemon.closeWriteChannel();
        QVERIFY(daemon.waitForFinished(10'000));
        QCOMPARE(daemon.exitCode(), 0);
        // The daemon claims its bus name a moment after it returns; a request
        // before that would have the bus start a second, locked daemon.
        QTRY_VERIFY_WITH_TIMEOUT(QDBusConnection::sessionBus().interface()->isServiceRegistered(
                                     QStringLiteral("org.freedesktop.secrets")),
            10'000);
    }

    void roundTrip_data()
    {
        QTest::addColumn<QString>("password");
        QTest::newRow("ascii") << QStringLiteral("s3cret!");
        QTest::newRow("non-ascii") << QStringLiteral("pässwörd-日本語-🎵");
        QTest::newRow("empty") << QString();
        QTest::newRow("blanks kept") << QStringLiteral("  spaced  ");
    }

    void roundTrip()
    {
        QFETCH(QString, password);
        KeyringPasswordStore store;
        const QString account = QStringLiteral("round@https://music.example/") + QTest::currentDataTag();
        QCOMPARE(saveNow(store, password, account), std::nullopt);
        const std::optional<QString> read = store.password(account);
        QVERIFY(read.has_value());
        QCOMPARE(*read, password);
    }

    void secondSaveReplacesFirst()
    {
        KeyringPasswordStore store;
        const QString account = QStringLiteral("anna@https://music.example");
        QCOMPARE(saveNow(store, QStringLiteral("first"), account), std::nullopt);
        QCOMPARE(saveNow(store, QStringLiteral("second"), account), std::nullopt);
        QCOMPARE(store.password(account), QStringLiteral("second"));

        // Exactly one item is left: deleting it once leaves nothing.
        QCoro::waitFor(store.deletePassword(account));
        QCOMPARE(store.password(account), std::nullopt);
    }

    void accountsAreTheirExactText()
    {
        KeyringPasswordStore store;
        const QString plain = QStringLiteral("bob@https://music.example");
        const QString slash = plain + QLatin1Char('/');
        const QString upper = QStringLiteral("bob@https://Music.example");
        QCOMPARE(saveNow(store, QStringLiteral("one"), plain), std::nullopt);
        QCOMPARE(saveNow(store, QStringLiteral("two"), slash), std::nullopt);
        QCOMPARE(store.password(plain), QStringLiteral("one"));
        QCOMPARE(store.password(slash), QStringLiteral("two"));
        QCOMPARE(store.password(upper), std::nullopt);

        QCoro::waitFor(store.deletePassword(slash));
        QCOMPARE(store.password(slash), std::nullopt);
        QCOMPARE(store.password(plain), QStringLiteral("one"));
    }

    // A read started ahead answers the password() call for its account; a
    // save in between, or a call for another account, leaves it unused.
    void readsStartedAhead()
    {
        KeyringPasswordStore store;
        const QString dana = QStringLiteral("dana@https://music.example");
        const QString eve = QStringLiteral("eve@https://music.example");
        QCOMPARE(saveNow(store, QStringLiteral("dana's"), dana), std::nullopt);
        QCOMPARE(saveNow(store, QStringLiteral("eve's"), eve), std::nullopt);
        store.prepareRead(dana);
        QCOMPARE(store.password(dana), QStringLiteral("dana's"));
        store.prepareRead(dana);
        QCOMPARE(store.password(eve), QStringLiteral("eve's"));
        store.prepareRead(dana);
        QCOMPARE(saveNow(store, QStringLiteral("dana's new"), dana), std::nullopt);
        QCOMPARE(store.password(dana), QStringLiteral("dana's new"));
        QCoro::waitFor(store.deletePassword(dana));
        QCoro::waitFor(store.deletePassword(eve));
    }

    void missingItems()
    {
        KeyringPasswordStore store;
        QCOMPARE(store.password(QStringLiteral("never@https://saved.example")), std::nullopt);
        // Deleting what is not there is harmless.
        QCoro::waitFor(store.deletePassword(QStringLiteral("never@https://saved.example")));
        QCOMPARE(store.password(QStringLiteral("never@https://saved.example")), std::nullopt);
    }

    void keychainGoesToTheKeyring()
    {
        Keychain::setStore(nullptr);
        const QString account = QStringLiteral("cleo@http://10.0.0.2:4533");
        QCOMPARE(QCoro::waitFor(Keychain::save(QStringLiteral("via keychain"), account)), std::nullopt);
        KeyringPasswordStore direct;
        QCOMPARE(
            direct.password(QStringLiteral("cleo@http://10.0.0.2:4533")), QStringLiteral("via keychain"));
        QCoro::waitFor(Keychain::deletePassword(account));
        QCOMPARE(direct.password(account), std::nullopt);
    }

    // Last: locks the login collection for good.
    void lockedKeyringKeepsNothing()
    {
        KeyringPasswordStore store;
        const QString account = QStringLiteral("dora@https://music.example");
        const QString password = QStringLiteral("canary-in-plain-text-ключ");
        QCOMPARE(saveNow(store, QStringLiteral("older"), account), std::nullopt);

        QDBusMessage lock = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.secrets"),
            QStringLiteral("/org/freedesktop/secrets"), QStringLiteral("org.freedesktop.Secret.Service"),
            QStringLiteral("Lock"));
        lock << QVariant::fromValue(QList<QDBusObjectPath> {
            QDBusObjectPath(QStringLiteral("/org/freedesktop/secrets/collection/login"))});
        const QDBusMessage reply = QDBusConnection::sessionBus().call(lock);
        QCOMPARE(reply.type(), QDBusMessage::ReplyMessage);

        const std::optional<QString> failure = saveNow(store, password, account);
        QVERIFY(failure.has_value());
        QVERIFY(!failure->isEmpty());
        QCOMPARE(store.password(account), std::nullopt);
        QVERIFY(!anyFileContains(QDir::homePath(), password.toUtf8()));
    }
};

// Runs with no session bus at all: every job fails at once, with a reason.
class TestKeyringWithoutSecretService : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void failsAtOnceWithReason()
    {
        KeyringPasswordStore store;
        const QString account = QStringLiteral("eve@https://music.example");
        const QString password = QStringLiteral("canary-without-a-bus");
        QElapsedTimer timer;
        timer.start();
        const std::optional<QString> failure = saveNow(store, password, account);
        QVERIFY(failure.has_value());
        QVERIFY(!failure->isEmpty());
        QCOMPARE(store.password(account), std::nullopt);
        QCoro::waitFor(store.deletePassword(account));
        QVERIFY(timer.elapsed() < KeyringPasswordStore::DeleteTimeoutMs);
        QVERIFY(!anyFileContains(QDir::homePath(), password.toUtf8()));
    }
};

namespace {

// Runs this executable again in `mode` with a throwaway HOME, behind
// `wrapper` (the private bus) when given, or with a bus address that leads
// nowhere.
int runChild(const QString &mode, const QStringList &wrapper, const QStringList &arguments, bool withBus)
{
    QTemporaryDir home;
    if (!home.isValid())
        return 1;
    const QString root = home.path();
    QDir().mkpath(root + QStringLiteral("/run"));
    QFile::setPermissions(
        root + QStringLiteral("/run"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(ModeVariable), mode);
    env.insert(QStringLiteral("HOME"), root);
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), root + QStringLiteral("/run"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), root + QStringLiteral("/data"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), root + QStringLiteral("/config"));
    env.insert(QStringLiteral("XDG_CACHE_HOME"), root + QStringLiteral("/cache"));
    env.remove(QStringLiteral("GNOME_KEYRING_CONTROL"));
    env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    if (!withBus)
        env.insert(
            QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("unix:path=") + root + "/no-bus");

    QStringList command = wrapper;
    command << QCoreApplication::applicationFilePath() << arguments;
    QProcess child;
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    child.start(command.takeFirst(), command);
    if (!child.waitForStarted() || !child.waitForFinished(-1))
        return 1;
    return child.exitStatus() == QProcess::NormalExit ? child.exitCode() : 1;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QByteArray mode = qgetenv(ModeVariable);
    if (mode == "keyring") {
        TestKeyringPasswordStore test;
        return QTest::qExec(&test, argc, argv);
    }
    if (mode == "no-bus") {
        TestKeyringWithoutSecretService test;
        return QTest::qExec(&test, argc, argv);
    }
    QStringList arguments = app.arguments();
    arguments.removeFirst();
    const int keyring = runChild(QStringLiteral("keyring"),
        {QStringLiteral("dbus-run-session"), QStringLiteral("--")}, arguments, true);
    const int noBus = runChild(QStringLiteral("no-bus"), {}, arguments, false);
    return keyring != 0 ? keyring : noBus;
}

#include "tst_KeyringPasswordStore.moc"
