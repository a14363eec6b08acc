#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <limits>

#include "Playback/SessionSnapshot.h"

using namespace Qt::StringLiterals;

class tst_SessionSnapshot : public QObject
{
    Q_OBJECT

    static QList<Song> songs(int count)
    {
        QList<Song> list;
        for (int i = 0; i < count; ++i) {
            Song s;
            s.id = QString::number(i);
            s.title = u"Song "_s + QString::number(i);
            list.append(s);
        }
        return list;
    }

    static QByteArray valid()
    {
        return R"({"serverKey":"ann@http://music.example","queue":[{"id":"1","title":"One"},{"id":"2","title":"Two","duration":200}],"currentIndex":1,"currentTime":95.5,"isShuffling":true,"unshuffledQueue":[{"id":"2","title":"Two","duration":200},{"id":"1","title":"One"}],"repeatMode":"all","source":{"album":{"id":"al-1","name":"Kind of Blue"}}})";
    }

    // The valid file with one key replaced (or removed, for an undefined value).
    static QByteArray with(const QString &key, const QJsonValue &value)
    {
        QJsonObject o = QJsonDocument::fromJson(valid()).object();
        if (value.isUndefined())
            o.remove(key);
        else
            o.insert(key, value);
        return QJsonDocument(o).toJson();
    }

private Q_SLOTS:
    void window_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("size");
        QTest::addColumn<bool>("keepsUnshuffled");
        QTest::newRow("3000 at 2000") << 3000 << 2000 << 1500 << 1001 << false;
        QTest::newRow("800 at 10") << 800 << 10 << 0 << 800 << true;
        QTest::newRow("1001 at 0") << 1001 << 0 << 0 << 1001 << true;
        QTest::newRow("1001 at 1000") << 1001 << 1000 << 0 << 1001 << true;
        QTest::newRow("1002 at 0") << 1002 << 0 << 0 << 501 << false;
        QTest::newRow("1002 at 1001") << 1002 << 1001 << 501 << 501 << false;
        QTest::newRow("one song") << 1 << 0 << 0 << 1 << true;
    }

    void window()
    {
        QFETCH(int, count);
        QFETCH(int, index);
        QFETCH(int, first);
        QFETCH(int, size);
        QFETCH(bool, keepsUnshuffled);
        const QList<Song> queue = songs(count);
        QList<Song> unshuffled = queue;
        std::reverse(unshuffled.begin(), unshuffled.end());
        const SessionSnapshot s = SessionSnapshot::make(
            u"key"_s, queue, index, 12, true, unshuffled, RepeatMode::One, std::nullopt);
        QCOMPARE(s.queue.size(), size);
        QCOMPARE(s.queue.first().id, QString::number(first));
        QCOMPARE(s.currentIndex, index - first);
        QCOMPARE(s.queue.at(s.currentIndex).id, QString::number(index));
        QCOMPARE(s.isShuffling, true);
        QCOMPARE(s.unshuffledQueue.has_value(), keepsUnshuffled);
        if (keepsUnshuffled)
            QCOMPARE(*s.unshuffledQueue, unshuffled);
    }

    void writesTheKeysInOrderAndReadsBack()
    {
        const std::optional<SessionSnapshot> read = SessionSnapshot::fromJson(valid());
        QVERIFY(read);
        QCOMPARE(read->serverKey, u"ann@http://music.example"_s);
        QCOMPARE(read->currentIndex, 1);
        QCOMPARE(read->currentTime, 95.5);
        QCOMPARE(read->repeatMode, RepeatMode::All);
        QVERIFY(read->source);
        QCOMPARE(read->unshuffledQueue->size(), 2);
        QCOMPARE(read->queue.at(1).duration, 200);

        const std::optional<QByteArray> written = read->toJson();
        QVERIFY(written);
        QCOMPARE(SessionSnapshot::fromJson(*written), read);
        qsizetype last = -1;
        for (const char *key : {"\"serverKey\"", "\"queue\"", "\"currentIndex\"", "\"currentTime\"",
                 "\"isShuffling\"", "\"unshuffledQueue\"", "\"repeatMode\"", "\"source\""}) {
            const qsizetype at = written->indexOf(key);
            QVERIFY2(at > last, key);
            last = at;
        }

        // Absent optionals are left out, not written as null.
        SessionSnapshot bare = *read;
        bare.unshuffledQueue.reset();
        bare.source.reset();
        const QByteArray text = *bare.toJson();
        QVERIFY(!text.contains("unshuffledQueue"));
        QVERIFY(!text.contains("source"));
        QVERIFY(!text.contains("null"));
        QCOMPARE(SessionSnapshot::fromJson(text), bare);
    }

    void startTimeStaysInTheSong_data()
    {
        QTest::addColumn<double>("saved");
        QTest::addColumn<int>("index");
        QTest::addColumn<double>("start");
        // valid(): song "1" has no length, song "2" lasts 200 s.
        QTest::newRow("inside the song") << 95.5 << 1 << 95.5;
        QTest::newRow("at its end") << 200.0 << 1 << 200.0;
        QTest::newRow("far past its end") << 1e12 << 1 << 200.0;
        QTest::newRow("before its start") << -3.0 << 1 << 0.0;
        // Nothing says where such a song ends: the player learns it later.
        QTest::newRow("a song without a length") << 95.5 << 0 << 95.5;
        QTest::newRow("a song without a length, before its start") << -3.0 << 0 << 0.0;
    }

    void startTimeStaysInTheSong()
    {
        QFETCH(double, saved);
        QFETCH(int, index);
        QFETCH(double, start);
        std::optional<SessionSnapshot> s = SessionSnapshot::fromJson(valid());
        QVERIFY(s);
        s->currentTime = saved;
        s->currentIndex = index;
        QCOMPARE(s->startTime(), start);
    }

    void refusesToWriteAPositionThatIsNotFinite_data()
    {
        QTest::addColumn<double>("time");
        QTest::newRow("nan") << std::numeric_limits<double>::quiet_NaN();
        QTest::newRow("infinity") << std::numeric_limits<double>::infinity();
        QTest::newRow("minus infinity") << -std::numeric_limits<double>::infinity();
    }

    void refusesToWriteAPositionThatIsNotFinite()
    {
        QFETCH(double, time);
        SessionSnapshot s = *SessionSnapshot::fromJson(valid());
        s.currentTime = time;
        QVERIFY(!s.toJson());
    }

    void readsStrictly_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("not json") << QByteArray("session");
        QTest::newRow("truncated") << valid().left(valid().size() - 1);
        QTest::newRow("array") << QByteArray("[]");
        QTest::newRow("NaN literal") << QByteArray(valid()).replace("95.5", "NaN");
        QTest::newRow("huge number") << QByteArray(valid()).replace("95.5", "1e999");
        for (const char *key :
            {"serverKey", "queue", "currentIndex", "currentTime", "isShuffling", "repeatMode"}) {
            QTest::addRow("no %s", key) << with(QString::fromLatin1(key), QJsonValue::Undefined);
            QTest::addRow("null %s", key) << with(QString::fromLatin1(key), QJsonValue::Null);
        }
        QTest::newRow("index as text") << with(u"currentIndex"_s, u"1"_s);
        QTest::newRow("fractional index") << with(u"currentIndex"_s, 1.5);
        QTest::newRow("time as text") << with(u"currentTime"_s, u"95.5"_s);
        QTest::newRow("shuffling as number") << with(u"isShuffling"_s, 1);
        QTest::newRow("bad repeat text") << with(u"repeatMode"_s, u"shuffle"_s);
        QTest::newRow("repeat in capitals") << with(u"repeatMode"_s, u"ALL"_s);
        QTest::newRow("source with two keys") << with(u"source"_s,
            QJsonObject {{u"album"_s, QJsonObject {{u"id"_s, u"a"_s}, {u"name"_s, u"A"_s}}},
                {u"playlist"_s, QJsonObject {{u"id"_s, u"p"_s}, {u"name"_s, u"P"_s}}}});
        QTest::newRow("source without keys") << with(u"source"_s, QJsonObject {});
        QTest::newRow("source without name")
            << with(u"source"_s, QJsonObject {{u"album"_s, QJsonObject {{u"id"_s, u"a"_s}}}});
        QTest::newRow("a malformed song")
            << with(u"queue"_s, QJsonArray {QJsonObject {{u"id"_s, 7}, {u"title"_s, u"x"_s}}});
        QTest::newRow("a malformed unshuffled song")
            << with(u"unshuffledQueue"_s, QJsonArray {QJsonObject {{u"title"_s, u"x"_s}}});
        QTest::newRow("queue as object") << with(u"queue"_s, QJsonObject {});
    }

    void readsStrictly()
    {
        QFETCH(QByteArray, data);
        QVERIFY(!SessionSnapshot::fromJson(data));
    }

    void toleratesWhatItDoesNotKnow()
    {
        QVERIFY(SessionSnapshot::fromJson(with(u"volume"_s, 0.5)));
        const std::optional<SessionSnapshot> nulls
            = SessionSnapshot::fromJson(with(u"source"_s, QJsonValue::Null));
        QVERIFY(nulls);
        QVERIFY(!nulls->source);
    }

    void indexRange()
    {
        SessionSnapshot s = *SessionSnapshot::fromJson(valid());
        QVERIFY(s.hasValidIndex());
        s.currentIndex = 2;
        QVERIFY(!s.hasValidIndex());
        s.currentIndex = -1;
        QVERIFY(!s.hasValidIndex());
    }
};

QTEST_GUILESS_MAIN(tst_SessionSnapshot)
#include "tst_SessionSnapshot.moc"
