#include "PlayReporter.h"

#include <QSettings>

#include <algorithm>
#include <exception>

using namespace Qt::StringLiterals;

double PlayReporter::threshold(const Song &song)
{
    if (song.duration && *song.duration >= 1)
        return std::min(double(*song.duration) / 2.0, MaximumThreshold);
    return MaximumThreshold;
}

bool PlayReporter::scrobbleEnabled()
{
    const QVariant value = QSettings().value(QLatin1StringView(EnabledKey));
    if (value.typeId() == QMetaType::Bool)
        return value.toBool();
    // The settings file gives back text.
    if (value.typeId() == QMetaType::QString)
        return value.toString() != u"false"_s;
    return true;
}

void PlayReporter::beganTrack(const Song &song, double position)
{
    m_didSubmitScrobble = threshold(song) <= position;
    m_didReportNowPlaying = false;
}

void PlayReporter::reportNowPlaying(const Song *song, const SubsonicClient *client)
{
    if (m_didReportNowPlaying || !scrobbleEnabled())
        return;
    if (!song || !client)
        return;
    m_didReportNowPlaying = true;
    send(*client, song->id, false);
}

void PlayReporter::maybeSubmitScrobble(
    bool isPlaying, double currentTime, const Song *song, const SubsonicClient *client)
{
    if (m_didSubmitScrobble || !scrobbleEnabled() || !isPlaying)
        return;
    if (!song || !client)
        return;
    // A time that is not a number never passes the comparison.
    if (!(currentTime >= threshold(*song)))
        return;
    m_didSubmitScrobble = true;
    send(*client, song->id, true);
}

QCoro::Task<> PlayReporter::send(SubsonicClient client, QString songId, bool submission)
{
    try {
        co_await client.scrobble(songId, submission);
    } catch (...) {
        // Reports are best effort: nothing is retried or shown.
    }
}
