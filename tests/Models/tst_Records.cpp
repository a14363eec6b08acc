#include <QJsonDocument>
#include <QSet>
#include <QTest>

#include "Models/AlbumListType.h"
#include "Models/ArtistDetail.h"
#include "Models/ArtistIndex.h"
#include "Models/Playlist.h"
#include "Models/PlaylistDetail.h"
#include "Models/SearchResult.h"

namespace {

QJsonValue parse(const char *json)
{
    return QJsonDocument::fromJson(QByteArray(json)).object().value(QStringLiteral("v"));
}

Album sampleAlbum()
{
    Song song{QStringLiteral("s1"), QStringLiteral("One"), QStringLiteral("Album"), QStringLiteral("a1"),
        QStringLiteral("Artist"), QStringLiteral("r1"), 1, 1, 2001, 187, QStringLiteral("audio/flac"),
        QStringLiteral("flac"), QStringLiteral("c1")};
    return Album{QStringLiteral("a1"), QStringLiteral("Album"), QStringLiteral("Artist"), QStringLiteral("r1"),
        QStringLiteral("c1"), 1, 187, 2001, QStringLiteral("Rock"), QList<Song>{song}};
}

} // namespace

class TestRecords : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void songDecoding_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<bool>("decodes");
        QTest::newRow("id and title only") << QByteArray(R"({"v":{"id":"1","title":"T"}})") << true;
        QTest::newRow("unknown keys ignored") << QByteArray(R"({"v":{"id":"1","title":"T","bitRate":320}})") << true;
        QTest::newRow("null optional") << QByteArray(R"({"v":{"id":"1","title":"T","track":null}})") << true;
        QTest::newRow("whole number as double")
            << QByteArray(R"({"v":{"id":"1","title":"T","duration":187.0}})") << true;
        QTest::newRow("missing title") << QByteArray(R"({"v":{"id":"1"}})") << false;
        QTest::newRow("null title") << QByteArray(R"({"v":{"id":"1","title":null}})") << false;
        QTest::newRow("numeric id") << QByteArray(R"({"v":{"id":1,"title":"T"}})") << false;
        QTest::newRow("number as text") << QByteArray(R"({"v":{"id":"1","title":"T","track":"3"}})") << false;
        QTest::newRow("fraction") << QByteArray(R"({"v":{"id":"1","title":"T","duration":3.5}})") << false;
        QTest::newRow("boolean as number") << QByteArray(R"({"v":{"id":"1","title":"T","year":true}})") << false;
        QTest::newRow("text as number") << QByteArray(R"({"v":{"id":"1","title":"T","album":5}})") << false;
        QTest::newRow("not an object") << QByteArray(R"({"v":["1","T"]})") << false;
    }

    void songDecoding()
    {
        QFETCH(QByteArray, json);
        QFETCH(bool, decodes);
        QCOMPARE(Song::fromJson(parse(json.constData())).has_value(), decodes);
    }

    void minimalSongReencodesOnlyItsKeys()
    {
        const auto song = Song::fromJson(parse(R"({"v":{"id":"1","title":"T","track":null}})"));
        QVERIFY(song);
        QVERIFY(!song->track && !song->album && !song->duration);
        QCOMPARE(song->toJson().keys(), (QStringList{QStringLiteral("id"), QStringLiteral("title")}));
    }

    void largeIntegersAreExact()
    {
        const auto song = Song::fromJson(parse(R"({"v":{"id":"1","title":"T","duration":9007199254740993}})"));
        QVERIFY(song);
        QCOMPARE(*song->duration, Q_INT64_C(9007199254740993));
    }

    void oneBadTrackFailsTheAlbum()
    {
        QVERIFY(Album::fromJson(parse(R"({"v":{"id":"a","name":"A","song":[{"id":"1","title":"T"}]}})")));
        QVERIFY(!Album::fromJson(parse(R"({"v":{"id":"a","name":"A","song":[{"id":"1","title":"T"},{"id":"2"}]}})")));
    }

    void albumRoundTrips()
    {
        const Album album = sampleAlbum();
        const auto decoded = Album::fromJson(album.toJson());
        QVERIFY(decoded);
        QCOMPARE(*decoded, album);
    }

    void artistIndexRequiresItsList()
    {
        QVERIFY(!ArtistIndex::fromJson(parse(R"({"v":{"name":"A"}})")));
        const auto empty = ArtistIndex::fromJson(parse(R"({"v":{"name":"A","artist":[]}})"));
        QVERIFY(empty);
        QVERIFY(empty->artist.isEmpty());
        const auto detail = ArtistDetail::fromJson(parse(R"({"v":{"id":"r","name":"R"}})"));
        QVERIFY(detail);
        QVERIFY(!detail->album);
    }

    void searchResultListsAreOptional()
    {
        const auto result = SearchResult::fromJson(parse(R"({"v":{}})"));
        QVERIFY(result);
        QVERIFY(!result->artist && !result->album && !result->song);
        QVERIFY(result->toJson().isEmpty());
        QVERIFY(!SearchResult::fromJson(parse(R"({"v":{"song":[{"id":"1"}]}})")));
    }

    void playlistDetailKeepsRepeatedEntries()
    {
        const auto detail = PlaylistDetail::fromJson(parse(
            R"({"v":{"id":"p","name":"P","songCount":2,"entry":[{"id":"1","title":"T"},{"id":"1","title":"T"}]}})"));
        QVERIFY(detail);
        QCOMPARE(detail->entry->size(), 2);
        QCOMPARE(detail->entry->at(0), detail->entry->at(1));
        QCOMPARE(detail->toJson().value(QStringLiteral("songCount")).toInteger(), 2);
    }

    void equalityAndHashCoverEveryField()
    {
        const Album album = sampleAlbum();
        Album otherGenre = album;
        otherGenre.genre = QStringLiteral("Jazz");
        QVERIFY(album != otherGenre);

        Album songChanged = album;
        (*songChanged.song)[0].title = QStringLiteral("Other");
        QVERIFY(album != songChanged);
        QVERIFY(qHash(album) != qHash(songChanged));

        Album copy = album;
        QCOMPARE(copy, album);
        QCOMPARE(qHash(copy, 7), qHash(album, 7));

        // An absent field and an empty one are different values.
        Album noGenre = album;
        noGenre.genre.reset();
        Album emptyGenre = album;
        emptyGenre.genre = QString();
        QVERIFY(noGenre != emptyGenre);
        QVERIFY(qHash(noGenre) != qHash(emptyGenre));

        Song a{QStringLiteral("1"), QStringLiteral("T")};
        Song b{QStringLiteral("1"), QStringLiteral("U")};
        QVERIFY(a != b);
        QSet<Song> songs{a, b, a};
        QCOMPARE(songs.size(), 2);

        Playlist p{QStringLiteral("p"), QStringLiteral("P"), 3};
        Playlist q = p;
        q.duration = 10;
        QVERIFY(p != q);
        Artist r{QStringLiteral("r"), QStringLiteral("R"), std::nullopt, 2};
        Artist s = r;
        s.albumCount = 3;
        QVERIFY(r != s);
    }

    void dragText()
    {
        Album album{QStringLiteral("a"), QStringLiteral("B")};
        QCOMPARE(album.dragText(), QStringLiteral("B"));
        album.artist = QStringLiteral("A");
        QCOMPARE(album.dragText(), QStringLiteral("A \u2013 B"));
        album.artist = QString();
        QCOMPARE(album.dragText(), QStringLiteral(" \u2013 B"));
        QCOMPARE(Album::dragType(), QStringLiteral("co.quorvane.lirna.album"));
    }

    void albumListTypeTexts()
    {
        const QStringList texts{QStringLiteral("newest"), QStringLiteral("recent"),
            QStringLiteral("alphabeticalByName"), QStringLiteral("alphabeticalByArtist"), QStringLiteral("random"),
            QStringLiteral("frequent"), QStringLiteral("highest")};
        QCOMPARE(AlbumListTypes::all().size(), texts.size());
        for (int i = 0; i < texts.size(); ++i) {
            QCOMPARE(AlbumListTypes::rawValue(AlbumListTypes::all()[i]), texts[i]);
            QCOMPARE(AlbumListTypes::fromRawValue(texts[i]), AlbumListTypes::all()[i]);
        }
        QVERIFY(!AlbumListTypes::fromRawValue(QStringLiteral("Newest")));
        QVERIFY(!AlbumListTypes::fromJson(QJsonValue(3)));
        QCOMPARE(AlbumListTypes::toJson(AlbumListType::Frequent), QJsonValue(QStringLiteral("frequent")));
    }
};

QTEST_GUILESS_MAIN(TestRecords)
#include "tst_Records.moc"
