#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QtTest>

#include "Songs/SongTableModel.h"

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(SongSortOrder)

using Clicks = QList<std::pair<int, int>>; // (row, modifiers)

namespace {

// "id|title|artist|album|seconds"; an empty field is a missing value.
Song song(const QString &fields)
{
    const QStringList f = fields.split(u'|');
    Song s;
    s.id = f.value(0);
    s.title = f.value(1);
    if (!f.value(2).isEmpty())
        s.artist = f.value(2);
    if (!f.value(3).isEmpty())
        s.album = f.value(3);
    if (!f.value(4).isEmpty())
        s.duration = f.value(4).toLongLong();
    return s;
}

QList<Song> songs(const QStringList &rows)
{
    QList<Song> result;
    for (const QString &row : rows)
        result.append(song(row));
    return result;
}

QStringList shownIds(const SongTableModel &model)
{
    QStringList ids;
    for (int row = 0; row < model.rowCount(); ++row)
        ids.append(model.index(row, 0).data(SongTableModel::SongIdRole).toString());
    return ids;
}

const QLocale English(QLocale::English, QLocale::UnitedStates);

QList<int> selectedRowsOf(const SongTableModel &model)
{
    QList<int> rows;
    for (int row = 0; row < model.rowCount(); ++row) {
        if (model.index(row, 0).data(SongTableModel::SelectedRole).toBool())
            rows.append(row);
    }
    return rows;
}

} // namespace

// The song table's rows: sort values and text order, header clicks, the
// selection and how both survive re-sorts and new lists.
class TestSongTableModel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sortsByTheColumnsValues_data()
    {
        QTest::addColumn<QStringList>("list");
        QTest::addColumn<SongSortOrder>("order");
        QTest::addColumn<QStringList>("expected");
        const SongSortOrder title {{SongColumn::Title, true}};
        QTest::newRow("digits by value") << QStringList {u"a|Track 10"_s, u"b|Track 2"_s, u"c|Track 1"_s}
                                         << title << QStringList {u"c"_s, u"b"_s, u"a"_s};
        QTest::newRow("case together") << QStringList {u"a|ABD"_s, u"b|abc"_s, u"c|Abe"_s} << title
                                       << QStringList {u"b"_s, u"a"_s, u"c"_s};
        QTest::newRow("descending") << QStringList {u"a|Track 2"_s, u"b|Track 10"_s}
                                    << SongSortOrder {{SongColumn::Title, false}}
                                    << QStringList {u"b"_s, u"a"_s};
        QTest::newRow("missing artist first")
            << QStringList {u"a|x|Zed"_s, u"b|x|"_s, u"c|x|adam"_s}
            << SongSortOrder {{SongColumn::Artist, true}} << QStringList {u"b"_s, u"c"_s, u"a"_s};
        QTest::newRow("missing album first")
            << QStringList {u"a|x||B"_s, u"b|x||"_s} << SongSortOrder {{SongColumn::Album, true}}
            << QStringList {u"b"_s, u"a"_s};
        QTest::newRow("missing time as 0")
            << QStringList {u"a|x|||61"_s, u"b|x|||"_s, u"c|x|||9"_s}
            << SongSortOrder {{SongColumn::Time, true}} << QStringList {u"b"_s, u"c"_s, u"a"_s};
        QTest::newRow("time by value descending")
            << QStringList {u"a|x|||9"_s, u"b|x|||100"_s} << SongSortOrder {{SongColumn::Time, false}}
            << QStringList {u"b"_s, u"a"_s};
        QTest::newRow("ties keep the list's order") << QStringList {u"d|Same|B"_s, u"a|same|A"_s,
            u"c|Same|B"_s, u"b|Other"_s} << title << QStringList {u"b"_s, u"d"_s, u"a"_s, u"c"_s};
        QTest::newRow("second key breaks ties")
            << QStringList {u"a|Same|B"_s, u"b|Same|A"_s, u"c|Aaa|Z"_s}
            << SongSortOrder {{SongColumn::Title, true}, {SongColumn::Artist, true}}
            << QStringList {u"c"_s, u"b"_s, u"a"_s};
        QTest::newRow("unsorted") << QStringList {u"b|B"_s, u"a|A"_s} << SongSortOrder {}
                                  << QStringList {u"b"_s, u"a"_s};
    }

    void sortsByTheColumnsValues()
    {
        QFETCH(QStringList, list);
        QFETCH(SongSortOrder, order);
        QFETCH(QStringList, expected);
        SongTableModel model(English);
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setSortOrder(order);
        model.setSongs(songs(list));
        QCOMPARE(shownIds(model), expected);
        // Sorting an already shown list gives the same rows.
        SongTableModel later(English);
        later.setSongs(songs(list));
        later.setSortOrder(order);
        QCOMPARE(shownIds(later), expected);
    }

    void headerClicks_data()
    {
        QTest::addColumn<SongSortOrder>("before");
        QTest::addColumn<int>("column");
        QTest::addColumn<SongSortOrder>("after");
        using C = SongColumn;
        QTest::newRow("first click on unsorted")
            << SongSortOrder {} << int(C::Time) << SongSortOrder {{C::Time, true}};
        QTest::newRow("again reverses")
            << SongSortOrder {{C::Title, true}} << int(C::Title) << SongSortOrder {{C::Title, false}};
        QTest::newRow("and back") << SongSortOrder {{C::Title, false}} << int(C::Title)
                                  << SongSortOrder {{C::Title, true}};
        QTest::newRow("new column goes first") << SongSortOrder {{C::Title, false}} << int(C::Artist)
                                               << SongSortOrder {{C::Artist, true}, {C::Title, false}};
        QTest::newRow("earlier column moves up ascending") << SongSortOrder {{C::Artist, true},
            {C::Title, false}} << int(C::Title) << SongSortOrder {{C::Title, true}, {C::Artist, true}};
    }

    void headerClicks()
    {
        QFETCH(SongSortOrder, before);
        QFETCH(int, column);
        QFETCH(SongSortOrder, after);
        QCOMPARE(SongSort::clickColumn(before, SongColumn(column)), after);
    }

    void selection_data()
    {
        QTest::addColumn<Clicks>("clicks");
        QTest::addColumn<QList<int>>("selectedRows");
        const int ctrl = Qt::ControlModifier;
        const int shift = Qt::ShiftModifier;
        QTest::newRow("plain click") << Clicks {{1, 0}, {3, 0}} << QList<int> {3};
        QTest::newRow("ctrl adds") << Clicks {{1, 0}, {3, ctrl}} << QList<int> {1, 3};
        QTest::newRow("ctrl removes") << Clicks {{1, 0}, {3, ctrl}, {1, ctrl}} << QList<int> {3};
        QTest::newRow("shift range down") << Clicks {{1, 0}, {3, shift}} << QList<int> {1, 2, 3};
        QTest::newRow("shift range up") << Clicks {{3, 0}, {0, shift}} << QList<int> {0, 1, 2, 3};
        QTest::newRow("shift again from the same anchor")
            << Clicks {{2, 0}, {4, shift}, {0, shift}} << QList<int> {0, 1, 2};
        QTest::newRow("ctrl+shift adds a range")
            << Clicks {{0, 0}, {3, ctrl}, {4, ctrl | shift}} << QList<int> {0, 3, 4};
        QTest::newRow("shift without anchor") << Clicks {{2, shift}} << QList<int> {2};
        QTest::newRow("beside the rows clears") << Clicks {{1, 0}, {-1, 0}} << QList<int> {};
    }

    void selection()
    {
        QFETCH(Clicks, clicks);
        QFETCH(QList<int>, selectedRows);
        SongTableModel model(English);
        model.setSongs(songs({u"a|A"_s, u"b|B"_s, u"c|C"_s, u"d|D"_s, u"e|E"_s}));
        for (const auto &[row, modifiers] : clicks)
            model.click(row, modifiers);
        QCOMPARE(selectedRowsOf(model), selectedRows);
    }

    // The arrow keys after some clicks: each key as (step, modifiers).
    void arrowKeys_data()
    {
        QTest::addColumn<Clicks>("clicks");
        QTest::addColumn<Clicks>("keys");
        QTest::addColumn<QList<int>>("selectedRows");
        QTest::addColumn<int>("lastRow");
        const int shift = Qt::ShiftModifier;
        const int ctrl = Qt::ControlModifier;
        QTest::newRow("down from nothing") << Clicks {} << Clicks {{1, 0}} << QList<int> {0} << 0;
        QTest::newRow("up from nothing") << Clicks {} << Clicks {{-1, 0}} << QList<int> {4} << 4;
        QTest::newRow("down from a click")
            << Clicks {{1, 0}} << Clicks {{1, 0}, {1, 0}} << QList<int> {3} << 3;
        QTest::newRow("bottom holds") << Clicks {{4, 0}} << Clicks {{1, 0}} << QList<int> {4} << 4;
        QTest::newRow("top holds") << Clicks {{0, 0}} << Clicks {{-1, 0}} << QList<int> {0} << 0;
        QTest::newRow("shift extends")
            << Clicks {{1, 0}} << Clicks {{1, shift}, {1, shift}} << QList<int> {1, 2, 3} << 3;
        QTest::newRow("shift back past the anchor")
            << Clicks {{2, 0}} << Clicks {{1, shift}, {-1, shift}, {-1, shift}} << QList<int> {1, 2} << 1;
        QTest::newRow("from the last ctrl click")
            << Clicks {{0, 0}, {3, ctrl}} << Clicks {{-1, 0}} << QList<int> {2} << 2;
        QTest::newRow("after a shift click")
            << Clicks {{1, 0}, {3, shift}} << Clicks {{1, shift}} << QList<int> {1, 2, 3, 4} << 4;
        QTest::newRow("plain key drops the range")
            << Clicks {{1, 0}, {3, shift}} << Clicks {{-1, 0}} << QList<int> {2} << 2;
    }

    void arrowKeys()
    {
        QFETCH(Clicks, clicks);
        QFETCH(Clicks, keys);
        QFETCH(QList<int>, selectedRows);
        SongTableModel model(English);
        QCOMPARE(model.moveCursor(1, 0), -1); // nothing to move through
        model.setSongs(songs({u"a|A"_s, u"b|B"_s, u"c|C"_s, u"d|D"_s, u"e|E"_s}));
        for (const auto &[row, modifiers] : clicks)
            model.click(row, modifiers);
        int last = -1;
        for (const auto &[step, modifiers] : keys)
            last = model.moveCursor(step, modifiers);
        QTEST(last, "lastRow");
        QCOMPARE(selectedRowsOf(model), selectedRows);
    }

    // A new sort moves rows by a layout change: the selection, persistent
    // indexes and the current-song marker stay on the same songs.
    void resortKeepsSelection()
    {
        SongTableModel model(English);
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setSortOrder({{SongColumn::Title, true}});
        model.setSongs(songs({u"a|A|z"_s, u"b|B|y"_s, u"c|C|x"_s, u"d|D|w"_s}));
        model.click(0, 0);
        model.click(2, Qt::ControlModifier);
        model.setCurrent(u"b"_s, true);
        const QPersistentModelIndex followed = model.index(2, 1);
        QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
        QSignalSpy layouts(&model, &QAbstractItemModel::layoutChanged);

        model.setSortOrder({{SongColumn::Artist, true}});
        QCOMPARE(shownIds(model), (QStringList {u"d"_s, u"c"_s, u"b"_s, u"a"_s}));
        QCOMPARE(resets.size(), 0);
        QCOMPARE(layouts.size(), 1);
        QCOMPARE(model.selection(), (QSet<QString> {u"a"_s, u"c"_s}));
        QVERIFY(model.index(1, 0).data(SongTableModel::SelectedRole).toBool());
        QVERIFY(model.index(3, 0).data(SongTableModel::SelectedRole).toBool());
        QCOMPARE(followed.row(), 1);
        QCOMPARE(followed.column(), 1);
        QCOMPARE(model.index(2, 0).data(SongTableModel::MarkerRole).toString(), u"speaker.wave.2.fill"_s);
        model.setCurrent(u"b"_s, false);
        QCOMPARE(model.index(2, 0).data(SongTableModel::MarkerRole).toString(), u"speaker.fill"_s);
    }

    // A new list removes and inserts only the rows that changed; the kept
    // rows stay selected and the sort holds for the new rows.
    void newListChangesRowsOnly()
    {
        SongTableModel model(English);
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setSortOrder({{SongColumn::Title, true}});
        model.setSongs(songs({u"a|A"_s, u"c|C"_s, u"e|E"_s}));
        model.click(1, 0);
        model.click(2, Qt::ControlModifier);
        QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
        QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
        QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);

        model.setSongs(songs({u"e|E"_s, u"d|D"_s, u"a|A"_s, u"b|B"_s}));
        QCOMPARE(shownIds(model), (QStringList {u"a"_s, u"b"_s, u"d"_s, u"e"_s}));
        QCOMPARE(resets.size(), 0);
        QCOMPARE(removed.size(), 1);
        QCOMPARE(inserted.size(), 1);
        QCOMPARE(model.selection(), QSet<QString> {u"e"_s});
        QCOMPARE(model.topmostRow({u"e"_s, u"b"_s, u"gone"_s}), 1);
        QCOMPARE(model.songsOf({u"e"_s, u"a"_s}).size(), 2);
        QCOMPARE(model.songsOf({u"e"_s, u"a"_s}).first().id, u"a"_s);

        model.setSongs({});
        QCOMPARE(model.rowCount(), 0);
        QVERIFY(model.selection().isEmpty());
    }
};

QTEST_MAIN(TestSongTableModel)
#include "tst_SongTableModel.moc"
