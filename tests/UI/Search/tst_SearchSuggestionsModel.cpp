#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QtTest>

#include "SearchSuggestionsModel.h"

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(SearchResult)

namespace {

// A result with `n` records of each list; -1 leaves the list out.
SearchResult result(int artists, int albums, int songs)
{
    SearchResult out;
    if (artists >= 0) {
        out.artist = QList<Artist> {};
        for (int i = 0; i < artists; ++i)
            out.artist->append(Artist {u"ar%1"_s.arg(i), u"Artist %1"_s.arg(i), u"c-ar%1"_s.arg(i), 2});
    }
    if (albums >= 0) {
        out.album = QList<Album> {};
        for (int i = 0; i < albums; ++i) {
            Album album;
            album.id = u"al%1"_s.arg(i);
            album.name = u"Album %1"_s.arg(i);
            album.artist = u"Band"_s;
            out.album->append(album);
        }
    }
    if (songs >= 0) {
        out.song = QList<Song> {};
        for (int i = 0; i < songs; ++i) {
            Song song;
            song.id = u"s%1"_s.arg(i);
            song.title = u"Song %1"_s.arg(i);
            if (i > 0)
                song.artist = u"Singer"_s;
            out.song->append(song);
        }
    }
    return out;
}

} // namespace

// The search dropdown's rows: sections from one answer, the highlight and the
// height the list needs.
class TestSearchSuggestionsModel : public QObject
{
    Q_OBJECT

    static QString section(const SearchSuggestionsModel &model, int row)
    {
        return model.data(model.index(row), SearchSuggestionsModel::SectionRole).toString();
    }

private Q_SLOTS:
    void update_data()
    {
        QTest::addColumn<SearchResult>("result");
        QTest::addColumn<QStringList>("sections");
        QTest::addColumn<QList<int>>("firstIds"); // the first row id of each section
        QTest::addColumn<int>("count");
        QTest::addColumn<qreal>("height");
        QTest::newRow("all absent") << result(-1, -1, -1) << QStringList {} << QList<int> {} << 0 << 76.0;
        QTest::newRow("all empty") << result(0, 0, 0) << QStringList {} << QList<int> {} << 0 << 76.0;
        QTest::newRow("full answer") << result(5, 7, 10)
                                     << QStringList {u"Artists"_s, u"Albums"_s, u"Songs"_s}
                                     << QList<int> {0, 5, 12} << 22 << 620.0;
        QTest::newRow("two artists") << result(2, -1, 0) << QStringList {u"Artists"_s} << QList<int> {0} << 2
                                     << 146.0;
        QTest::newRow("three songs") << result(0, -1, 3) << QStringList {u"Songs"_s} << QList<int> {0} << 3
                                     << 192.0;
        QTest::newRow("albums and songs") << result(-1, 2, 1) << QStringList {u"Albums"_s, u"Songs"_s}
                                          << QList<int> {0, 2} << 3 << 12.0 + 42 + 92 + 42 + 46;
    }

    void update()
    {
        QFETCH(SearchResult, result);
        QFETCH(QStringList, sections);
        QFETCH(QList<int>, firstIds);
        QFETCH(int, count);
        SearchSuggestionsModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.update(result, u"query"_s);

        QStringList titles;
        QList<int> firsts;
        for (const auto &section : model.sections()) {
            titles.append(section.id);
            firsts.append(section.rows.first().id);
        }
        QCOMPARE(titles, sections);
        QCOMPARE(firsts, firstIds);
        QCOMPARE(model.rowCount(), count);
        QCOMPARE(model.hasResults(), count > 0);
        QTEST(model.contentHeight(), "height");
        for (int row = 0; row < count; ++row) {
            QCOMPARE(model.data(model.index(row), SearchSuggestionsModel::RowIdRole).toInt(), row);
            QCOMPARE(model.row(row)->id, row);
        }
        QVERIFY(!model.row(count).has_value());
        QVERIFY(!model.row(-1).has_value());
    }

    void rowsOfEachKind()
    {
        SearchSuggestionsModel model;
        model.update(result(1, 1, 2), u"ab"_s);
        struct Expected
        {
            QString section, title, subtitle, cover;
            bool round;
            SearchSuggestion::Kind kind;
        };
        const QList<Expected> expected {
            {u"Artists"_s, u"Artist 0"_s, {}, u"c-ar0"_s, true, SearchSuggestion::Kind::Artist},
            {u"Albums"_s, u"Album 0"_s, u"Band"_s, {}, false, SearchSuggestion::Kind::Album},
            {u"Songs"_s, u"Song 0"_s, {}, {}, false, SearchSuggestion::Kind::Song},
            {u"Songs"_s, u"Song 1"_s, u"Singer"_s, {}, false, SearchSuggestion::Kind::Song},
        };
        QCOMPARE(model.rowCount(), expected.size());
        for (int row = 0; row < expected.size(); ++row) {
            const QModelIndex at = model.index(row);
            QCOMPARE(section(model, row), expected[row].section);
            QCOMPARE(at.data(SearchSuggestionsModel::TitleRole).toString(), expected[row].title);
            QCOMPARE(at.data(SearchSuggestionsModel::SubtitleRole).toString(), expected[row].subtitle);
            QCOMPARE(at.data(SearchSuggestionsModel::CoverArtRole).toString(), expected[row].cover);
            QCOMPARE(at.data(SearchSuggestionsModel::IsRoundRole).toBool(), expected[row].round);
            QCOMPARE(model.row(row)->pick.kind(), expected[row].kind);
        }
        QCOMPARE(model.noMatchesText(), u"No matches for \u201Cab\u201D"_s);
    }

    // Steps from a fresh answer of `rows` rows: the highlight after each and
    // the scroll ticks in all.
    void moveHighlight_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<QList<int>>("steps");
        QTest::addColumn<QList<int>>("highlights");
        QTest::addColumn<int>("ticks");
        QTest::newRow("down and up") << 3 << QList<int> {1, 1, -1} << QList<int> {1, 2, 1} << 3;
        QTest::newRow("stops at the top") << 3 << QList<int> {-1, -1} << QList<int> {0, 0} << 2;
        QTest::newRow("stops at the end") << 2 << QList<int> {1, 1, 1} << QList<int> {1, 1, 1} << 3;
        QTest::newRow("no rows") << 0 << QList<int> {1, -1} << QList<int> {0, 0} << 0;
    }

    void moveHighlight()
    {
        QFETCH(int, rows);
        QFETCH(QList<int>, steps);
        QFETCH(QList<int>, highlights);
        SearchSuggestionsModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.update(result(-1, -1, rows), u"ab"_s);
        QList<int> seen;
        for (int step : std::as_const(steps)) {
            model.moveHighlight(step);
            seen.append(model.highlighted());
            for (int row = 0; row < rows; ++row)
                QCOMPARE(model.index(row).data(SearchSuggestionsModel::HighlightedRole).toBool(),
                    row == model.highlighted());
        }
        QCOMPARE(seen, highlights);
        QTEST(model.scrollTick(), "ticks");
    }

    void newAnswerStartsAtTheFirstRow()
    {
        SearchSuggestionsModel model;
        model.update(result(2, 2, 2), u"ab"_s);
        model.setHighlighted(4); // the pointer rests on a row
        QCOMPARE(model.scrollTick(), 0);
        QSignalSpy changed(&model, &SearchSuggestionsModel::dataChanged);
        model.moveHighlight(1);
        QCOMPARE(changed.count(), 2); // the row left and the row reached
        model.update(result(1, 0, 0), u"abc"_s);
        QCOMPARE(model.highlighted(), 0);
        QCOMPARE(model.version(), 2);
        QCOMPARE(model.scrollTick(), 1);
        QCOMPARE(model.query(), u"abc"_s);
    }
};

QTEST_GUILESS_MAIN(TestSearchSuggestionsModel)
#include "tst_SearchSuggestionsModel.moc"
