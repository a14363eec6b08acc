#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include "NavigationModel.h"
#include "SavedLocationFile.h"
#include "SidebarModel.h"
#include "Symbols.h"

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(PageKind)

namespace {

const ServerConfig Account {QUrl(u"https://music.example.com"_s), u"ann"_s, u"pw"_s};

Album album(const QString &id)
{
    Album a;
    a.id = id;
    a.name = u"Album "_s + id;
    return a;
}

Artist artist(const QString &id)
{
    return Artist {id, u"Artist "_s + id, {}, {}};
}

QStringList sidebarTitles(const SidebarModel &model)
{
    QStringList titles;
    for (int row = 0; row < model.rowCount(); ++row)
        titles.append(model.data(model.index(row), SidebarModel::TitleRole).toString());
    return titles;
}

} // namespace

class TestNavigationModel : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<SavedLocationFile> m_file;

    std::unique_ptr<NavigationModel> model()
    {
        return std::make_unique<NavigationModel>(Account, m_file.get());
    }

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init()
    {
        m_file = std::make_unique<SavedLocationFile>(m_dir.filePath(QUuid::createUuid().toString()));
    }

    void startsAtHomeWithoutASavedPlace()
    {
        auto nav = model();
        QVERIFY(nav->selection() == SidebarSelection::item(SidebarItem::Home));
        QCOMPARE(nav->depth(), 0);
        QVERIFY(nav->routeAt(0).kind == PageKind::Home);
        // Nothing is written until something changes.
        QVERIFY(!QFile::exists(m_file->filePath()));
    }

    void restoresTheSavedPlace()
    {
        const NavigationPath path {
            NavigationDestination(album(u"1"_s)), NavigationDestination(artist(u"2"_s))};
        m_file->save(SidebarSelection::item(SidebarItem::Random), path, Account);
        auto nav = model();
        QVERIFY(nav->selection() == SidebarSelection::item(SidebarItem::Random));
        QVERIFY(nav->path() == path);
        QVERIFY(nav->routeAt(0).grid == (AlbumGridDestination {AlbumListType::Random, u"Random Albums"_s}));
        QVERIFY(nav->routeAt(1).kind == PageKind::Album && nav->routeAt(1).album == album(u"1"_s));
        QVERIFY(nav->routeAt(2).kind == PageKind::Artist && nav->routeAt(2).artist == artist(u"2"_s));

        // Another account on the machine starts at Home.
        NavigationModel other(
            ServerConfig {QUrl(u"https://music.example.com"_s), u"bob"_s, {}}, m_file.get());
        QVERIFY(other.selection() == SidebarSelection::item(SidebarItem::Home));
        QCOMPARE(other.depth(), 0);
    }

    void routing_data()
    {
        QTest::addColumn<QString>("selection");
        QTest::addColumn<PageKind>("kind");
        QTest::addColumn<QString>("listType");
        QTest::addColumn<QString>("title");
        QTest::newRow("home") << u"home"_s << PageKind::Home << QString() << QString();
        QTest::newRow("artists") << u"artists"_s << PageKind::Artists << QString() << QString();
        QTest::newRow("albums") << u"albums"_s << PageKind::AlbumGrid << u"alphabeticalByName"_s
                                << u"Albums"_s;
        QTest::newRow("songs") << u"songs"_s << PageKind::Songs << QString() << QString();
        QTest::newRow("downloads") << u"downloads"_s << PageKind::Downloads << QString() << QString();
        QTest::newRow("recentlyAdded")
            << u"recentlyAdded"_s << PageKind::AlbumGrid << u"newest"_s << u"Recently Added"_s;
        QTest::newRow("recentlyPlayed")
            << u"recentlyPlayed"_s << PageKind::AlbumGrid << u"recent"_s << u"Recently Played"_s;
        QTest::newRow("mostPlayed") << u"mostPlayed"_s << PageKind::AlbumGrid << u"frequent"_s
                                    << u"Most Played"_s;
        QTest::newRow("random") << u"random"_s << PageKind::AlbumGrid << u"random"_s << u"Random Albums"_s;
        QTest::newRow("likedSongs") << u"likedSongs"_s << PageKind::LikedSongs << QString() << QString();
        QTest::newRow("likedAlbums") << u"likedAlbums"_s << PageKind::LikedAlbums << QString() << QString();
        QTest::newRow("topRated") << u"topRated"_s << PageKind::AlbumGrid << u"highest"_s << u"Top Rated"_s;
    }

    void routing()
    {
        QFETCH(QString, selection);
        QFETCH(PageKind, kind);
        QFETCH(QString, listType);
        QFETCH(QString, title);
        auto nav = model();
        nav->setSelection(SidebarSelection::item(*SidebarItems::fromRawValue(selection)));
        const PageRoute route = nav->routeAt(0);
        QVERIFY(route.kind == kind);
        QCOMPARE(route.grid ? AlbumListTypes::rawValue(route.grid->listType) : QString(), listType);
        QCOMPARE(route.grid ? route.grid->title : QString(), title);
    }

    void noSelectionAndPlaylistsRoute()
    {
        QVERIFY(PageRoute::forSelection(std::nullopt).kind == PageKind::Home);
        const PageRoute playlist = PageRoute::forSelection(SidebarSelection::playlist(u"p-3"_s));
        QVERIFY(playlist.kind == PageKind::Playlist);
        QCOMPARE(playlist.playlistId, u"p-3"_s);
        // A pushed grid keeps its own list type and title.
        const PageRoute grid
            = PageRoute::forDestination(AlbumGridDestination {AlbumListType::Frequent, u"Most Played"_s});
        QVERIFY(grid.kind == PageKind::AlbumGrid && grid.grid->title == u"Most Played"_s);
    }

    void selectionChangeResetsAndSaves()
    {
        auto nav = model();
        nav->reportRootAccent(QColor(Qt::red));
        nav->push(album(u"1"_s));
        nav->reportPageAccent(QColor(Qt::blue));
        nav->push(artist(u"2"_s));
        nav->setSearchText(u"abc"_s);
        QSignalSpy popped(nav.get(), &NavigationModel::popped);

        nav->setSelection(SidebarSelection::item(SidebarItem::Songs));
        QCOMPARE(nav->depth(), 0);
        QCOMPARE(popped.count(), 1);
        QCOMPARE(popped.at(0).at(0).toInt(), 0);
        QCOMPARE(nav->searchText(), QString());
        QVERIFY(!nav->windowAccent().isValid());
        QVERIFY(nav->coveredAccents().isEmpty());

        SavedLocationFile later(m_file->filePath());
        const std::optional<SavedLocation> saved = later.restorable(Account);
        QVERIFY(
            saved && saved->selection == SidebarSelection::item(SidebarItem::Songs) && saved->path.isEmpty());
    }

    void sameSelectionKeepsThePath()
    {
        auto nav = model();
        nav->push(album(u"1"_s));
        QSignalSpy changed(nav.get(), &NavigationModel::selectionChanged);
        nav->setSelection(SidebarSelection::item(SidebarItem::Home));
        QCOMPARE(changed.count(), 0);
        QCOMPARE(nav->depth(), 1);
    }

    void everyPathChangeIsSaved()
    {
        auto nav = model();
        nav->push(album(u"1"_s));
        nav->pushAlbumGrid(u"frequent"_s, u"Most Played"_s);
        QVERIFY(SavedLocationFile(m_file->filePath()).restorable(Account)->path.size() == 2);
        nav->popTo(1);
        const NavigationPath saved = SavedLocationFile(m_file->filePath()).restorable(Account)->path;
        QCOMPARE(saved.size(), 1);
        QVERIFY(saved.at(0) == NavigationDestination(album(u"1"_s)));
        nav->pushAlbumGrid(u"nonsense"_s, u"x"_s); // no such list: nothing pushed
        QCOMPARE(nav->depth(), 1);
    }

    void accentsFollowPushAndPop()
    {
        auto nav = model();
        const QColor a(Qt::red), b(Qt::green);
        nav->reportRootAccent(a);
        QCOMPARE(nav->windowAccent(), a);

        nav->push(album(u"1"_s)); // the root's accent is covered
        QVERIFY(!nav->windowAccent().isValid());
        nav->reportRootAccent(QColor(Qt::yellow)); // ignored while a page is pushed
        QVERIFY(!nav->windowAccent().isValid());
        nav->reportPageAccent(b);
        QCOMPARE(nav->windowAccent(), b);

        nav->push(artist(u"2"_s));
        QCOMPARE(nav->coveredAccents().value(0), a);
        QCOMPARE(nav->coveredAccents().value(1), b);

        nav->popTo(1);
        QCOMPARE(nav->windowAccent(), b);
        QVERIFY(!nav->coveredAccents().contains(1));
        nav->popTo(0);
        QCOMPARE(nav->windowAccent(), a);
        QVERIFY(nav->coveredAccents().isEmpty());

        // Two levels popped at once restore the root's accent.
        nav->push(album(u"1"_s));
        nav->push(album(u"3"_s));
        nav->popTo(0);
        QCOMPARE(nav->windowAccent(), a);
        QVERIFY(nav->coveredAccents().isEmpty());
    }

    void pageWithoutAccentLeavesNoEntry()
    {
        auto nav = model();
        nav->push(album(u"1"_s)); // root had no accent
        QVERIFY(nav->coveredAccents().isEmpty());
        nav->reportPageAccent(QColor(Qt::blue));
        nav->reportPageAccent(QColor()); // the page's accent went away again
        nav->push(album(u"2"_s));
        QVERIFY(nav->coveredAccents().isEmpty());
        nav->popTo(1);
        QVERIFY(!nav->windowAccent().isValid());
    }

    void replacingThePathOfEqualLengthClearsAccents()
    {
        auto nav = model();
        nav->reportRootAccent(QColor(Qt::red));
        nav->push(album(u"1"_s));
        nav->reportPageAccent(QColor(Qt::blue));
        QSignalSpy reset(nav.get(), &NavigationModel::pathReset);
        nav->setPath({NavigationDestination(artist(u"9"_s))});
        QCOMPARE(reset.count(), 1);
        QVERIFY(!nav->windowAccent().isValid());
        QVERIFY(nav->coveredAccents().isEmpty());
    }

    void openPlaylistClearsEvenWhenAlreadySelected()
    {
        auto nav = model();
        nav->setSelection(SidebarSelection::playlist(u"7"_s));
        nav->push(album(u"1"_s));
        nav->setSearchText(u"q"_s);
        nav->openPlaylist(u"7"_s);
        QCOMPARE(nav->depth(), 0);
        QCOMPARE(nav->searchText(), QString());
        QVERIFY(nav->selection() == SidebarSelection::playlist(u"7"_s));
        nav->openPlaylist(u"8"_s);
        QCOMPARE(nav->routeAt(0).playlistId, u"8"_s);
        nav->selectHome();
        QVERIFY(nav->routeAt(0).kind == PageKind::Home);
    }

    void sidebarRows()
    {
        auto nav = model();
        SidebarModel sidebar(nav.get());
        QCOMPARE(sidebarTitles(sidebar),
            QStringList({u"Home"_s, u"Artists"_s, u"Albums"_s, u"Songs"_s, u"Downloads"_s, u"Presets"_s,
                u"Recently Added"_s, u"Recently Played"_s, u"Most Played"_s, u"Liked Songs"_s,
                u"Liked Albums"_s, u"Top Rated"_s, u"Playlists"_s}));
        sidebar.setPlaylists(
            {Playlist {u"p1"_s, u"<b>Road</b>"_s, {}, {}, {}}, Playlist {u"p2"_s, u"Calm"_s, {}, {}, {}}});
        QCOMPARE(sidebar.rowCount(), 15);
        QCOMPARE(sidebar.data(sidebar.index(13), SidebarModel::TitleRole).toString(), u"<b>Road</b>"_s);
        QCOMPARE(sidebar.data(sidebar.index(14), SidebarModel::KindRole).toString(), u"playlist"_s);
        QCOMPARE(sidebar.data(sidebar.index(14), SidebarModel::IconRole).toString(), u"music.note.list"_s);

        // Every row's symbol is in the icon table.
        for (int row = 0; row < sidebar.rowCount(); ++row) {
            const QString icon = sidebar.data(sidebar.index(row), SidebarModel::IconRole).toString();
            QVERIFY2(icon.isEmpty() || Symbols::contains(icon), qPrintable(icon));
        }
        sidebar.setPlaylists({});
        QCOMPARE(sidebar.rowCount(), 13); // the header stays without rows
    }

    void sidebarActivationSelects()
    {
        auto nav = model();
        SidebarModel sidebar(nav.get());
        sidebar.setPlaylists({Playlist {u"p1"_s, u"Road"_s, {}, {}, {}}});
        QSignalSpy dataChanged(&sidebar, &SidebarModel::dataChanged);

        sidebar.activate(2); // Albums
        QVERIFY(nav->routeAt(0).kind == PageKind::AlbumGrid);
        QVERIFY(sidebar.data(sidebar.index(2), SidebarModel::SelectedRole).toBool());
        QVERIFY(!sidebar.data(sidebar.index(0), SidebarModel::SelectedRole).toBool());
        QVERIFY(dataChanged.count() > 0);

        sidebar.activate(5); // the "Presets" header
        QVERIFY(nav->selection() == SidebarSelection::item(SidebarItem::Albums));

        sidebar.activate(13);
        QVERIFY(nav->selection() == SidebarSelection::playlist(u"p1"_s));
        QVERIFY(sidebar.data(sidebar.index(13), SidebarModel::SelectedRole).toBool());

        sidebar.activate(99);
        QVERIFY(nav->selection() == SidebarSelection::playlist(u"p1"_s));
    }
};

QTEST_GUILESS_MAIN(TestNavigationModel)
#include "tst_NavigationModel.moc"
