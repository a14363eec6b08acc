#include "PlaylistPageSuite.h"

#include <QAbstractItemModelTester>
#include <QQuickItem>
#include <QtTest>

#include "Helpers/UI/UiTest.h"
#include "Library/LibraryFixtures.h"
#include "Playlists/PlaylistDetailViewModel.h"

using namespace Qt::StringLiterals;
using namespace LibraryFixtures;

QByteArray PlaylistPageSuite::playlistAnswer(const QStringList &ids, const QString &name)
{
    QList<QByteArray> songs;
    for (const QString &id : ids)
        songs.append(songJson(id));
    return R"("playlist":{"id":"p1","name":")" + name.toUtf8() + R"(","entry":)" + joined(songs) + '}';
}

bool PlaylistPageSuite::open(const QStringList &ids, QNetworkAccessManager *manager)
{
    m_harness = std::make_unique<PageHarness>();
    if (manager)
        m_harness->useNetworkAccessManager(manager);
    m_harness->server().setResponse("/rest/getPlaylist", TestHttpServer::ok(playlistAnswer(ids)));
    if (!m_harness->start())
        return false;
    QQuickItem *page = m_harness->loadPage(PageRoute::forSelection(SidebarSelection::playlist(u"p1"_s)));
    m_vm = page ? page->property("viewModel").value<PlaylistDetailViewModel *>() : nullptr;
    if (!m_vm)
        return false;
    new QAbstractItemModelTester(
        m_vm->tracks(), QAbstractItemModelTester::FailureReportingMode::QtTest, m_vm);
    m_vm->setSaveDelay(120);
    if (!QTest::qWaitFor([this] { return m_vm->loaded(); }, LIRNA_TRY_TIMEOUT_MS))
        return false;
    m_harness->server().clearRequests();
    return true;
}

bool PlaylistPageSuite::openOnFake(const QStringList &ids)
{
    m_harness = std::make_unique<PageHarness>();
    if (!m_harness->start())
        return false;
    m_fake = std::make_unique<FakePlaylistServer>(m_harness->server());
    m_fake->lists[u"p1"_s] = ids;
    m_page = m_harness->loadPage(PageRoute::forSelection(SidebarSelection::playlist(u"p1"_s)));
    m_vm = m_page ? m_page->property("viewModel").value<PlaylistDetailViewModel *>() : nullptr;
    if (!m_vm || !QTest::qWaitFor([this] { return m_vm->loaded(); }, LIRNA_TRY_TIMEOUT_MS))
        return false;
    m_harness->window()->requestActivate();
    return QTest::qWaitFor([this, &ids] { return rowItem(int(ids.size()) - 1) != nullptr; });
}

bool PlaylistPageSuite::reopen()
{
    m_page = m_harness->loadPage(PageRoute::forSelection(SidebarSelection::playlist(u"p1"_s)));
    m_vm = m_page ? m_page->property("viewModel").value<PlaylistDetailViewModel *>() : nullptr;
    return m_vm;
}

void PlaylistPageSuite::closePage()
{
    m_vm = nullptr;
    m_page = nullptr;
    m_harness.reset();
    m_fake.reset();
}

QQuickItem *PlaylistPageSuite::rowItem(int row) const
{
    QQuickItem *list = UiTest::findItem(m_harness->window(), u"playlistRows"_s);
    QQuickItem *item = UiTest::itemAtIndex(list, row);
    if (!item || !item->isVisible())
        return nullptr;
    int there = -1;
    const QPointF centre = item->mapToItem(
        list->property("contentItem").value<QQuickItem *>(), QPointF(item->width() / 2, item->height() / 2));
    QMetaObject::invokeMethod(
        list, "indexAt", Q_RETURN_ARG(int, there), Q_ARG(qreal, centre.x()), Q_ARG(qreal, centre.y()));
    return there == row && item->property("index").toInt() == row ? item : nullptr;
}

QObject *PlaylistPageSuite::rowMenu() const
{
    return m_page->findChild<QObject *>(u"rowMenu"_s);
}

void PlaylistPageSuite::removeWithMenu(int row)
{
    QObject *menu = rowMenu();
    QVERIFY(menu);
    QTRY_VERIFY(rowItem(row));
    LIRNA_RIGHT_CLICK(rowItem(row));
    QTRY_VERIFY(menu->property("opened").toBool());
    LIRNA_CLICK(UiTest::menuItem(menu, u"Remove from Playlist"_s));
    QTRY_VERIFY(!menu->property("visible").toBool());
}

void PlaylistPageSuite::dragWithPointer(int from, int to)
{
    QTRY_VERIFY(rowItem(from) && rowItem(to));
    QQuickWindow *window = m_harness->window();
    const QPoint start = rowItem(from)->mapToScene(QPointF(80, rowItem(from)->height() / 2)).toPoint();
    const QPoint end = rowItem(to)->mapToScene(QPointF(80, rowItem(to)->height() / 2)).toPoint();
    QTest::mousePress(window, Qt::LeftButton, {}, start);
    for (int i = 1; i <= 12; ++i)
        QTest::mouseMove(window, start + (end - start) * i / 12, 10);
    QTest::mouseRelease(window, Qt::LeftButton, {}, end, 10);
}

QStringList PlaylistPageSuite::shown() const
{
    return m_vm->tracks()->songIds();
}

bool PlaylistPageSuite::renamedTo(const QString &name) const
{
    for (const auto &request : m_harness->server().requests()) {
        if (request.path() == "/rest/updatePlaylist" && request.queryValue(u"name"_s) == name)
            return true;
    }
    return false;
}

QStringList PlaylistPageSuite::writes() const
{
    QStringList out;
    for (const auto &request : m_harness->server().requests()) {
        QStringList values;
        for (const auto &[key, value] : request.queryItems()) {
            if (key == u"songId"_s)
                values.append(value);
        }
        if (request.path() == "/rest/createPlaylist")
            out.append(u"order "_s + values.join(u','));
        else if (request.path() == "/rest/updatePlaylist" && !request.queryValue(u"name"_s).isEmpty())
            out.append(u"rename "_s + request.queryValue(u"name"_s));
        else if (request.path() == "/rest/updatePlaylist")
            out.append(u"remove "_s + request.queryValue(u"songIndexToRemove"_s));
        else if (request.path() == "/rest/deletePlaylist")
            out.append(u"delete"_s);
    }
    return out;
}
