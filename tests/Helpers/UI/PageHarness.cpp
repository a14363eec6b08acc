#include "PageHarness.h"

#include <QDir>
#include <QQmlComponent>
#include <QQuickItem>
#include <QStandardPaths>
#include <QtTest>

#include "Components/ArtworkClient.h"
#include "Downloads/ArtworkFetcher.h"
#include "Downloads/DownloadStore.h"
#include "Helpers/FakeQueuePlayer.h"
#include "Helpers/UI/UiTest.h"
#include "Library/LibraryStore.h"
#include "MainViewModel.h"
#include "NavigationModel.h"
#include "Networking/UrlSession.h"
#include "PageContext.h"
#include "PageRegistry.h"
#include "Playback/PlayerController.h"
#include "SavedLocation.h"

PageHarness::PageHarness()
{
    // Until the test answers otherwise (before start()): no playlists, no likes.
    m_server.setResponse("/rest/getPlaylists", TestHttpServer::ok("\"playlists\":{\"playlist\":[]}"));
    m_server.setResponse("/rest/getStarred2", TestHttpServer::ok("\"starred2\":{}"));
}

PageHarness::~PageHarness()
{
    // The page and its context go before the models they read.
    m_item.reset();
    m_window.reset();
    m_main.reset();
    m_player.reset();
    m_downloads.reset();
    m_library.reset();
    // What the stores wrote for the loopback account must not reach a later
    // harness that happens to get the same port.
    if (m_onLoopback)
        QDir(DownloadStore::directory(loopbackAccount())).removeRecursively();
}

bool PageHarness::start(QSize windowSize)
{
    if (!m_server.isListening() && !m_server.listen())
        return false;
    m_onLoopback = true;
    return start(windowSize, loopbackAccount());
}

ServerConfig PageHarness::loopbackAccount() const
{
    return ServerConfig {m_server.baseUrl(), QStringLiteral("ann"), QStringLiteral("pw")};
}

bool PageHarness::start(QSize windowSize, const ServerConfig &server)
{
    QStandardPaths::setTestModeEnabled(true);
    // A first launch: no place saved by an earlier harness or run on the
    // same server (the page would open where that one left off).
    SavedLocation::clear();
    m_session = std::make_unique<UrlSession>(m_customManager ? m_customManager : &m_manager, 5000);
    const SubsonicClient client(server, m_session.get());
    m_library = std::make_unique<LibraryStore>(client);
    m_downloads = std::make_unique<DownloadStore>(client);
    m_player = std::make_unique<PlayerController>(new FakeQueuePlayer);
    m_main = std::make_unique<MainViewModel>(client, m_library.get(), m_downloads.get(), m_player.get());
    if (!ArtworkClient::current()) {
        m_artworkFetcher = std::make_unique<ArtworkFetcher>(m_artworkCache.path(), m_session.get());
        m_artwork = std::make_unique<ArtworkClient>(m_artworkFetcher.get());
        m_artwork->setClient(client);
        ArtworkClient::setCurrent(m_artwork.get());
    }

    m_engine.addImportPath(QStringLiteral("qrc:/"));
    m_window = std::make_unique<QQuickWindow>();
    m_window->resize(windowSize);
    m_window->show();
    return QTest::qWaitForWindowExposed(m_window.get(), LIRNA_TRY_TIMEOUT_MS);
}

QQuickItem *PageHarness::create(const QUrl &source, const QVariantMap &properties)
{
    m_item.reset();
    QQmlComponent component(&m_engine, source);
    if (component.isError()) {
        qWarning().noquote() << component.errorString();
        return nullptr;
    }
    std::unique_ptr<QObject> object(component.createWithInitialProperties(properties));
    auto *item = qobject_cast<QQuickItem *>(object.get());
    if (!item) {
        qWarning().noquote() << source.toString() << "gave no item:" << component.errorString();
        return nullptr;
    }
    object.release();
    m_item.reset(item);
    item->setParentItem(m_window->contentItem());
    item->setSize(m_window->size());
    return item;
}

QQuickItem *PageHarness::load(const QString &qmlFile, const QVariantMap &properties)
{
    m_context = nullptr;
    return create(QUrl(QStringLiteral("qrc:/Lirna/UI/") + qmlFile), properties);
}

QQuickItem *PageHarness::loadPage(const PageRoute &route)
{
    m_item.reset();
    auto *context = new PageContext(m_main.get(), route, 0);
    QObject *viewModel = PageRegistry::createViewModel(context);
    QQuickItem *page = create(PageRegistry::source(route.kind),
        {{QStringLiteral("context"), QVariant::fromValue(context)},
            {QStringLiteral("viewModel"), QVariant::fromValue(viewModel)}});
    if (!page) {
        delete context;
        return nullptr;
    }
    context->setParent(page);
    m_context = context;
    return page;
}

QQuickItem *PageHarness::loadMainView(const QVariantMap &properties)
{
    QVariantMap all = properties;
    all.insert(QStringLiteral("viewModel"), QVariant::fromValue(m_main.get()));
    return load(QStringLiteral("MainView.qml"), all);
}

QQuickItem *PageHarness::waitForPage(const QString &objectName)
{
    QQuickItem *stack = UiTest::findItem(m_item.get(), QStringLiteral("detailStack"));
    if (!stack)
        return nullptr;
    const auto top = [stack] { return stack->property("currentItem").value<QQuickItem *>(); };
    const bool shown = QTest::qWaitFor(
        [&] { return top() && top()->objectName() == objectName && !stack->property("busy").toBool(); },
        LIRNA_TRY_TIMEOUT_MS);
    return shown ? top() : nullptr;
}

PageContext *PageHarness::rootContext(SidebarItem item)
{
    return new PageContext(
        m_main.get(), PageRoute::forSelection(SidebarSelection::item(item)), 0, m_main.get());
}

PageContext *PageHarness::push(const NavigationDestination &destination)
{
    NavigationModel *navigation = m_main->navigation();
    navigation->push(destination);
    return new PageContext(
        m_main.get(), navigation->routeAt(navigation->depth()), navigation->depth(), m_main.get());
}
