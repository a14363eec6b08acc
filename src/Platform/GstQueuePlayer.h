#pragma once

#include <QByteArray>
#include <QFutureWatcher>
#include <QMutex>
#include <QTimer>

#include <atomic>
#include <memory>
#include <optional>

#include "Platform/GstStreamRedirects.h"
#include "Platform/QueuePlayer.h"

typedef struct _GstBus GstBus;
typedef struct _GstElement GstElement;
typedef struct _GstPadProbeInfo GstPadProbeInfo;
typedef struct _GstSegment GstSegment;
typedef struct _GstMessage GstMessage;

// The program's QueuePlayer: one GStreamer playbin.
//
// The current item is loaded into the playbin and is ready to play once the
// pipeline reached PAUSED. The item queued behind it is handed to the playbin
// as its next URI when the playbin asks for one ("about-to-finish"), so the
// switch is gapless; the switch really happens at the following STREAM_START.
// Should the queue have changed after that hand-over, the player switches hard
// to the item now wanted (or stops when none is). Whatever becomes of the item
// handed over (redirected, refused or unplayable), the current one plays on to
// its end untouched; and should that item still be on its way when the
// current one's sound ends, the current one ends there all the same, and the
// next one goes on loading as the current item.
//
// Every source the playbin makes is marked with the item whose address it was
// made for, so that an error is always that item's: an item's failure never
// touches another, and an item no longer wanted takes its errors with it.
//
// A stream follows a redirect only as every request of the program does
// (GstStreamRedirects); one refused fails as an unplayable item.
//
// GStreamer talks from its streaming threads: those only post queued calls to
// this object, and all state changes happen on the thread that owns it.
//
// Starting GStreamer (gst_init reads its plugin registry, and builds it on a
// first launch) and making the playbin take long enough to hold up the first
// window, so both run on a worker thread, from construction on or, made with
// `Start::Later`, from `start()` (the application calls it at its first
// frame, so that the worker's loading does not compete with the window's).
// Until the playbin is there the player keeps its items, rate, volume and a wanted seek
// as usual and applies them once it arrives: the first item then loads, seeks
// and plays as if it had been inserted just then.
class GstQueuePlayer : public QueuePlayer
{
    Q_OBJECT
public:
    // `audioSink` is a gst-launch description of the output ("fakesink
    // sync=true" in tests); empty means the system's default output.
    enum class Start { Now, Later };
    explicit GstQueuePlayer(
        const QString &audioSink = {}, Start when = Start::Now, QObject *parent = nullptr);
    ~GstQueuePlayer() override;

    // Starts GStreamer on the worker, once; later calls do nothing.
    void start();

    QList<QueuePlayerItemPtr> items() const override { return m_items; }
    void insert(const QueuePlayerItemPtr &item, const QueuePlayerItemPtr &after) override;
    void remove(const QueuePlayerItemPtr &item) override;
    void removeAllItems() override;
    void advanceToNextItem() override;

    void play() override;
    void pause() override;
    bool isPlaying() const override { return m_playing; }

    void seek(double seconds) override;
    double currentTime() const override;

    double volume() const override { return m_volume; }
    void setVolume(double volume) override;

    AudioOutput audioOutput() const override { return m_audioOutput; }
    // Reopens the current item on the new output at the position it was at.
    void setAudioOutput(const AudioOutput &output) override;

    // The item whose decoding a message of the playbin came from; none when
    // it came from no decoding (the output).
    using Origin = std::optional<std::weak_ptr<QueuePlayerItem>>;

private:
    // The GStreamer callbacks, with GStreamer's own signatures.
    friend struct GstQueuePlayerCallbacks;
    void postMessage(GstMessage *message);
    void noteSource(GstElement *source);
    void attachPlaybin(GstElement *playbin);
    void releaseGate();
    void commitNext();
    void notePlayed(GstPadProbeInfo *info);

    void handleMessage(GstMessage *message, quint64 generation, const Origin &origin);
    void handlePrerolled();
    void handleStreamStart();
    void handleEndOfStream();
    void handleError(GstMessage *message, const Origin &origin);
    // An error of a decoding opened for an item that is not the current one.
    void handleOtherError(const QueuePlayerItemPtr &item, GstMessage *message);
    // Until the handed-over item's stream flows, watches for the end of the
    // current item's sound.
    void watchHandOver();
    void endBeforeHandOver();
    // The next item handed to the playbin will not come, and the playbin
    // would wait for it at the end of the current one.
    void endWithoutNext();
    // Under m_mutex: the playbin is about to make a source for `uri`, for `item`.
    void openingLocked(const QueuePlayerItemPtr &item, const QByteArray &uri);

    // Loads the first item afresh (a hard switch), or stops when there is none.
    void loadCurrent();
    void unload();
    // Tells the streaming thread which URI to play after the current one.
    void publishNext();
    void setNextLocked();
    bool hasCommittedNext() const;
    void queryDuration();
    void updateTicker();
    // A flushing, accurate seek of the prerolled playbin, within the item.
    void seekPlaybin(double seconds);
    void tick();
    // A new sink for `output`; null for the playbin's own choice.
    GstElement *makeAudioSink(const AudioOutput &output) const;

    // Null until the worker thread has made it.
    GstElement *m_playbin = nullptr;
    QFutureWatcher<GstElement *> m_starting;
    bool m_started = false;
    bool m_holdsGate = false; // GstStartGate, until the playbin is made
    QList<QueuePlayerItemPtr> m_items;
    GstStreamRedirects m_redirects;
    bool m_playing = false;
    bool m_prerolled = false;
    bool m_awaitingFirstStart = false;
    // The item handed over too late goes on as the current one once its
    // stream starts.
    bool m_resumeAtStart = false;
    double m_volume = 1.0;
    std::optional<double> m_pendingSeek;
    // A seek handed to the playbin, until it prerolled there.
    std::optional<double> m_seeking;
    QTimer m_ticker;
    QTimer m_handOverWatch;
    // The output the player was built with stands for the system default.
    QString m_defaultSinkDescription;
    AudioOutput m_audioOutput;

    // Bumped on every hard load or stop; messages of an older pipeline run are
    // dropped.
    std::atomic<quint64> m_generation = 0;

    // Shared with the streaming thread.
    mutable QMutex m_mutex;
    QByteArray m_nextUri;
    // Held weakly: the streaming thread never owns an item, and an item that is
    // gone can never be mistaken for a newer one that happens to share its
    // address.
    std::weak_ptr<QueuePlayerItem> m_nextItem;
    // The next item handed to the playbin (`m_hasCommitted`), even when that
    // item has been dropped since.
    std::weak_ptr<QueuePlayerItem> m_committedItem;
    bool m_hasCommitted = false;
    // The playing item's length as the playbin knew it just before the
    // hand-over, or failing that (a short item can be handed over before its
    // length is known) the length it played to.
    qint64 m_lengthAtCommit = -1;
    // Seen on the streaming threads: whether the loaded item's own start has
    // gone by, so the next start is the handed-over item's; and how far the
    // playing stream and the one before it got.
    bool m_loadedItemStarted = false;
    // Whether the current item's end comes by itself after the hand-over: the
    // handed-over item's stream has reached the playbin's filter, or an end of
    // stream was sent there after the current item's last buffer.
    bool m_handOverSettled = false;
    // The item, and its address, that the playbin makes its next source for.
    std::weak_ptr<QueuePlayerItem> m_opening;
    QByteArray m_openingUri;
    struct SegmentFree
    {
        void operator()(GstSegment *segment) const;
    };
    std::unique_ptr<GstSegment, SegmentFree> m_playedSegment;
    qint64 m_streamEnd = -1;
    qint64 m_previousStreamEnd = -1;
};
