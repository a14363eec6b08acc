#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <limits>

#include "Downloads/DownloadManifest.h"
#include "Helpers/RecordLists.h"

using namespace Qt::StringLiterals;

namespace {

Song song(const QString &id, const QString &title, std::optional<qint64> disc = {},
    std::optional<qint64> track = {})
{
    Song s;
    s.id = id;
    s.title = title;
    s.discNumber = disc;
    s.track = track;
    return s;
}

DownloadedSong entry(const Song &s, qint64 bytes, QSet<QString> owners, const QString &suffix = u"mp3"_s)
{
    return DownloadedSong {s, suffix, bytes, std::move(owners)};
}

} // namespace

class TestDownloadManifest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void emptyRoundTrip()
    {
        const DownloadManifest empty;
        const QByteArray json = empty.toJson();
        QCOMPARE(QJsonDocument::fromJson(json).object(),
            QJsonObject({{u"songs"_s, QJsonObject()}, {u"collections"_s, QJsonObject()}}));
        QCOMPARE(DownloadManifest::fromJson(json), std::optional(empty));
    }

    void fullRoundTrip()
    {
        DownloadManifest m;
        Song s = song(u"s1"_s, u"One"_s, 1, 2);
        s.coverArt = u"al-1"_s;
        m.songs.insert(s.id, entry(s, 1234, {u"album:a"_s, u"playlist:p"_s}));
        m.collections.insert(u"album:a"_s, DownloadCollection {u"album:a"_s, u"A"_s, u"Artist"_s});
        m.collections.insert(u"playlist:p"_s, DownloadCollection {u"playlist:p"_s, u"P"_s, std::nullopt});
        const QByteArray json = m.toJson();
        QVERIFY(!json.contains('\n'));
        QCOMPARE(DownloadManifest::fromJson(json), std::optional(m));
        // An absent subtitle is left out, never written as null.
        const QJsonObject p = QJsonDocument::fromJson(json)["collections"_L1]["playlist:p"_L1].toObject();
        QVERIFY(!p.contains("subtitle"_L1));
    }

    // The file is written as text directly: every text reads back as it was,
    // whatever it holds, in member names and in values alike.
    void encodedTexts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("readBack");
        const auto same = [](const char *name, const QString &text) { QTest::newRow(name) << text << text; };
        same("plain", u"Song 1"_s);
        same("empty", QString());
        same("quotes and backslashes", u"say \"hi\" \\ bye /"_s);
        same("control characters",
            u"a\tb\nc\rd\be\ff"_s + QChar(0x01) + u"g"_s + QChar(0x1f) + u"h"_s + QChar(0x7f));
        same("accents and other scripts", u"\u00c9t\u00e9 \u65e5\u672c \u0416"_s);
        same("outside the basic plane", u"\U0001F3B5 notes"_s);
        QTest::newRow("half a surrogate pair") << (QString(QChar(0xd800)) + u"x"_s) << u"\ufffdx"_s;
    }

    void encodedTexts()
    {
        QFETCH(QString, text);
        QFETCH(QString, readBack);
        DownloadManifest m;
        Song s = song(text, text, 1, 2);
        s.album = text;
        m.songs.insert(text, entry(s, 1, {text, u"album:a"_s}, text));
        m.collections.insert(text, DownloadCollection {text, text, text});
        const std::optional<DownloadManifest> read = DownloadManifest::fromJson(m.toJson());
        QVERIFY(read);
        QCOMPARE(read->songs.keys(), QStringList {readBack});
        const DownloadedSong e = read->songs.value(readBack);
        QCOMPARE(e.song.id, readBack);
        QCOMPARE(e.song.title, readBack);
        QCOMPARE(e.song.album, std::optional(readBack));
        QCOMPARE(e.suffix, readBack);
        QCOMPARE(e.owners, (QSet<QString> {readBack, u"album:a"_s}));
        QCOMPARE(read->collections.value(readBack), (DownloadCollection {readBack, readBack, readBack}));
    }

    // Each song record is kept with the same keys as the client codes it.
    void songRecordKeys_data()
    {
        QTest::addColumn<Song>("record");
        QTest::addColumn<qint64>("bytes");
        Song full = song(u"s"_s, u"t"_s, 2, 7);
        full.album = u"Al"_s;
        full.albumId = u"al-1"_s;
        full.artist = u"Ar"_s;
        full.artistId = u"ar-1"_s;
        full.year = 1999;
        full.duration = std::numeric_limits<qint64>::max();
        full.contentType = u"audio/flac"_s;
        full.suffix = u"flac"_s;
        full.coverArt = u"al-1"_s;
        QTest::newRow("every field") << full << std::numeric_limits<qint64>::max();
        QTest::newRow("only the required fields")
            << song(u"s"_s, u"t"_s) << std::numeric_limits<qint64>::min();
    }

    void songRecordKeys()
    {
        QFETCH(Song, record);
        QFETCH(qint64, bytes);
        DownloadManifest m;
        m.songs.insert(record.id, entry(record, bytes, {u"album:a"_s}));
        const QJsonObject stored = QJsonDocument::fromJson(m.toJson())["songs"_L1][record.id].toObject();
        QCOMPARE(stored.value("song"_L1).toObject(), record.toJson());
        QCOMPARE(stored.value("bytes"_L1).toInteger(), bytes);
        QCOMPARE(DownloadManifest::fromJson(m.toJson()), std::optional(m));
    }

    void decoding_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<bool>("ok");
        const QByteArray songOk
            = R"({"song":{"id":"s","title":"t"},"suffix":"mp3","bytes":10,"owners":["album:a"]})";
        QTest::newRow("null subtitle") << QByteArray(
            R"({"songs":{},"collections":{"album:a":{"key":"album:a","name":"A","subtitle":null}}})")
                                       << true;
        QTest::newRow("unknown keys ignored")
            << QByteArray(R"({"songs":{},"collections":{},"extra":1})") << true;
        QTest::newRow("good song") << QByteArray(R"({"songs":{"s":)" + songOk + R"(},"collections":{}})")
                                   << true;
        QTest::newRow("no collections") << QByteArray(R"({"songs":{}})") << false;
        QTest::newRow("no songs") << QByteArray(R"({"collections":{}})") << false;
        QTest::newRow("torn") << QByteArray("{\"songs\":{\"s\":{\"song\":{\"id\":\"s\",\"ti") << false;
        QTest::newRow("empty file") << QByteArray() << false;
        QTest::newRow("array") << QByteArray("[]") << false;
        QTest::newRow("bytes as text") << QByteArray(
            R"({"songs":{"s":{"song":{"id":"s","title":"t"},"suffix":"mp3","bytes":"10","owners":[]}},"collections":{}})")
                                       << false;
        QTest::newRow("fractional bytes") << QByteArray(
            R"({"songs":{"s":{"song":{"id":"s","title":"t"},"suffix":"mp3","bytes":1.5,"owners":[]}},"collections":{}})")
                                          << false;
        QTest::newRow("owner not text") << QByteArray(
            R"({"songs":{"s":{"song":{"id":"s","title":"t"},"suffix":"mp3","bytes":1,"owners":[1]}},"collections":{}})")
                                        << false;
        QTest::newRow("no owners") << QByteArray(
            R"({"songs":{"s":{"song":{"id":"s","title":"t"},"suffix":"mp3","bytes":1}},"collections":{}})")
                                   << false;
        QTest::newRow("no suffix") << QByteArray(
            R"({"songs":{"s":{"song":{"id":"s","title":"t"},"bytes":1,"owners":[]}},"collections":{}})")
                                   << false;
        QTest::newRow("song without title") << QByteArray(
            R"({"songs":{"s":{"song":{"id":"s"},"suffix":"mp3","bytes":1,"owners":[]}},"collections":{}})")
                                            << false;
        QTest::newRow("collection without name")
            << QByteArray(R"({"songs":{},"collections":{"album:a":{"key":"album:a"}}})") << false;
    }

    void decoding()
    {
        QFETCH(QByteArray, json);
        QFETCH(bool, ok);
        QCOMPARE(DownloadManifest::fromJson(json).has_value(), ok);
    }

    void repeatedOwnersCollapse()
    {
        const auto m = DownloadManifest::fromJson(
            R"({"songs":{"s":{"song":{"id":"s","title":"t"},"suffix":"mp3","bytes":1,"owners":["album:a","album:a"]}},"collections":{}})");
        QVERIFY(m);
        QCOMPARE(m->songs.value(u"s"_s).owners, QSet<QString> {u"album:a"_s});
    }

    void playOrder()
    {
        DownloadManifest m;
        const QString a = u"album:a"_s;
        for (const Song &s : {song(u"d2t1"_s, u"x"_s, 2, 1), song(u"d1t3"_s, u"x"_s, 1, 3),
                 song(u"d1t2"_s, u"x"_s, 1, 2), song(u"nodisc"_s, u"x"_s, std::nullopt, 9),
                 song(u"d1notrackB"_s, u"B"_s, 1), song(u"d1notrackA"_s, u"A"_s, 1),
                 song(u"accent"_s, u"\u00c9"_s, 1), song(u"other"_s, u"x"_s, 1, 1)})
            m.songs.insert(s.id, entry(s, 1, {s.id == u"other"_s ? u"album:b"_s : a}));
        QCOMPARE(idsOf(m.songsOwnedBy(a)),
            QStringList({u"nodisc"_s, u"d1notrackA"_s, u"d1notrackB"_s, u"accent"_s, u"d1t2"_s, u"d1t3"_s,
                u"d2t1"_s}));
        QVERIFY(m.songsOwnedBy(u"album:none"_s).isEmpty());
    }

    void sharedSongRemoval()
    {
        DownloadManifest m;
        const Song s = song(u"s"_s, u"t"_s);
        m.songs.insert(s.id, entry(s, 10, {u"album:a"_s, u"playlist:p"_s}, u"flac"_s));
        m.collections.insert(u"album:a"_s, DownloadCollection {u"album:a"_s, u"A"_s, {}});
        QCOMPARE(m.bytes(u"album:a"_s), 10);
        QCOMPARE(m.bytes(u"playlist:p"_s), 10);
        QCOMPARE(m.totalBytes(), 10);

        QVERIFY(m.remove(u"album:a"_s).isEmpty());
        QVERIFY(!m.isDownloaded(u"album:a"_s));
        QCOMPARE(m.songs.value(u"s"_s).owners, QSet<QString> {u"playlist:p"_s});

        const DownloadManifest before = m;
        QVERIFY(m.remove(u"album:unknown"_s).isEmpty());
        QCOMPARE(m, before);

        const auto removed = m.remove(u"playlist:p"_s);
        QCOMPARE(removed, (QList<DownloadManifest::RemovedSong> {{u"s"_s, u"flac"_s}}));
        QVERIFY(m.songs.isEmpty());
        QCOMPARE(m.totalBytes(), 0);
    }
};

QTEST_GUILESS_MAIN(TestDownloadManifest)
#include "tst_DownloadManifest.moc"
