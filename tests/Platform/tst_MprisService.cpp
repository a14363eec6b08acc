// LIRNA_TEST_NEEDS_SESSION_BUS: ctest runs this under dbus-run-session.
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <QWindow>

#include <limits>

#include "Platform/MprisService.h"

using namespace Qt::StringLiterals;

// Records the signals another client of the bus sees.
class BusObserver : public QObject
{
    Q_OBJECT
public:
    QList<QVariantMap> changes;
    QList<qlonglong> seeks;

public Q_SLOTS:
    void propertiesChanged(const QString &interface, const QVariantMap &changed, const QStringList &)
    {
        if (interface == QLatin1String(MprisService::PlayerInterface))
            changes.append(changed);
    }
    void seeked(qlonglong position) { seeks.append(position); }
};

class tst_MprisService : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;

private:
    // Runs dbus-send in another process; the event loop keeps turning meanwhile
    // so that this process can answer it.
    static QString busCall(const QString &service, const QStringList &call)
    {
        QProcess process;
        QSignalSpy finished(&process, &QProcess::finished);
        process.start(u"dbus-send"_s,
            QStringList {
                u"--session"_s, u"--print-reply"_s, u"--dest="_s + service, u"/org/mpris/MediaPlayer2"_s}
                + call);
        if (!finished.wait(10000))
            return {};
        return QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError());
    }

    static QString property(const QString &interface, const QString &name)
    {
        return busCall(QString::fromLatin1(MprisService::ServiceName),
            {u"org.freedesktop.DBus.Properties.Get"_s, u"string:"_s + interface, u"string:"_s + name});
    }

    static QString playerProperty(const QString &name)
    {
        return property(QString::fromLatin1(MprisService::PlayerInterface), name);
    }

    static QString command(const QStringList &call)
    {
        return busCall(QString::fromLatin1(MprisService::ServiceName), call);
    }

    static NowPlayingInfo song(const QString &id)
    {
        NowPlayingInfo info;
        info.songId = id;
        info.title = u"Blue in Green"_s;
        info.duration = 337.5;
        info.elapsedTime = 12;
        info.playbackRate = 1;
        info.artist = u"Miles Davis"_s;
        info.albumTitle = u"Kind of Blue"_s;
        return info;
    }

    static QImage cover()
    {
        QImage image(64, 64, QImage::Format_RGB32);
        image.fill(QColor(200, 40, 40));
        return image;
    }

private Q_SLOTS:
    void initTestCase()
    {
        // A home of its own: tests running beside it clear the shared test folders.
        QVERIFY(m_home.isValid());
        qputenv("HOME", m_home.path().toUtf8());
        QStandardPaths::setTestModeEnabled(true);
        if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
            QSKIP("needs a private session bus (run through ctest)");
    }

    void publishesIdentityAndState()
    {
        MprisService service;
        QCOMPARE(service.serviceName(), QString::fromLatin1(MprisService::ServiceName));
        QVERIFY(property(u"org.mpris.MediaPlayer2"_s, u"Identity"_s).contains(u"\"Lirna\""_s));
        QVERIFY(playerProperty(u"PlaybackStatus"_s).contains(u"\"Stopped\""_s));
        QVERIFY(playerProperty(u"CanPlay"_s).contains(u"false"_s));

        // Quit and Raise are offered only when the application listens for them.
        QVERIFY(property(u"org.mpris.MediaPlayer2"_s, u"CanQuit"_s).contains(u"false"_s));
        QSignalSpy quit(&service, &MprisService::quitRequested);
        QVERIFY(property(u"org.mpris.MediaPlayer2"_s, u"CanQuit"_s).contains(u"true"_s));
        QVERIFY(property(u"org.mpris.MediaPlayer2"_s, u"CanRaise"_s).contains(u"false"_s));
        command({u"org.mpris.MediaPlayer2.Quit"_s});
        QCOMPARE(quit.count(), 1);

        service.setNowPlayingInfo(song(u"s1"_s));
        service.setPlaybackState(NowPlayingState::Playing);
        QVERIFY(playerProperty(u"PlaybackStatus"_s).contains(u"\"Playing\""_s));
        QVERIFY(playerProperty(u"CanPlay"_s).contains(u"true"_s));
        service.setPlaybackState(NowPlayingState::Paused);
        QVERIFY(playerProperty(u"PlaybackStatus"_s).contains(u"\"Paused\""_s));
        QVERIFY(playerProperty(u"Position"_s).contains(u"int64 12000000"_s));
    }

    // The desktop names the player by its desktop entry and may bring its
    // window to the front from behind another one.
    void raiseBringsTheWindowToTheFront()
    {
        QGuiApplication::setDesktopFileName(u"co.quorvane.lirna"_s);
        MprisService service;
        const QString root = u"org.mpris.MediaPlayer2"_s;
        QVERIFY(property(root, u"DesktopEntry"_s).contains(u"\"co.quorvane.lirna\""_s));
        QWindow window;
        window.resize(320, 200);
        window.show();
        QWindow other;
        other.resize(320, 200);
        other.show();
        other.requestActivate();
        QTRY_VERIFY(other.isActive());

        service.raiseOnRequest(&window);
        QVERIFY(property(root, u"CanRaise"_s).contains(u"true"_s));
        command({u"org.mpris.MediaPlayer2.Raise"_s});
        QTRY_VERIFY(window.isActive());
        QVERIFY(!other.isActive());
    }

    void publishesMetadataWithCoverFile()
    {
        MprisService service;
        NowPlayingInfo info = song(u"s1"_s);
        service.setNowPlayingInfo(info);
        QString metadata = playerProperty(u"Metadata"_s);
        QVERIFY2(metadata.contains(u"\"Blue in Green\""_s), qPrintable(metadata));
        QVERIFY(metadata.contains(u"\"Miles Davis\""_s));
        QVERIFY(metadata.contains(u"\"Kind of Blue\""_s));
        QVERIFY(metadata.contains(u"int64 337500000"_s));
        QVERIFY(metadata.contains(MprisService::trackId(u"s1"_s).path()));
        QVERIFY(!metadata.contains(u"mpris:artUrl"_s));

        info.artwork = cover();
        service.setNowPlayingInfo(info);
        metadata = playerProperty(u"Metadata"_s);
        const qsizetype at = metadata.indexOf(u"file://"_s);
        QVERIFY2(at >= 0, qPrintable(metadata));
        const QString url = metadata.mid(at, metadata.indexOf(u'"', at) - at);
        const QString path = QUrl(url).toLocalFile();
        QCOMPARE(path, service.artworkPath());
        QImage written(path);
        QCOMPARE(written.size(), QSize(64, 64));
        QVERIFY(!metadata.contains(u"http"_s));

        // The next track has no cover yet: the old file is gone with it.
        NowPlayingInfo bare;
        bare.songId = u"s2"_s;
        bare.title = u"Untitled"_s;
        service.setNowPlayingInfo(bare);
        QVERIFY(!QFileInfo::exists(path));
        metadata = playerProperty(u"Metadata"_s);
        QVERIFY(metadata.contains(u"\"Untitled\""_s));
        QVERIFY(!metadata.contains(u"xesam:artist"_s));
        QVERIFY(!metadata.contains(u"xesam:album"_s));
        QVERIFY(!metadata.contains(u"mpris:length"_s));
        QVERIFY(!metadata.contains(u"mpris:artUrl"_s));
    }

    void commandsFromAnotherProcess()
    {
        MprisService service;
        service.setNowPlayingInfo(song(u"track-7"_s));
        QSignalSpy play(&service, &NowPlayingCenter::playCommand);
        QSignalSpy pause(&service, &NowPlayingCenter::pauseCommand);
        QSignalSpy toggle(&service, &NowPlayingCenter::togglePlayPauseCommand);
        QSignalSpy next(&service, &NowPlayingCenter::nextTrackCommand);
        QSignalSpy previous(&service, &NowPlayingCenter::previousTrackCommand);
        QSignalSpy position(&service, &NowPlayingCenter::changePlaybackPositionCommand);

        const QString player = QString::fromLatin1(MprisService::PlayerInterface);
        command({player + u".PlayPause"_s});
        command({player + u".Play"_s});
        command({player + u".Pause"_s});
        command({player + u".Next"_s});
        command({player + u".Previous"_s});
        const QString track = u"objpath:"_s + MprisService::trackId(u"track-7"_s).path();
        command({player + u".SetPosition"_s, track, u"int64:95500000"_s});
        // A stale track, a negative position and one past the end change nothing.
        command({player + u".SetPosition"_s, u"objpath:"_s + MprisService::trackId(u"other"_s).path(),
            u"int64:1000000"_s});
        command({player + u".SetPosition"_s, track, u"int64:-5"_s});
        command({player + u".SetPosition"_s, track, u"int64:400000000"_s});
        command({player + u".Stop"_s});

        QCOMPARE(toggle.count(), 1);
        QCOMPARE(play.count(), 1);
        QCOMPARE(pause.count(), 1);
        QCOMPARE(next.count(), 1);
        QCOMPARE(previous.count(), 1);
        QCOMPARE(position.count(), 1);
        QCOMPARE(position.at(0).at(0).toDouble(), 95.5);

        // The relative form moves from the position shown.
        command({player + u".Seek"_s, u"int64:-20000000"_s});
        QCOMPARE(position.count(), 2);
        QCOMPARE(position.at(1).at(0).toDouble(), 0.0);
        command({player + u".Seek"_s, u"int64:1000000000"_s});
        QCOMPARE(next.count(), 2);
    }

    void announcesChangesAndSeeks()
    {
        MprisService service;
        BusObserver observer;
        QDBusConnection observerBus
            = QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"observer"_s);
        QVERIFY(observerBus.connect(QString::fromLatin1(MprisService::ServiceName),
            u"/org/mpris/MediaPlayer2"_s, u"org.freedesktop.DBus.Properties"_s, u"PropertiesChanged"_s,
            &observer, SLOT(propertiesChanged(QString, QVariantMap, QStringList))));
        QVERIFY(observerBus.connect(QString::fromLatin1(MprisService::ServiceName),
            u"/org/mpris/MediaPlayer2"_s, QString::fromLatin1(MprisService::PlayerInterface), u"Seeked"_s,
            &observer, SLOT(seeked(qlonglong))));

        service.setNowPlayingInfo(song(u"s1"_s));
        QTRY_COMPARE(observer.changes.size(), 1);
        QVERIFY(observer.changes.at(0).contains(u"Metadata"_s));
        QVERIFY(!observer.changes.at(0).contains(u"PlaybackStatus"_s));

        service.setPlaybackState(NowPlayingState::Playing);
        QTRY_COMPARE(observer.changes.size(), 2);
        QCOMPARE(observer.changes.at(1).value(u"PlaybackStatus"_s).toString(), u"Playing"_s);

        // Steady ticks are not jumps; the same state again announces nothing.
        NowPlayingInfo info = song(u"s1"_s);
        info.elapsedTime = 12.5;
        service.setNowPlayingInfo(info);
        service.setPlaybackState(NowPlayingState::Playing);
        info.elapsedTime = 200;
        service.setNowPlayingInfo(info);
        QTRY_COMPARE(observer.seeks.size(), 1);
        QCOMPARE(observer.seeks.at(0), 200'000'000);
        QCOMPARE(observer.changes.size(), 2);

        service.setVolume(0.25);
        QTRY_COMPARE(observer.changes.size(), 3);
        QCOMPARE(observer.changes.at(2).value(u"Volume"_s).toDouble(), 0.25);
        QDBusConnection::disconnectFromBus(u"observer"_s);
    }

    void positionAndLengthInMicroseconds_data()
    {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<qlonglong>("microseconds");
        constexpr qlonglong most = std::numeric_limits<qlonglong>::max();
        QTest::newRow("seconds") << 12.0 << qlonglong(12'000'000);
        QTest::newRow("a very long time") << 1e12 << qlonglong(1'000'000'000'000'000'000);
        QTest::newRow("past the largest count") << 1e13 << most;
        QTest::newRow("far past it") << 1e300 << most;
        QTest::newRow("before the start") << -5.0 << qlonglong(0);
    }

    // The count saturates instead of wrapping round to a negative one.
    void positionAndLengthInMicroseconds()
    {
        QFETCH(double, seconds);
        QFETCH(qlonglong, microseconds);
        MprisService service;
        NowPlayingInfo info = song(u"s1"_s);
        info.elapsedTime = seconds;
        info.duration = seconds;
        service.setNowPlayingInfo(info);
        QCOMPARE(service.position(), microseconds);
        QCOMPARE(service.metadata().value(u"mpris:length"_s, qlonglong(0)).toLongLong(), microseconds);
    }

    void worksWithoutTheName()
    {
        // A second copy on the same bus takes the instance name.
        MprisService first;
        QDBusConnection other = QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"second"_s);
        {
            MprisService second(other);
            QVERIFY(second.serviceName().startsWith(
                QString::fromLatin1(MprisService::ServiceName) + u".instance"_s));
        }
        QDBusConnection::disconnectFromBus(u"second"_s);

        // Without a bus the service keeps what it is told and nothing more.
        MprisService offline(QDBusConnection(u"no such bus"_s));
        QVERIFY(offline.serviceName().isEmpty());
        NowPlayingInfo info = song(u"s1"_s);
        info.artwork = cover();
        offline.setNowPlayingInfo(info);
        offline.setPlaybackState(NowPlayingState::Playing);
        QCOMPARE(offline.nowPlayingInfo(), info);
        QCOMPARE(offline.playbackState(), NowPlayingState::Playing);
    }
};

QTEST_MAIN(tst_MprisService)
#include "tst_MprisService.moc"
