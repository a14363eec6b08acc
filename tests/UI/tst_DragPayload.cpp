#include <QtTest>

#include "Components/DragPayload.h"

using namespace Qt::StringLiterals;

namespace {

Album album(const QString &id, std::optional<QString> artist = std::nullopt)
{
    Album a;
    a.id = id;
    a.name = u"Album "_s + id;
    a.artist = std::move(artist);
    a.year = 1999;
    return a;
}

QStringList ids(const std::optional<QList<Album>> &albums)
{
    QStringList out;
    for (const Album &a : albums.value_or(QList<Album>()))
        out.append(a.id);
    return out;
}

} // namespace

class TestDragPayload : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void albumsTravelInDragOrder()
    {
        const QList<Album> dragged {album(u"3"_s, u"Ann"_s), album(u"1"_s), album(u"2"_s, u""_s)};
        // Drag.mimeData's map: the payload first, then its text stand-in.
        const QVariantMap map = DragPayload::albumsMimeMap(dragged);
        QCOMPARE(map.keys(), (QStringList {u"application/x-co.quorvane.lirna.album"_s, u"text/plain"_s}));
        QVERIFY(
            DragPayload::decodeAlbums(map.value(DragPayload::albumFormat()).toString().toUtf8()) == dragged);
        QCOMPARE(map.value(u"text/plain"_s).toString(), u"Ann \u2013 Album 3\nAlbum 1\n \u2013 Album 2"_s);
    }

    void albumPayloads_data()
    {
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<QStringList>("ids"); // empty: rejected
        QTest::newRow("one album object")
            << QByteArray(R"({"id":"7","name":"Seven"})") << QStringList {u"7"_s};
        QTest::newRow("array in order")
            << QByteArray(R"([{"id":"2","name":"B"},{"id":"1","name":"A"}])") << QStringList {u"2"_s, u"1"_s};
        QTest::newRow("not JSON") << QByteArray("Ann – Album") << QStringList {};
        QTest::newRow("empty") << QByteArray() << QStringList {};
        QTest::newRow("empty array") << QByteArray("[]") << QStringList {};
        QTest::newRow("one bad album spoils the drop")
            << QByteArray(R"([{"id":"2","name":"B"},{"id":"1"}])") << QStringList {};
        QTest::newRow("a number for an id") << QByteArray(R"({"id":2,"name":"B"})") << QStringList {};
        QTest::newRow("not an album") << QByteArray(R"(["x"])") << QStringList {};
        QTest::newRow("a bare string") << QByteArray(R"("x")") << QStringList {};
    }

    void albumPayloads()
    {
        QFETCH(QByteArray, payload);
        QFETCH(QStringList, ids);
        const std::optional<QList<Album>> albums = DragPayload::decodeAlbums(payload);
        QCOMPARE(albums.has_value(), !ids.isEmpty());
        QCOMPARE(::ids(albums), ids);
    }
};

QTEST_GUILESS_MAIN(TestDragPayload)
#include "tst_DragPayload.moc"
