// LIRNA_TEST_NEEDS_QML
#include <QNetworkAccessManager>
#include <QNetworkRequest>
#include <QQmlApplicationEngine>
#include <QQuickItem>
#include <QQuickStyle>
#include <QQuickWindow>
#include <QSettings>
#include <QStandardPaths>
#include <QUrlQuery>
#include <QtQml/qqmlextensionplugin.h>
#include <QtTest>

#include "Helpers/FakeQueuePlayer.h"
#include "Helpers/InMemoryPasswordStore.h"
#include "Helpers/UI/UiTest.h"
#include "IntegrationServer.h"
#include "LirnaApp.h"
#include "MainViewModel.h"
#include "NavigationModel.h"
#include "Networking/UrlSession.h"
#include "SavedLocation.h"
#include "Support/Keychain.h"

Q_IMPORT_QML_PLUGIN(Lirna_UIPlugin)

using namespace Qt::StringLiterals;

namespace {

// Remembers the query of every "search3" request the window sends.
class SearchRecorder : public QNetworkAccessManager
{
public:
    QStringList queries;

protected:
    QNetworkReply *createRequest(Operation op, const QNetworkRequest &request, QIODevice *data) override
    {
        const QUrl url = request.url();
        if (url.path().endsWith(u"/rest/search3"_s))
            queries.append(QUrlQuery(url).queryItemValue(u"query"_s, QUrl::FullyDecoded));
        return QNetworkAccessManager::createRequest(op, request, data);
    }
};

} // namespace

// The real window signed in to supysonic: typing in the toolbar field
// searches once per pause, shows the server's matches in their sections,
// and a pick opens the artist or album page.
class TestIntegrationSearchPanel : public QObject
{
    Q_OBJECT

    std::optional<IntegrationServer> m_server;
    SearchRecorder *m_manager = nullptr;
    UrlSession *m_session = nullptr;
    InMemoryPasswordStore m_keychain;

private Q_SLOTS:
    void initTestCase()
    {
        LIRNA_LOAD_INTEGRATION_SERVER(m_server);
        QStandardPaths::setTestModeEnabled(true);
        QQuickStyle::setStyle(u"Basic"_s);
        m_manager = new SearchRecorder;
        m_session = new UrlSession(m_manager, 15'000);
        Keychain::setStore(&m_keychain);
        QSettings().clear();
        SavedLocation::clear();
    }

    void typeAndPick()
    {
        LirnaApp app(QUrl(), u"0.1.0"_s, m_session, new PlayerController(new FakeQueuePlayer));
        ConnectViewModel *form = app.root()->connectView();
        QVERIFY(form);
        const ServerConfig config = m_server->config(0);
        form->setServerURL(config.baseURL.toString());
        form->setUsername(config.username);
        form->setPassword(config.password);

        QQmlApplicationEngine engine;
        QQuickWindow *window = UiTest::loadMainWindow(engine, app);
        QVERIFY(window);
        QQuickItem *button = UiTest::findItem(window, u"connectButton"_s);
        QTRY_VERIFY(button && button->isEnabled());
        LIRNA_CLICK(button);
        QTRY_VERIFY_WITH_TIMEOUT(app.root()->mainView() && UiTest::findItem(window, u"MainView"_s), 15000);
        NavigationModel *navigation = app.root()->mainView()->navigation();
        // The same account, over a transport that notes each search sent.
        app.root()->mainView()->search()->setClient(
            SubsonicClient(app.appState()->client()->config(), m_session));
        QQuickItem *field = UiTest::findItem(window, u"searchField"_s);
        QObject *panel = window->findChild<QObject *>(u"SearchPanel"_s);
        QVERIFY(field && panel);
        const auto open = [panel] { return panel->property("opened").toBool(); };
        const auto type = [window](const QString &text) {
            for (const QChar c : text)
                QTest::keyClick(window, c.toLatin1());
        };
        const auto sections = [window] {
            QStringList found;
            QQuickItem *list = UiTest::findVisibleItem(window, u"suggestionList"_s);
            for (QQuickItem *item : list->property("contentItem").value<QQuickItem *>()->childItems()) {
                if (item->property("section").isValid() && item->isVisible())
                    found.append(item->property("section").toString());
            }
            found.sort();
            return found;
        };
        const auto rowAt = [window](int id) -> QQuickItem * {
            QQuickItem *list = UiTest::findVisibleItem(window, u"suggestionList"_s);
            for (QQuickItem *item : list->property("contentItem").value<QQuickItem *>()->childItems()) {
                if (item->property("rowId").isValid() && item->property("rowId").toInt() == id
                    && item->isVisible())
                    return item;
            }
            return nullptr;
        };

        // "co": the artist Cobalt Choir, the album Copper Hours, the song Copper Sky.
        LIRNA_CLICK(field);
        type(u"co"_s);
        QTRY_VERIFY_WITH_TIMEOUT(open(), 10000);
        QCOMPARE(m_manager->queries, QStringList {u"co"_s});
        QTRY_COMPARE(sections(), (QStringList {u"Albums"_s, u"Artists"_s, u"Songs"_s}));
        QTRY_VERIFY_WITH_TIMEOUT(
            UiTest::findItem(rowAt(1), u"cover"_s)->property("hasImage").toBool(), 10000);
        UiTest::saveScreenshot(window, u"search-panel-supysonic.png"_s);

        // Return on the first row: the artist's page.
        QTest::keyClick(window, Qt::Key_Return);
        QTRY_COMPARE(navigation->depth(), 1);
        QVERIFY(navigation->routeAt(1).artist);
        QCOMPARE(navigation->routeAt(1).artist->name, u"Cobalt Choir"_s);
        QVERIFY(!open());
        QCOMPARE(field->property("text").toString(), QString());

        // "copper", typed in one go, asks once: the album, then the song;
        // the song opens its album, the compilation.
        LIRNA_CLICK(field);
        type(u"copper"_s);
        QTRY_VERIFY_WITH_TIMEOUT(open(), 10000);
        QCOMPARE(m_manager->queries, (QStringList {u"co"_s, u"copper"_s}));
        QTRY_COMPARE(sections(), (QStringList {u"Albums"_s, u"Songs"_s}));
        QTest::keyClick(window, Qt::Key_Down);
        QTest::keyClick(window, Qt::Key_Return);
        QTRY_COMPARE(navigation->depth(), 2);
        QVERIFY(navigation->routeAt(2).album);
        QCOMPARE(navigation->routeAt(2).album->name, u"Harbour Lights Sampler"_s);

        // A click on the album row opens that album.
        LIRNA_CLICK(field);
        type(u"copper"_s);
        QTRY_VERIFY_WITH_TIMEOUT(open(), 10000);
        LIRNA_CLICK(rowAt(0));
        QTRY_COMPARE(navigation->depth(), 3);
        QCOMPARE(navigation->routeAt(3).album->name, u"Copper Hours"_s);
        QCOMPARE(m_manager->queries.size(), 3);

        app.logOut();
    }

    void cleanupTestCase()
    {
        Keychain::setStore(nullptr);
        SavedLocation::clear();
    }
};

QTEST_MAIN(TestIntegrationSearchPanel)
#include "tst_IntegrationSearchPanel.moc"
