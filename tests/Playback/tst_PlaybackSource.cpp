#include <QJsonDocument>
#include <QTest>

#include "Playback/PlaybackSource.h"
#include "Playback/RepeatMode.h"

using namespace Qt::StringLiterals;

class tst_PlaybackSource : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void roundTrips();
    void rejectsMalformed_data();
    void rejectsMalformed();
    void repeatModeTexts();
};

void tst_PlaybackSource::roundTrips()
{
    for (const PlaybackSource &source :
        {PlaybackSource::album(u"al-1"_s, u"Blue"_s), PlaybackSource::playlist(u"p-2"_s, u"Mix ♫"_s)}) {
        const QJsonObject json = source.toJson();
        QCOMPARE(json.size(), 1);
        QCOMPARE(PlaybackSource::fromJson(json), source);
    }
    QCOMPARE(QJsonDocument(PlaybackSource::album(u"1"_s, u"A"_s).toJson()).toJson(QJsonDocument::Compact),
        QByteArray(R"({"album":{"id":"1","name":"A"}})"));
    QVERIFY(PlaybackSource::album(u"1"_s, u"A"_s) != PlaybackSource::playlist(u"1"_s, u"A"_s));
    QVERIFY(PlaybackSource::album(u"1"_s, u"A"_s) != PlaybackSource::album(u"1"_s, u"B"_s));
    // Keys other than the two are not counted.
    QCOMPARE(PlaybackSource::fromJson(
                 QJsonDocument::fromJson(R"({"x":1,"playlist":{"id":"p","name":"P"}})").object()),
        PlaybackSource::playlist(u"p"_s, u"P"_s));
}

void tst_PlaybackSource::rejectsMalformed_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<bool>("keyCount");
    QTest::newRow("both") << QByteArray(R"({"album":{"id":"1","name":"A"},"playlist":{"id":"2","name":"B"}})")
                          << true;
    QTest::newRow("none") << QByteArray("{}") << true;
    QTest::newRow("no name") << QByteArray(R"({"album":{"id":"1"}})") << false;
    QTest::newRow("numeric id") << QByteArray(R"({"playlist":{"id":1,"name":"B"}})") << false;
    QTest::newRow("not an object") << QByteArray(R"({"album":"1"})") << false;
}

void tst_PlaybackSource::rejectsMalformed()
{
    QFETCH(QByteArray, json);
    QFETCH(bool, keyCount);
    QString error;
    QCOMPARE(PlaybackSource::fromJson(QJsonDocument::fromJson(json).object(), &error), std::nullopt);
    QCOMPARE(error == u"Invalid number of keys found, expected one."_s, keyCount);
    QVERIFY(!error.isEmpty());
}

void tst_PlaybackSource::repeatModeTexts()
{
    QCOMPARE(RepeatModes::all(), (QList<RepeatMode> {RepeatMode::Off, RepeatMode::All, RepeatMode::One}));
    for (RepeatMode mode : RepeatModes::all())
        QCOMPARE(RepeatModes::fromJson(RepeatModes::toJson(mode)), mode);
    QCOMPARE(RepeatModes::rawValue(RepeatMode::One), u"one"_s);
    QCOMPARE(RepeatModes::fromRawValue(u"All"_s), std::nullopt);
    QCOMPARE(RepeatModes::fromJson(QJsonValue(1)), std::nullopt);
}

QTEST_GUILESS_MAIN(tst_PlaybackSource)
#include "tst_PlaybackSource.moc"
