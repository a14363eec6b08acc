#include "GstQueuePlayer.h"

#include "GstStartGate.h"
#include "GstStreamRedirects.h"

#include <gst/gst.h>

#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <utility>

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

// playbin's GstPlayFlags: audio only, with its software volume.
constexpr guint PlayFlagAudio = 1 << 1;
constexpr guint PlayFlagSoftVolume = 1 << 4;

// On a worker thread: starts GStreamer once per process (gst_init may be
// called from several threads) and makes a playbin with the given output.
GstElement *makePlaybin(const QByteArray &audioSink)
{
    if (!gst_is_initialized())
        gst_init(nullptr, nullptr);
    GstStreamRedirects::removeOtherHttpSources();
    GstElement *playbin = gst_element_factory_make("playbin", nullptr);
    if (!playbin)
        return nullptr;
    gst_object_ref_sink(playbin);
    g_object_set(playbin, "flags", PlayFlagAudio | PlayFlagSoftVolume, nullptr);
    if (!audioSink.isEmpty()) {
        GError *error = nullptr;
        GstElement *sink = gst_parse_launch(audioSink.constData(), &error);
        if (error)
            g_error_free(error);
        if (sink)
            g_object_set(playbin, "audio-sink", sink, nullptr);
    }
    return playbin;
}

// The playbin's position for a seek to `seconds` into an item `length`
// nanoseconds long (unknown when not positive). A finite time may still be far
// beyond any item (a saved session or a server's duration says what it says);
// it is clamped to the item, and to what nanoseconds can hold, before it is
// converted.
gint64 seekPosition(double seconds, gint64 length)
{
    constexpr double Longest = double(std::numeric_limits<gint64>::max() / GST_SECOND);
    const double end = length > 0 ? std::min(double(length) / GST_SECOND, Longest) : Longest;
    return gint64(std::clamp(seconds, 0.0, end) * GST_SECOND);
}

} // namespace

// Called on GStreamer's streaming threads.
struct GstQueuePlayerCallbacks
{
    // A message dropped here is ours to release; postMessage() takes its own
    // reference on what it passes on. A message kept alive keeps its source
    // element alive too, and with it the whole decoding chain of every item.
    static GstBusSyncReply busSync(GstBus *, GstMessage *message, gpointer player)
    {
        static_cast<GstQueuePlayer *>(player)->postMessage(message);
        gst_message_unref(message);
        return GST_BUS_DROP;
    }

    static void sourceSetup(GstElement *, GstElement *source, gpointer player)
    {
        static_cast<GstQueuePlayer *>(player)->noteSource(source);
    }

    static void aboutToFinish(GstElement *, gpointer player)
    {
        static_cast<GstQueuePlayer *>(player)->commitNext();
    }

    static GstPadProbeReturn played(GstPad *, GstPadProbeInfo *info, gpointer player)
    {
        static_cast<GstQueuePlayer *>(player)->notePlayed(info);
        return GST_PAD_PROBE_OK;
    }
};

void GstQueuePlayer::SegmentFree::operator()(GstSegment *segment) const
{
    gst_segment_free(segment);
}

GstQueuePlayer::GstQueuePlayer(const QString &audioSink, Start when, QObject *parent)
    : QueuePlayer(parent)
    , m_defaultSinkDescription(audioSink)
    , m_playedSegment(gst_segment_new())
{
    m_ticker.setInterval(PeriodicIntervalMs);
    connect(&m_ticker, &QTimer::timeout, this, &GstQueuePlayer::tick);
    m_handOverWatch.setSingleShot(true);
    m_handOverWatch.setTimerType(Qt::PreciseTimer);
    connect(&m_handOverWatch, &QTimer::timeout, this, &GstQueuePlayer::watchHandOver);
    connect(&m_starting, &QFutureWatcher<GstElement *>::finished, this, [this] {
        attachPlaybin(m_starting.result());
        releaseGate();
    });
    // What else starts GStreamer (the audio outputs) waits until the playbin
    // is made: GStreamer's plugin loading from two threads at once can lose a
    // feature, the playbin itself.
    GstStartGate::close();
    m_holdsGate = true;
    if (when == Start::Now)
        start();
}

void GstQueuePlayer::releaseGate()
{
    if (!std::exchange(m_holdsGate, false))
        return;
    GstStartGate::open();
}

void GstQueuePlayer::start()
{
    if (m_started)
        return;
    m_started = true;
    m_starting.setFuture(QtConcurrent::run(&makePlaybin, m_defaultSinkDescription.toUtf8()));
}

GstQueuePlayer::~GstQueuePlayer()
{
    releaseGate();
    if (!m_started)
        return;
    if (!m_playbin) {
        // Gone before the start finished: the playbin made meanwhile was never
        // used.
        m_starting.waitForFinished();
        if (GstElement *unused = m_starting.result())
            gst_object_unref(unused);
        return;
    }
    // Stopping joins the streaming threads; nothing posts afterwards, and the
    // queued calls still pending die with this object.
    gst_element_set_state(m_playbin, GST_STATE_NULL);
    g_signal_handlers_disconnect_by_data(m_playbin, this);
    GstBus *bus = gst_element_get_bus(m_playbin);
    gst_bus_set_sync_handler(bus, nullptr, nullptr, nullptr);
    gst_object_unref(bus);
    gst_object_unref(m_playbin);
}

void GstQueuePlayer::attachPlaybin(GstElement *playbin)
{
    if (!playbin) {
        qWarning("GStreamer has no playbin: nothing can be played");
        return;
    }
    m_playbin = playbin;
    g_object_set(m_playbin, "volume", m_volume, nullptr);
    g_signal_connect(m_playbin, "about-to-finish", G_CALLBACK(&GstQueuePlayerCallbacks::aboutToFinish), this);
    g_signal_connect(m_playbin, "source-setup", G_CALLBACK(&GstQueuePlayerCallbacks::sourceSetup), this);
    // Every item passes this filter in play order: where one stream gave way to
    // the next, it tells how long the first one really was.
    if (GstElement *filter = gst_element_factory_make("identity", nullptr)) {
        GstPad *pad = gst_element_get_static_pad(filter, "sink");
        gst_pad_add_probe(pad,
            GstPadProbeType(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM),
            &GstQueuePlayerCallbacks::played, this, nullptr);
        gst_object_unref(pad);
        g_object_set(m_playbin, "audio-filter", filter, nullptr);
    }
    // An output chosen while GStreamer was still starting.
    if (!m_audioOutput.isSystemDefault())
        g_object_set(m_playbin, "audio-sink", makeAudioSink(m_audioOutput), nullptr);
    GstBus *bus = gst_element_get_bus(m_playbin);
    gst_bus_set_sync_handler(bus, &GstQueuePlayerCallbacks::busSync, this, nullptr);
    gst_object_unref(bus);

    if (currentItem()) {
        const std::optional<double> wantedSeek = m_pendingSeek;
        loadCurrent();
        m_pendingSeek = wantedSeek;
    }
}

void GstQueuePlayer::insert(const QueuePlayerItemPtr &item, const QueuePlayerItemPtr &after)
{
    if (!canInsert(item, after))
        return;
    m_items.append(item);
    if (m_items.size() == 1)
        loadCurrent();
    else
        publishNext();
}

void GstQueuePlayer::remove(const QueuePlayerItemPtr &item)
{
    const qsizetype index = m_items.indexOf(item);
    if (index < 0)
        return;
    if (index == 0) {
        advanceToNextItem();
        return;
    }
    m_items.removeAt(index);
    publishNext();
}

void GstQueuePlayer::removeAllItems()
{
    m_items.clear();
    loadCurrent();
}

void GstQueuePlayer::advanceToNextItem()
{
    if (m_items.isEmpty())
        return;
    m_items.removeFirst();
    loadCurrent();
}

void GstQueuePlayer::play()
{
    m_playing = true;
    const QueuePlayerItemPtr current = currentItem();
    if (current && m_prerolled && current->status() != QueuePlayerItem::Status::Failed)
        gst_element_set_state(m_playbin, GST_STATE_PLAYING);
    updateTicker();
    watchHandOver();
}

void GstQueuePlayer::pause()
{
    m_playing = false;
    if (currentItem() && m_prerolled)
        gst_element_set_state(m_playbin, GST_STATE_PAUSED);
    updateTicker();
}

void GstQueuePlayer::seek(double seconds)
{
    const QueuePlayerItemPtr current = currentItem();
    if (!current || !std::isfinite(seconds))
        return;
    seconds = std::max(seconds, 0.0);
    if (const double length = current->duration(); std::isfinite(length) && length > 0)
        seconds = std::min(seconds, length);
    if (hasCommittedNext()) {
        // The playbin has already moved its input on to the next item: only a
        // fresh load can go back into the current one.
        loadCurrent();
        m_pendingSeek = seconds;
        return;
    }
    if (!m_prerolled) {
        m_pendingSeek = seconds;
        return;
    }
    seekPlaybin(seconds);
}

void GstQueuePlayer::seekPlaybin(double seconds)
{
    m_seeking = seconds;
    gint64 length = -1;
    if (!gst_element_query_duration(m_playbin, GST_FORMAT_TIME, &length))
        length = -1;
    gst_element_seek_simple(m_playbin, GST_FORMAT_TIME,
        GstSeekFlags(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE), seekPosition(seconds, length));
}

double GstQueuePlayer::currentTime() const
{
    if (!currentItem())
        return NaN;
    if (m_pendingSeek)
        return *m_pendingSeek;
    if (!m_prerolled)
        return 0;
    gint64 position = 0;
    if (!gst_element_query_position(m_playbin, GST_FORMAT_TIME, &position) || position < 0)
        return NaN;
    return double(position) / GST_SECOND;
}

void GstQueuePlayer::setVolume(double volume)
{
    // playbin amplifies above 1.
    m_volume = std::isfinite(volume) ? std::clamp(volume, 0.0, 1.0) : 1.0;
    if (m_playbin)
        g_object_set(m_playbin, "volume", m_volume, nullptr);
}

void GstQueuePlayer::setAudioOutput(const AudioOutput &output)
{
    if (output == m_audioOutput)
        return;
    m_audioOutput = output;
    // Still starting: the playbin takes the output when it arrives.
    if (!m_playbin)
        return;
    const bool loaded = currentItem() != nullptr;
    const double position = currentTime();
    // playbin takes a new sink only when it next leaves READY: stop there,
    // swap, and reopen the current item where it was.
    unload();
    g_object_set(m_playbin, "audio-sink", makeAudioSink(output), nullptr);
    loadCurrent();
    if (loaded && std::isfinite(position) && position > 0)
        m_pendingSeek = position;
}

GstElement *GstQueuePlayer::makeAudioSink(const AudioOutput &output) const
{
    if (output.makeSink) {
        if (GstElement *sink = output.makeSink())
            return sink;
    }
    if (m_defaultSinkDescription.isEmpty())
        return nullptr;
    GError *error = nullptr;
    GstElement *sink = gst_parse_launch(m_defaultSinkDescription.toUtf8().constData(), &error);
    if (error)
        g_error_free(error);
    return sink;
}

void GstQueuePlayer::loadCurrent()
{
    unload();
    publishNext();
    const QueuePlayerItemPtr current = currentItem();
    // An item that failed once is not tried again.
    if (m_playbin && current && current->status() != QueuePlayerItem::Status::Failed) {
        const QByteArray uri = m_redirects.location(current).toEncoded();
        {
            QMutexLocker lock(&m_mutex);
            openingLocked(current, uri);
        }
        g_object_set(m_playbin, "uri", uri.constData(), nullptr);
        gst_element_set_state(m_playbin, GST_STATE_PAUSED);
    }
    updateTicker();
}

void GstQueuePlayer::unload()
{
    if (m_playbin)
        gst_element_set_state(m_playbin, GST_STATE_READY);
    // The streaming threads are stopped now: whatever they posted is stale.
    ++m_generation;
    {
        QMutexLocker lock(&m_mutex);
        m_committedItem.reset();
        m_hasCommitted = false;
        m_loadedItemStarted = false;
        m_handOverSettled = false;
        m_streamEnd = -1;
        m_previousStreamEnd = -1;
    }
    m_handOverWatch.stop();
    m_prerolled = false;
    m_awaitingFirstStart = true;
    m_resumeAtStart = false;
    m_pendingSeek.reset();
    m_seeking.reset();
}

void GstQueuePlayer::publishNext()
{
    QMutexLocker lock(&m_mutex);
    setNextLocked();
}

void GstQueuePlayer::setNextLocked()
{
    if (m_items.size() >= 2 && m_items.at(1)->status() != QueuePlayerItem::Status::Failed) {
        m_nextItem = m_items.at(1);
        m_nextUri = m_redirects.location(m_items.at(1)).toEncoded();
    } else {
        m_nextItem.reset();
        m_nextUri.clear();
    }
}

bool GstQueuePlayer::hasCommittedNext() const
{
    QMutexLocker lock(&m_mutex);
    return m_hasCommitted;
}

void GstQueuePlayer::queryDuration()
{
    const QueuePlayerItemPtr current = currentItem();
    if (!current || !m_playbin)
        return;
    // Once the next item is handed over, the playbin may answer for either
    // item: only the length it gave just before counts.
    const auto lengthAtCommit = [this]() -> std::optional<qint64> {
        QMutexLocker lock(&m_mutex);
        return m_hasCommitted ? std::optional(m_lengthAtCommit) : std::nullopt;
    };
    if (const std::optional<qint64> length = lengthAtCommit()) {
        if (*length > 0)
            current->setDuration(double(*length) / GST_SECOND);
        return;
    }
    gint64 duration = 0;
    if (!gst_element_query_duration(m_playbin, GST_FORMAT_TIME, &duration) || duration <= 0)
        return;
    if (lengthAtCommit())
        return;
    current->setDuration(double(duration) / GST_SECOND);
}

void GstQueuePlayer::updateTicker()
{
    const QueuePlayerItemPtr current = currentItem();
    const bool active = m_playing && current && current->status() != QueuePlayerItem::Status::Failed;
    if (active && !m_ticker.isActive())
        m_ticker.start();
    else if (!active)
        m_ticker.stop();
}

void GstQueuePlayer::tick()
{
    // Until the item is loaded (GStreamer may still be starting) there is no
    // position to report, only a seek that waits.
    if (!m_prerolled && !m_pendingSeek)
        return;
    const QueuePlayerItemPtr current = currentItem();
    if (current && std::isnan(current->duration()))
        queryDuration();
    const double time = currentTime();
    if (std::isfinite(time))
        Q_EMIT periodicTime(time);
}
