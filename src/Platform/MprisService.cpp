#include "MprisService.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>
#include <QFile>
#include <QMetaMethod>
#include <QSaveFile>
#include <QStandardPaths>
#include <QUrl>
#include <QWindow>

#include <cmath>
#include <limits>

#include "MprisPlayerAdaptor.h"
#include "MprisRootAdaptor.h"
#include "Support/AtomicFile.h"

using namespace Qt::StringLiterals;

namespace {

constexpr double MicrosecondsPerSecond = 1'000'000.0;

// A position that moved this far from where steady playback would have taken
// it was a jump, which the desktop learns through "Seeked".
constexpr double SeekTolerance = 1.5;

qlonglong microseconds(double seconds)
{
    if (!std::isfinite(seconds) || seconds <= 0)
        return 0;
    // Past the largest count (some 292,000 years) the conversion would
    // overflow: the count stops there.
    const double count = seconds * MicrosecondsPerSecond;
    if (count >= double(std::numeric_limits<qlonglong>::max()))
        return std::numeric_limits<qlonglong>::max();
    return qlonglong(std::llround(count));
}

QString artworkFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + u"/Lirna/NowPlaying"_s;
}

} // namespace

MprisService::MprisService(QDBusConnection connection, QObject *parent)
    : NowPlayingCenter(parent)
    , m_connection(std::move(connection))
{
    m_rootAdaptor = new MprisRootAdaptor(this);
    m_playerAdaptor = new MprisPlayerAdaptor(this);
    m_published = playerProperties();
    m_sinceElapsedUpdate.start();
    registerOnBus();
}

MprisService::~MprisService()
{
    if (!m_serviceName.isEmpty()) {
        m_connection.unregisterService(m_serviceName);
        m_connection.unregisterObject(QString::fromLatin1(ObjectPath));
    }
    removeArtworkFile();
}

bool MprisService::registerOnBus()
{
    if (!m_connection.isConnected())
        return false;
    const QString path = QString::fromLatin1(ObjectPath);
    if (!m_connection.registerObject(path, this, QDBusConnection::ExportAdaptors))
        return false;
    // A second running copy takes the instance name the desktop also looks for.
    const QString name = QString::fromLatin1(ServiceName);
    const QString instance = name + u".instance"_s + QString::number(QCoreApplication::applicationPid());
    for (const QString &candidate : {name, instance}) {
        if (m_connection.registerService(candidate)) {
            m_serviceName = candidate;
            return true;
        }
    }
    m_connection.unregisterObject(path);
    return false;
}

QDBusObjectPath MprisService::trackId(const QString &songId)
{
    // Object paths allow only [A-Za-z0-9_]: the id goes in as hexadecimal.
    const QByteArray hex = songId.toUtf8().toHex();
    return QDBusObjectPath(
        u"/co/quorvane/lirna/track/"_s + (hex.isEmpty() ? u"_"_s : QString::fromLatin1(hex)));
}

void MprisService::setNowPlayingInfo(const std::optional<NowPlayingInfo> &info)
{
    if (info && m_info && info->songId == m_info->songId) {
        const double expected
            = m_info->elapsedTime + m_info->playbackRate * double(m_sinceElapsedUpdate.elapsed()) / 1000.0;
        const bool jumped
            = std::isfinite(info->elapsedTime) && std::abs(info->elapsedTime - expected) > SeekTolerance;
        m_info = info;
        m_sinceElapsedUpdate.restart();
        updateArtworkFile();
        publishChanges();
        if (jumped && !m_serviceName.isEmpty())
            Q_EMIT m_playerAdaptor->Seeked(position());
        return;
    }
    m_info = info;
    m_sinceElapsedUpdate.restart();
    updateArtworkFile();
    publishChanges();
}

void MprisService::setPlaybackState(NowPlayingState state)
{
    if (m_state == state)
        return;
    m_state = state;
    publishChanges();
}

void MprisService::setVolume(double volume)
{
    if (!std::isfinite(volume))
        return;
    m_volume = std::clamp(volume, 0.0, 1.0);
    publishChanges();
}

QString MprisService::playbackStatus() const
{
    switch (m_state) {
    case NowPlayingState::Playing:
        return u"Playing"_s;
    case NowPlayingState::Paused:
        return u"Paused"_s;
    case NowPlayingState::Stopped:
        break;
    }
    return u"Stopped"_s;
}

QVariantMap MprisService::metadata() const
{
    QVariantMap map;
    if (!m_info) {
        map.insert(u"mpris:trackid"_s,
            QVariant::fromValue(QDBusObjectPath(u"/org/mpris/MediaPlayer2/TrackList/NoTrack"_s)));
        return map;
    }
    map.insert(u"mpris:trackid"_s, QVariant::fromValue(trackId(m_info->songId)));
    map.insert(u"xesam:title"_s, m_info->title);
    if (m_info->artist)
        map.insert(u"xesam:artist"_s, QStringList {*m_info->artist});
    if (m_info->albumTitle)
        map.insert(u"xesam:album"_s, *m_info->albumTitle);
    if (const qlonglong length = microseconds(m_info->duration); length > 0)
        map.insert(u"mpris:length"_s, length);
    if (!m_artworkPath.isEmpty())
        map.insert(u"mpris:artUrl"_s, QUrl::fromLocalFile(m_artworkPath).toString());
    return map;
}

qlonglong MprisService::position() const
{
    return m_info ? microseconds(m_info->elapsedTime) : 0;
}

bool MprisService::canQuit() const
{
    return isSignalConnected(QMetaMethod::fromSignal(&MprisService::quitRequested));
}

bool MprisService::canRaise() const
{
    return isSignalConnected(QMetaMethod::fromSignal(&MprisService::raiseRequested));
}

void MprisService::requestQuit()
{
    Q_EMIT quitRequested();
}

void MprisService::requestRaise()
{
    Q_EMIT raiseRequested();
}

void MprisService::raiseOnRequest(QWindow *window)
{
    connect(this, &MprisService::raiseRequested, window, [window] {
        window->setWindowStates(window->windowStates() & ~Qt::WindowMinimized);
        window->show();
        window->raise();
        window->requestActivate();
    });
}

void MprisService::seek(qlonglong offset)
{
    if (!m_info)
        return;
    const double target = std::max(0.0, m_info->elapsedTime + double(offset) / MicrosecondsPerSecond);
    // Past the end the desktop expects the next track.
    if (m_info->duration > 0 && target > m_info->duration) {
        Q_EMIT nextTrackCommand();
        return;
    }
    Q_EMIT changePlaybackPositionCommand(target);
}

void MprisService::setPosition(const QDBusObjectPath &track, qlonglong position)
{
    // A request for a track that is no longer current is stale.
    if (!m_info || track != trackId(m_info->songId) || position < 0)
        return;
    const double seconds = double(position) / MicrosecondsPerSecond;
    if (m_info->duration > 0 && seconds > m_info->duration)
        return;
    Q_EMIT changePlaybackPositionCommand(seconds);
}

QVariantMap MprisService::playerProperties() const
{
    return {
        {u"PlaybackStatus"_s, playbackStatus()},
        {u"Metadata"_s, metadata()},
        {u"Volume"_s, m_volume},
        {u"CanGoNext"_s, hasTrack()},
        {u"CanGoPrevious"_s, hasTrack()},
        {u"CanPlay"_s, hasTrack()},
        {u"CanPause"_s, hasTrack()},
        {u"CanSeek"_s, hasTrack()},
    };
}

// The bus does not announce property changes by itself: every change of what
// the desktop shows goes out as one PropertiesChanged.
void MprisService::publishChanges()
{
    const QVariantMap current = playerProperties();
    QVariantMap changed;
    for (auto it = current.cbegin(); it != current.cend(); ++it) {
        if (m_published.value(it.key()) != it.value())
            changed.insert(it.key(), it.value());
    }
    m_published = current;
    if (changed.isEmpty() || m_serviceName.isEmpty())
        return;
    QDBusMessage signal = QDBusMessage::createSignal(
        QString::fromLatin1(ObjectPath), u"org.freedesktop.DBus.Properties"_s, u"PropertiesChanged"_s);
    signal << QString::fromLatin1(PlayerInterface) << changed << QStringList();
    m_connection.send(signal);
}

void MprisService::updateArtworkFile()
{
    if (!m_info || m_info->artwork.isNull()) {
        removeArtworkFile();
        return;
    }
    if (!m_artworkPath.isEmpty() && m_artworkSongId == m_info->songId
        && m_artworkKey == m_info->artwork.cacheKey())
        return;
    removeArtworkFile();
    const QString folder = artworkFolder();
    if (!QDir().mkpath(folder))
        return;
    const QString name = QString::fromLatin1(
        QCryptographicHash::hash(m_info->songId.toUtf8(), QCryptographicHash::Sha256).toHex());
    const QString path = folder + u'/' + name + u".jpg"_s;
    QSaveFile file(path);
    if (!AtomicFile::open(file) || !m_info->artwork.save(&file, "JPG", 90) || !AtomicFile::commit(file))
        return;
    m_artworkPath = path;
    m_artworkSongId = m_info->songId;
    m_artworkKey = m_info->artwork.cacheKey();
}

void MprisService::removeArtworkFile()
{
    if (m_artworkPath.isEmpty())
        return;
    QFile::remove(m_artworkPath);
    m_artworkPath.clear();
    m_artworkSongId.clear();
    m_artworkKey = 0;
}
