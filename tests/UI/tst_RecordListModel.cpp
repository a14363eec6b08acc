#include <QAbstractItemModelTester>
#include <QtTest>

#include "Components/RecordListModel.h"
#include "NavigationModel.h"
#include "SavedLocationFile.h"
#include "SidebarModel.h"

using namespace Qt::StringLiterals;

namespace {

// "id:name" per playlist.
QList<Playlist> playlists(const QStringList &entries)
{
    QList<Playlist> out;
    for (const QString &entry : entries) {
        const QStringList parts = entry.split(u':');
        out.append(Playlist {parts.at(0), parts.value(1, parts.at(0)), {}, {}, {}});
    }
    return out;
}

class PlaylistListModel : public RecordListModel<Playlist>
{
public:
    enum Role { NameRole = Qt::UserRole + 1, PlayingRole };

    PlaylistListModel()
        : RecordListModel({{NameRole, "name"}, {PlayingRole, "playing"}}, nullptr)
    { }

    QString playing;

protected:
    QString keyOf(const Playlist &playlist) const override { return playlist.id; }
    QVariant roleData(const Playlist &playlist, int, int role) const override
    {
        if (role == NameRole || role == Qt::DisplayRole)
            return playlist.name;
        if (role == PlayingRole)
            return playlist.id == playing;
        return {};
    }
};

// The row signals of a model as one line: "insert 1-2", "remove 0-0",
// "change 3", "reset", in the order they came.
class ChangeLog : public QObject
{
public:
    explicit ChangeLog(QAbstractItemModel *model)
    {
        connect(
            model, &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex &, int first, int last) {
                add(u"insert %1-%2"_s.arg(first).arg(last));
            });
        connect(
            model, &QAbstractItemModel::rowsRemoved, this, [this](const QModelIndex &, int first, int last) {
                add(u"remove %1-%2"_s.arg(first).arg(last));
            });
        connect(model, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex &a, const QModelIndex &b) {
                add(a.row() == b.row() ? u"change %1"_s.arg(a.row())
                                       : u"change %1-%2"_s.arg(a.row()).arg(b.row()));
            });
        connect(model, &QAbstractItemModel::modelReset, this, [this] { add(u"reset"_s); });
    }
    QStringList take() { return std::exchange(m_lines, {}); }

private:
    void add(const QString &line) { m_lines.append(line); }
    QStringList m_lines;
};

QStringList names(const QAbstractItemModel &model, int firstRow = 0)
{
    QStringList out;
    for (int row = firstRow; row < model.rowCount(); ++row)
        out.append(model.index(row, 0).data(Qt::DisplayRole).toString());
    return out;
}

} // namespace

class TestRecordListModel : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private Q_SLOTS:
    void setRecords_data()
    {
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<QStringList>("changes");
        QTest::newRow("first answer")
            << QStringList {} << QStringList {u"a"_s, u"b"_s} << QStringList {u"insert 0-1"_s};
        QTest::newRow("same answer") << QStringList {u"a"_s, u"b"_s} << QStringList {u"a"_s, u"b"_s}
                                     << QStringList {};
        QTest::newRow("rename") << QStringList {u"a"_s, u"b"_s, u"c"_s}
                                << QStringList {u"a"_s, u"b:Bee"_s, u"c"_s} << QStringList {u"change 1"_s};
        QTest::newRow("added in the middle")
            << QStringList {u"a"_s, u"c"_s} << QStringList {u"a"_s, u"b"_s, u"c"_s}
            << QStringList {u"insert 1-1"_s};
        QTest::newRow("removed at the end")
            << QStringList {u"a"_s, u"b"_s, u"c"_s} << QStringList {u"a"_s} << QStringList {u"remove 1-2"_s};
        QTest::newRow("removed at the start")
            << QStringList {u"a"_s, u"b"_s} << QStringList {u"b"_s} << QStringList {u"remove 0-0"_s};
        QTest::newRow("one replaced, another renamed")
            << QStringList {u"a"_s, u"b"_s, u"c"_s} << QStringList {u"a:A"_s, u"x"_s, u"c"_s}
            << QStringList {u"remove 1-1"_s, u"insert 1-1"_s, u"change 0"_s};
        QTest::newRow("all gone") << QStringList {u"a"_s} << QStringList {} << QStringList {u"remove 0-0"_s};
        QTest::newRow("a whole new list")
            << QStringList {u"a"_s, u"b"_s} << QStringList {u"x"_s, u"y"_s} << QStringList {u"reset"_s};
    }

    void setRecords()
    {
        QFETCH(QStringList, before);
        QFETCH(QStringList, after);
        QFETCH(QStringList, changes);
        PlaylistListModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setRecords(playlists(before));
        ChangeLog log(&model);
        QSignalSpy count(&model, &RecordListModelBase::countChanged);
        model.setRecords(playlists(after));
        QCOMPARE(log.take(), changes);
        QStringList expected;
        for (const Playlist &playlist : playlists(after))
            expected.append(playlist.name);
        QCOMPARE(names(model), expected);
        const bool rowsCameOrWent = std::any_of(changes.cbegin(), changes.cend(), [](const QString &change) {
            return change.startsWith(u"insert"_s) || change.startsWith(u"remove"_s);
        });
        QCOMPARE(!count.isEmpty(), rowsCameOrWent);
        QCOMPARE(model.count(), after.size());
    }

    void appendAndRowState()
    {
        PlaylistListModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setRecords(playlists({u"a"_s, u"b"_s}));
        ChangeLog log(&model);
        model.append(playlists({u"c"_s, u"d"_s})); // the next page
        model.append({});
        QCOMPARE(names(model), QStringList({u"a"_s, u"b"_s, u"c"_s, u"d"_s}));
        QCOMPARE(model.rowOf(u"c"_s), 2);
        QCOMPARE(model.rowOf(u"z"_s), -1);
        QVERIFY(!model.recordAt(4) && model.recordAt(3)->id == u"d"_s);

        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        model.playing = u"c"_s;
        model.rowChanged(2, {PlaylistListModel::PlayingRole});
        model.rowChanged(9); // outside: nothing
        QCOMPARE(log.take(), QStringList({u"insert 2-3"_s, u"change 2"_s}));
        QCOMPARE(changed.first().at(2).value<QList<int>>(), QList<int>({PlaylistListModel::PlayingRole}));
        QVERIFY(model.index(2).data(PlaylistListModel::PlayingRole).toBool());
        QCOMPARE(model.roleNames().value(PlaylistListModel::NameRole), QByteArray("name"));
    }

    // The sidebar's playlist rows follow the store in place, after its
    // thirteen fixed rows; a selection change touches only the rows involved.
    void sidebarUpdatesInPlace()
    {
        SavedLocationFile file(m_dir.filePath(u"location.json"_s));
        NavigationModel nav(ServerConfig {QUrl(u"https://music.example.com"_s), u"ann"_s, {}}, &file);
        SidebarModel sidebar(&nav);
        QAbstractItemModelTester tester(&sidebar, QAbstractItemModelTester::FailureReportingMode::QtTest);
        ChangeLog log(&sidebar);
        sidebar.setPlaylists(playlists({u"p1:Road"_s, u"p2:Calm"_s}));
        sidebar.setPlaylists(playlists({u"p1:Road Trip"_s, u"p2:Calm"_s}));
        sidebar.setPlaylists(playlists({u"p2:Calm"_s}));
        sidebar.setPlaylists(playlists({u"p3:New"_s}));
        QCOMPARE(log.take(),
            QStringList({u"insert 13-14"_s, u"change 13"_s, u"remove 13-13"_s, u"remove 13-13"_s,
                u"insert 13-13"_s}));
        QCOMPARE(names(sidebar, 13), QStringList({u"New"_s}));

        nav.setSelection(SidebarSelection::item(SidebarItem::Songs));
        nav.setSelection(SidebarSelection::playlist(u"p3"_s));
        QCOMPARE(log.take(), QStringList({u"change 0"_s, u"change 3"_s, u"change 3"_s, u"change 13"_s}));

        // Headers are told apart by kind, not by their text.
        QCOMPARE(sidebar.index(5).data(SidebarModel::HeaderRole).toInt(), int(SidebarModel::PresetsHeader));
        QCOMPARE(
            sidebar.index(12).data(SidebarModel::HeaderRole).toInt(), int(SidebarModel::PlaylistsHeader));
        QCOMPARE(sidebar.index(13).data(SidebarModel::HeaderRole).toInt(), int(SidebarModel::NoHeader));
    }
};

QTEST_GUILESS_MAIN(TestRecordListModel)
#include "tst_RecordListModel.moc"
