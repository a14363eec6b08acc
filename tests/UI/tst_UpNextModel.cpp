#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

#include "NowPlaying/UpNextModel.h"
#include "NowPlayingFixture.h"

using namespace NowPlayingFixture;

// The Up Next list: rows are places in the queue, every action reaches the
// engine, and the rows follow the queue one change at a time.
class tst_UpNextModel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void emptyStates();
    void rows();
    void aSongQueuedTwiceIsActedOnWhereClicked();
    void edits_data();
    void edits();
    void followsTheEngineRowByRow();
    void listMoveDestination_data();
    void listMoveDestination();

private:
    QStringList rowIds() const;
    void play(const QList<Song> &queue, int current);

    std::unique_ptr<Engine> m_engine;
    std::unique_ptr<UpNextModel> m_model;
    std::unique_ptr<QAbstractItemModelTester> m_tester;
    std::unique_ptr<QSignalSpy> m_resets;
};

void tst_UpNextModel::init()
{
    m_engine = std::make_unique<Engine>();
    m_model = std::make_unique<UpNextModel>(m_engine->controller.get());
    m_tester = std::make_unique<QAbstractItemModelTester>(
        m_model.get(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    m_resets = std::make_unique<QSignalSpy>(m_model.get(), &QAbstractItemModel::modelReset);
}

void tst_UpNextModel::cleanup()
{
    // No change, however large, ever resets the list.
    QCOMPARE(m_resets->count(), 0);
    m_resets.reset();
    m_tester.reset();
    m_model.reset();
    m_engine.reset();
}

QStringList tst_UpNextModel::rowIds() const
{
    QStringList out;
    for (int row = 0; row < m_model->rowCount(); ++row)
        out.append(m_model->index(row).data(UpNextModel::TitleRole).toString().replace("Song ", "s"));
    // The rows show exactly what the engine holds.
    [&] { QCOMPARE(out, idsOf(m_engine->controller->upNext())); }();
    return out;
}

void tst_UpNextModel::play(const QList<Song> &queue, int current)
{
    m_engine->controller->play(queue, client(), current, std::nullopt);
}

void tst_UpNextModel::emptyStates()
{
    QVERIFY(m_model->isEmpty());
    QCOMPARE(m_model->emptyText(), QStringLiteral("No songs in the queue."));
    QSignalSpy count(m_model.get(), &UpNextModel::countChanged);
    play(songs(3), 0);
    QCOMPARE(m_model->count(), 2);
    m_engine->controller->next();
    m_engine->controller->next();
    // The last song is current: nothing follows it.
    QVERIFY(m_model->isEmpty());
    QCOMPARE(count.count(), 3);
    m_model->clear();
    m_model->playRow(0);
    QCOMPARE(m_engine->controller->currentIndex(), 2);
}

void tst_UpNextModel::rows()
{
    Song bare = song(2, "al", "Album", "", "", std::nullopt);
    play({song(1), bare, song(3)}, 0);
    const QModelIndex first = m_model->index(0);
    QCOMPARE(first.data(UpNextModel::TitleRole).toString(), QStringLiteral("Song 2"));
    QCOMPARE(first.data(UpNextModel::HasArtistRole).toBool(), false);
    QCOMPARE(first.data(UpNextModel::DurationTextRole).toString(), QStringLiteral("--:--"));
    const QModelIndex second = m_model->index(1);
    QCOMPARE(second.data(UpNextModel::ArtistRole).toString(), QStringLiteral("Artist"));
    QCOMPARE(second.data(UpNextModel::DurationTextRole).toString(), QStringLiteral("03:20"));
}

void tst_UpNextModel::aSongQueuedTwiceIsActedOnWhereClicked()
{
    const QList<Song> queue {song(1), song(2), song(3), song(2), song(4)};
    play(queue, 0);
    QSignalSpy removed(m_model.get(), &QAbstractItemModel::rowsRemoved);
    m_model->removeAt(2);
    QCOMPARE(rowIds(), (QStringList {"s2", "s3", "s4"}));
    QCOMPARE(removed.count(), 1);
    QCOMPARE(removed.first().at(1).toInt(), 2);

    play(queue, 0);
    m_model->playRow(2);
    QCOMPARE(m_engine->controller->currentIndex(), 3);
    QCOMPARE(rowIds(), QStringList {"s4"});
}

void tst_UpNextModel::edits_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QString>("signal"); // the row signals sent, as "kind first-last[>destination]"
    // Up Next starts as s2 s3 s4 s5 s6.
    QTest::newRow("play the third row") << "play 2" << QStringList {"s5", "s6"} << "removed 0-2";
    QTest::newRow("remove the first") << "remove 0" << QStringList {"s3", "s4", "s5", "s6"} << "removed 0-0";
    QTest::newRow("remove several") << "remove 3 1" << QStringList {"s2", "s4", "s6"}
                                    << "removed 3-3 removed 1-1";
    QTest::newRow("last to the top") << "move 4 0" << QStringList {"s6", "s2", "s3", "s4", "s5"}
                                     << "moved 4-4>0";
    QTest::newRow("first down two") << "move 0 2" << QStringList {"s3", "s4", "s2", "s5", "s6"}
                                    << "moved 0-0>3";
    QTest::newRow("clear") << "clear" << QStringList {} << "removed 0-4";
    // A drag shows each step; the engine's queue follows only the drop.
    QTest::newRow("drag dropped") << "drag 4 2 0 drop" << QStringList {"s6", "s2", "s3", "s4", "s5"}
                                  << "moved 4-4>2 moved 2-2>0";
    QTest::newRow("drag cancelled") << "drag 4 2 0 cancel" << QStringList {"s2", "s3", "s4", "s5", "s6"}
                                    << "moved 4-4>2 moved 2-2>0 moved 0-0>5";
    QTest::newRow("queue moves on under a drag")
        << "drag 4 0 next drop" << QStringList {"s3", "s4", "s5", "s6"} << "moved 4-4>0 changed removed 4-4";
}

void tst_UpNextModel::edits()
{
    QFETCH(QString, action);
    QFETCH(QStringList, rows);
    play(songs(6), 0);
    QStringList sent;
    connect(
        m_model.get(), &QAbstractItemModel::rowsRemoved, this, [&](const QModelIndex &, int first, int last) {
            sent.append(QStringLiteral("removed %1-%2").arg(first).arg(last));
        });
    connect(m_model.get(), &QAbstractItemModel::rowsMoved, this,
        [&](const QModelIndex &, int first, int last, const QModelIndex &, int to) {
            sent.append(QStringLiteral("moved %1-%2>%3").arg(first).arg(last).arg(to));
        });
    connect(m_model.get(), &QAbstractItemModel::rowsInserted, this, [&] { sent.append("inserted"); });
    connect(m_model.get(), &QAbstractItemModel::dataChanged, this, [&] { sent.append("changed"); });

    const QStringList words = action.split(' ');
    if (words[0] == "play")
        m_model->playRow(words[1].toInt());
    else if (words[0] == "remove")
        m_model->removeRows({words[1].toInt(), words.value(2, "-1").toInt()});
    else if (words[0] == "move")
        m_model->moveRow(words[1].toInt(), words[2].toInt());
    else if (words[0] == "drag") {
        m_model->beginDrag(words[1].toInt());
        for (const QString &word : words.mid(2)) {
            if (word == "drop")
                m_model->dropDragged();
            else if (word == "cancel")
                m_model->cancelDrag();
            else if (word == "next")
                m_engine->controller->next();
            else
                m_model->dragTo(word.toInt());
        }
    } else
        m_model->clear();
    QCOMPARE(rowIds(), rows);
    QTEST(sent.join(' '), "signal");
}

void tst_UpNextModel::followsTheEngineRowByRow()
{
    play(songs(5), 0);
    QSignalSpy inserted(m_model.get(), &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(m_model.get(), &QAbstractItemModel::rowsRemoved);

    m_engine->controller->next();
    QCOMPARE(rowIds(), (QStringList {"s3", "s4", "s5"}));
    QCOMPARE(removed.count(), 1);
    QCOMPARE(removed.last().at(1).toInt(), 0);

    m_engine->controller->playNext({song(9)}, client());
    QCOMPARE(rowIds(), (QStringList {"s9", "s3", "s4", "s5"}));
    QCOMPARE(inserted.count(), 1);
    QCOMPARE(inserted.last().at(1).toInt(), 0);

    // Shuffling reorders everything at once; the rows still follow.
    m_engine->controller->toggleShuffle();
    QCOMPARE(rowIds().size(), 5);
    m_engine->controller->toggleShuffle();
    QCOMPARE(rowIds(), (QStringList {"s9", "s3", "s4", "s5"}));

    m_engine->controller->stop();
    QCOMPARE(rowIds(), QStringList {});
}

void tst_UpNextModel::listMoveDestination_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<int>("destination");
    QTest::newRow("down") << 0 << 2 << 3;
    QTest::newRow("up") << 4 << 0 << 0;
    QTest::newRow("to the end") << 1 << 4 << 5;
}

void tst_UpNextModel::listMoveDestination()
{
    QFETCH(int, from);
    QFETCH(int, to);
    QTEST(UpNextModel::listMoveDestination(from, to), "destination");
}

QTEST_GUILESS_MAIN(tst_UpNextModel)
#include "tst_UpNextModel.moc"
