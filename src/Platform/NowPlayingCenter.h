#pragma once

#include <QImage>
#include <QObject>
#include <QString>

#include <optional>

// What the desktop shows for the track being played.
struct NowPlayingInfo
{
    QString songId; // names the track for the desktop
    QString title;
    double duration = 0; // seconds
    double elapsedTime = 0; // seconds
    double playbackRate = 0; // 1 while playing, 0 while paused
    std::optional<QString> artist;
    std::optional<QString> albumTitle;
    QImage artwork; // null until the cover has arrived

    friend bool operator==(const NowPlayingInfo &, const NowPlayingInfo &) = default;
};

enum class NowPlayingState { Playing, Paused, Stopped };

// The desktop's now-playing display and media commands, as the playback engine
// sees them. The engine owns what is shown; the commands arrive as signals
// emitted while the desktop waits for its answer, so a receiver that must act
// only after the answer has gone out connects with Qt::QueuedConnection.
class NowPlayingCenter : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    virtual std::optional<NowPlayingInfo> nowPlayingInfo() const = 0;
    virtual void setNowPlayingInfo(const std::optional<NowPlayingInfo> &info) = 0;
    virtual NowPlayingState playbackState() const = 0;
    virtual void setPlaybackState(NowPlayingState state) = 0;
    // The output volume shown to the desktop, 0 to 1.
    virtual void setVolume(double volume) = 0;

Q_SIGNALS:
    void playCommand();
    void pauseCommand();
    void togglePlayPauseCommand();
    void nextTrackCommand();
    void previousTrackCommand();
    void changePlaybackPositionCommand(double seconds);
};
