#pragma once

#include <QObject>
#include <QUrl>

#include <memory>

// One piece of audio for a QueuePlayer: a file or an HTTP URL. An item is an
// identity: the engine compares item pointers to know whether the player still
// plays what it started. The player that holds the item reports its status and
// duration; nobody else changes them.
class QueuePlayerItem : public QObject
{
    Q_OBJECT
    Q_PROPERTY(Status status READ status NOTIFY statusChanged)
    Q_PROPERTY(double duration READ duration NOTIFY durationChanged)
public:
    enum class Status { Unknown, ReadyToPlay, Failed };
    Q_ENUM(Status)

    explicit QueuePlayerItem(QUrl url);

    QUrl url() const { return m_url; }
    Status status() const { return m_status; }
    // Seconds; NaN while the length is not known.
    double duration() const { return m_duration; }

    // Called by the player that holds the item.
    void setStatus(Status status);
    void setDuration(double seconds);

Q_SIGNALS:
    void statusChanged(QueuePlayerItem::Status status);
    void durationChanged();

private:
    QUrl m_url;
    Status m_status = Status::Unknown;
    double m_duration;
};

using QueuePlayerItemPtr = std::shared_ptr<QueuePlayerItem>;
