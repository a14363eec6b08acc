#pragma once

#include <QCoroTask>
#include <QString>

#include "Models/Song.h"
#include "Networking/SubsonicClient.h"

// Tells the server what is being listened to: "now playing" once when a track
// starts playing, and the finished play once enough of it has been heard.
// Both go out at most once per track, and only while reports are on in the
// settings; a failed report is dropped.
class PlayReporter
{
public:
    static constexpr auto EnabledKey = "scrobbleEnabled";
    static constexpr double MaximumThreshold = 240.0;

    // Seconds of the song after which it counts as played: half its length,
    // at most four minutes; four minutes when its length is unknown.
    static double threshold(const Song &song);
    // The settings switch, read anew at every decision; on unless it holds
    // a readable false.
    static bool scrobbleEnabled();

    bool didReportNowPlaying() const { return m_didReportNowPlaying; }
    bool didSubmitScrobble() const { return m_didSubmitScrobble; }

    // A new track became current at `position`: one started at or past its
    // threshold is never reported as played.
    void beganTrack(const Song &song, double position);
    // `song` and `client` are null when there is no current song or client.
    void reportNowPlaying(const Song *song, const SubsonicClient *client);
    void maybeSubmitScrobble(
        bool isPlaying, double currentTime, const Song *song, const SubsonicClient *client);

private:
    static QCoro::Task<> send(SubsonicClient client, QString songId, bool submission);

    bool m_didReportNowPlaying = false;
    bool m_didSubmitScrobble = false;
};
