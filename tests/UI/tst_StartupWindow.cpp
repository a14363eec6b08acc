#include <QQmlApplicationEngine>
#include <QQuickItem>
#include <QQuickStyle>
#include <QQuickWindow>
#include <QSettings>
#include <QStandardPaths>
#include <QtQml/qqmlextensionplugin.h>
#include <QtTest>

#include "Helpers/FakeQueuePlayer.h"
#include "Helpers/UI/UiTest.h"
#include "Helpers/UI/WindowSuite.h"
#include "LirnaApp.h"
#include "Networking/UrlSession.h"
#include "SavedLocation.h"
#include "Support/Keychain.h"

Q_IMPORT_QML_PLUGIN(Lirna_UIPlugin)

using namespace Qt::StringLiterals;

// The window starts with only what it shows: the settings window and the
// dialogs are built the first time they are needed, and then work as before.
class tst_StartupWindow : public WindowSuite
{
    Q_OBJECT

public:
    enum Need { OpenSettings, PasswordNotSaved, UpdateResult };
    Q_ENUM(Need)

private:
    std::unique_ptr<LirnaApp> m_app;
    std::unique_ptr<QQmlApplicationEngine> m_engine;
    QQuickWindow *m_window = nullptr;

    // Brings on `need` the way a user does.
    void meet(Need need)
    {
        switch (need) {
        case OpenSettings:
            QTest::keyClick(m_window, Qt::Key_Comma, Qt::ControlModifier);
            break;
        case PasswordNotSaved: {
            m_keychain.saveFailure = u"The keyring is locked."_s;
            ConnectViewModel *form = m_app->root()->connectView();
            QVERIFY(form);
            form->setServerURL(m_server.baseUrl().toString());
            form->setUsername(u"ann"_s);
            form->setPassword(u"pw"_s);
            QQuickItem *button = UiTest::findVisibleItem(m_window, u"connectButton"_s);
            QTRY_VERIFY(button && button->isEnabled());
            LIRNA_CLICK(button);
            break;
        }
        case UpdateResult:
            // The launch check runs first; the menu's check waits for it.
            QTRY_VERIFY(m_app->commands()->checkForUpdatesEnabled());
            m_app->commands()->checkForUpdates();
            break;
        }
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(startWindowSuite());
        m_server.setResponse("/rest/ping", TestHttpServer::ok());
        TestHttpServer::Response missing;
        missing.status = 404;
        m_server.setResponse("/appcast.xml", missing);
    }

    void init()
    {
        QSettings().clear();
        SavedLocation::clear();
        m_keychain.saveFailure.reset();
        m_app = std::make_unique<LirnaApp>(QUrl(m_server.baseUrl().toString() + u"/appcast.xml"_s),
            u"0.1.0"_s, m_session.get(), new PlayerController(new FakeQueuePlayer));
        m_engine = std::make_unique<QQmlApplicationEngine>();
        m_window = UiTest::loadMainWindow(*m_engine, *m_app);
        QVERIFY(m_window);
        m_window->requestActivate();
        QVERIFY(QTest::qWaitForWindowActive(m_window));
    }

    void cleanup()
    {
        m_engine.reset();
        m_app.reset();
        m_window = nullptr;
        LIRNA_VERIFY_NO_QML_WARNINGS(m_warnings);
    }

    void builtOnFirstNeed_data()
    {
        QTest::addColumn<Need>("need");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text"); // a text the piece shows
        QTest::newRow("settings window") << OpenSettings << u"settingsWindow"_s << u"Not connected."_s;
        QTest::newRow("password not saved")
            << PasswordNotSaved << u"passwordNotSavedDialog"_s << u"The keyring is locked."_s;
        QTest::newRow("update result") << UpdateResult << u"updateResultDialog"_s << u"Update Error!"_s;
    }

    void builtOnFirstNeed()
    {
        QFETCH(Need, need);
        QFETCH(QString, name);
        QFETCH(QString, text);
        QVERIFY(UiTest::findItem(m_window, u"ConnectView"_s));
        QVERIFY2(!m_window->findChild<QObject *>(name), "built before it was needed");

        meet(need);
        QTRY_VERIFY(m_window->findChild<QObject *>(name));
        QObject *piece = m_window->findChild<QObject *>(name);
        if (auto *settings = qobject_cast<QQuickWindow *>(piece)) {
            QVERIFY(QTest::qWaitForWindowActive(settings));
            // A second window in front keeps the main window's "New Playlist" away.
            QVERIFY(!m_app->commands()->newPlaylistEnabled());
            QQuickItem *shown = UiTest::findVisibleItem(settings, u"notConnectedText"_s);
            QVERIFY(shown);
            QCOMPARE(shown->property("text").toString(), text);
            settings->close();
            // Asked for again, the same window comes back.
            QTest::keyClick(m_window, Qt::Key_Comma, Qt::ControlModifier);
            QVERIFY(QTest::qWaitForWindowActive(settings));
            QCOMPARE(m_window->findChildren<QQuickWindow *>(name).size(), 1);
            settings->close();
            return;
        }

        // A dialog: open over the window, with its text, and the OK button
        // closes it.
        QTRY_VERIFY(piece->property("opened").toBool());
        bool saysIt = piece->property("title").toString() == text;
        for (QQuickItem *item : piece->property("contentItem").value<QQuickItem *>()->childItems())
            saysIt |= item->property("text").toString() == text;
        QVERIFY2(saysIt, qPrintable(text));
        QVERIFY(UiTest::saveScreenshot(m_window, name + u".png"_s));
        LIRNA_CLICK(UiTest::findVisibleItem(m_window, u"dialogAcceptButton"_s));
        QTRY_VERIFY(!piece->property("visible").toBool());
        if (need == PasswordNotSaved)
            QVERIFY(m_app->appState()->passwordSaveError().isEmpty());
    }
};

QTEST_MAIN(tst_StartupWindow)
#include "tst_StartupWindow.moc"
