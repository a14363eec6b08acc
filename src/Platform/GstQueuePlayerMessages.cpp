// The GStreamer player's side of what its playbin reports: on the streaming
// threads that report it, and then on the player's own thread.
#include "GstQueuePlayer.h"

#include "GstStreamRedirects.h"
#include "Networking/UrlSession.h"

#include <gst/gst.h>

#include <QMetaObject>
#include <QMutexLocker>

#include <algorithm>
#include <cmath>
#include <memory>

namespace {

// The child of `playbin` that `element` is in or, once the playbin let go of
// that, the outermost element it is in.
GstObject *outermost(GstElement *playbin, GstObject *element)
{
    GstObject *outer = element ? GST_OBJECT(gst_object_ref(element)) : nullptr;
    while (outer) {
        GstObject *parent = gst_object_get_parent(outer);
        if (!parent)
            break;
        if (parent == GST_OBJECT(playbin)) {
            gst_object_unref(parent);
            break;
        }
        gst_object_unref(outer);
        outer = parent;
    }
    return outer;
}

// A decoding that failed, the uridecodebin that the playbin made for an item,
// is kept out of the playbin's changes of state: each would open it again, at
// the address it failed at. The playbin takes it back when it reuses it for
// another item.
void holdDecoding(GstElement *playbin, GstMessage *message)
{
    GstObject *decoding = outermost(playbin, GST_MESSAGE_SRC(message));
    if (!decoding)
        return;
    GstElementFactory *factory
        = GST_IS_ELEMENT(decoding) ? gst_element_get_factory(GST_ELEMENT(decoding)) : nullptr;
    if (factory && qstrcmp(GST_OBJECT_NAME(factory), "uridecodebin") == 0
        && gst_object_has_as_ancestor(decoding, GST_OBJECT(playbin)))
        gst_element_set_locked_state(GST_ELEMENT(decoding), TRUE);
    gst_object_unref(decoding);
}

// Whether an HTTP source's answer is a redirect, which the source stops at.
bool answersRedirect(GstMessage *headers)
{
    const GstStructure *fields = gst_message_get_structure(headers);
    guint status = 0;
    return fields && gst_structure_get_uint(fields, "http-status-code", &status)
        && UrlSession::isRedirect(int(status));
}

// Whether `message` comes from the decoding the playbin reads its source
// through.
bool readsFrom(GstElement *playbin, GstMessage *message)
{
    GstObject *source = nullptr;
    g_object_get(playbin, "source", &source, nullptr);
    if (!source)
        return false;
    GstObject *reading = outermost(playbin, source);
    GstObject *reporting = outermost(playbin, GST_MESSAGE_SRC(message));
    const bool same = reading == reporting;
    gst_object_unref(reading);
    if (reporting)
        gst_object_unref(reporting);
    gst_object_unref(source);
    return same;
}

// The next item handed to the playbin will not come, and the playbin would
// wait for it at the end of the current one. Every buffer of the current
// item passed the playbin's audio filter before the next one was opened:
// the current item ends right after them.
void endWithoutNext(GstElement *playbin)
{
    GstElement *filter = nullptr;
    g_object_get(playbin, "audio-filter", &filter, nullptr);
    if (!filter)
        return;
    if (GstPad *pad = gst_element_get_static_pad(filter, "sink")) {
        gst_pad_send_event(pad, gst_event_new_eos());
        gst_object_unref(pad);
    }
    gst_object_unref(filter);
}

} // namespace

void GstQueuePlayer::postMessage(GstMessage *message)
{
    switch (GST_MESSAGE_TYPE(message)) {
    case GST_MESSAGE_EOS:
    case GST_MESSAGE_DURATION_CHANGED:
        break;
    case GST_MESSAGE_ERROR:
        holdDecoding(m_playbin, message);
        break;
    case GST_MESSAGE_ELEMENT:
        // The HTTP source's answer: a redirect error that follows needs it.
        if (!gst_message_has_name(message, "http-headers"))
            return;
        // The source fails on a redirect right after this answer; its
        // decoding is held before, so that no change of state of the playbin
        // can come first.
        if (answersRedirect(message))
            holdDecoding(m_playbin, message);
        break;
    case GST_MESSAGE_ASYNC_DONE:
        if (GST_MESSAGE_SRC(message) != GST_OBJECT(m_playbin))
            return;
        break;
    case GST_MESSAGE_STREAM_START: {
        if (GST_MESSAGE_SRC(message) != GST_OBJECT(m_playbin))
            return;
        QMutexLocker lock(&m_mutex);
        // The handed-over item starts: the one before it ended just now, at
        // the length it played to.
        if (m_loadedItemStarted && m_hasCommitted && m_lengthAtCommit <= 0)
            m_lengthAtCommit = m_previousStreamEnd;
        m_loadedItemStarted = true;
        break;
    }
    default:
        return;
    }
    const quint64 generation = m_generation.load();
    std::shared_ptr<GstMessage> held(gst_message_ref(message), &gst_message_unref);
    QMetaObject::invokeMethod(
        this, [this, held, generation] { handleMessage(held.get(), generation); }, Qt::QueuedConnection);
}

void GstQueuePlayer::notePlayed(GstPadProbeInfo *info)
{
    QMutexLocker lock(&m_mutex);
    if (GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_BUFFER) {
        GstBuffer *buffer = GST_PAD_PROBE_INFO_BUFFER(info);
        if (!GST_BUFFER_PTS_IS_VALID(buffer) || m_playedSegment->format != GST_FORMAT_TIME)
            return;
        const GstClockTime end = GST_BUFFER_PTS(buffer)
            + (GST_BUFFER_DURATION_IS_VALID(buffer) ? GST_BUFFER_DURATION(buffer) : 0);
        const guint64 streamEnd = gst_segment_to_stream_time(m_playedSegment.get(), GST_FORMAT_TIME, end);
        if (streamEnd != GST_CLOCK_TIME_NONE)
            m_streamEnd = std::max(m_streamEnd, qint64(streamEnd));
        return;
    }
    GstEvent *event = GST_PAD_PROBE_INFO_EVENT(info);
    if (GST_EVENT_TYPE(event) == GST_EVENT_STREAM_START) {
        m_previousStreamEnd = m_streamEnd;
        m_streamEnd = -1;
        gst_segment_init(m_playedSegment.get(), GST_FORMAT_UNDEFINED);
    } else if (GST_EVENT_TYPE(event) == GST_EVENT_SEGMENT) {
        const GstSegment *segment = nullptr;
        gst_event_parse_segment(event, &segment);
        gst_segment_copy_into(segment, m_playedSegment.get());
    }
}

void GstQueuePlayer::commitNext()
{
    gint64 length = -1;
    if (!gst_element_query_duration(m_playbin, GST_FORMAT_TIME, &length))
        length = -1;
    QMutexLocker lock(&m_mutex);
    if (m_nextUri.isEmpty() || m_hasCommitted)
        return;
    m_lengthAtCommit = length;
    g_object_set(m_playbin, "uri", m_nextUri.constData(), nullptr);
    m_committedItem = m_nextItem;
    m_hasCommitted = true;
}

void GstQueuePlayer::handleMessage(GstMessage *message, quint64 generation)
{
    if (generation != m_generation.load())
        return;
    switch (GST_MESSAGE_TYPE(message)) {
    case GST_MESSAGE_ASYNC_DONE:
        handlePrerolled();
        break;
    case GST_MESSAGE_STREAM_START:
        handleStreamStart();
        break;
    case GST_MESSAGE_EOS:
        handleEndOfStream();
        break;
    case GST_MESSAGE_ERROR:
        handleError(message);
        break;
    case GST_MESSAGE_DURATION_CHANGED:
        queryDuration();
        break;
    case GST_MESSAGE_ELEMENT:
        m_redirects.noteAnswer(message);
        break;
    default:
        break;
    }
}

void GstQueuePlayer::handlePrerolled()
{
    // Whatever seek was asked is done.
    m_seeking.reset();
    const QueuePlayerItemPtr current = currentItem();
    if (!current)
        return;
    if (!m_prerolled) {
        // The first preroll of a fresh load (later ones follow seeks).
        m_prerolled = true;
        if (m_pendingSeek) {
            seekPlaybin(*m_pendingSeek);
            m_pendingSeek.reset();
        }
        if (m_playing)
            gst_element_set_state(m_playbin, GST_STATE_PLAYING);
    }
    queryDuration();
    current->setStatus(QueuePlayerItem::Status::ReadyToPlay);
}

void GstQueuePlayer::handleStreamStart()
{
    if (m_awaitingFirstStart) {
        // The start of the freshly loaded item itself. The playbin may have
        // asked for the next URI already, long before this item plays out.
        m_awaitingFirstStart = false;
        return;
    }
    if (m_items.isEmpty())
        return;
    QueuePlayerItemPtr previous;
    bool switched = false;
    {
        // One step for the streaming thread: it must never see the old next
        // URI without the hand-over that already used it.
        QMutexLocker lock(&m_mutex);
        if (!m_hasCommitted)
            return;
        // Null when the handed-over item has been dropped meanwhile.
        const QueuePlayerItemPtr committed = m_committedItem.lock();
        m_committedItem.reset();
        m_hasCommitted = false;
        previous = m_items.takeFirst();
        if (std::isnan(previous->duration()) && m_lengthAtCommit > 0)
            previous->setDuration(double(m_lengthAtCommit) / GST_SECOND);
        switched = committed && !m_items.isEmpty() && m_items.first() == committed;
        setNextLocked();
    }
    if (switched) {
        // The gapless switch: the next item is playing from its start.
        queryDuration();
        m_items.first()->setStatus(QueuePlayerItem::Status::ReadyToPlay);
        updateTicker();
    } else {
        // The queue changed after the hand-over: play what is wanted now.
        loadCurrent();
    }
    Q_EMIT itemDidPlayToEnd(previous);
}

void GstQueuePlayer::handleEndOfStream()
{
    if (m_items.isEmpty())
        return;
    const QueuePlayerItemPtr previous = m_items.takeFirst();
    loadCurrent();
    Q_EMIT itemDidPlayToEnd(previous);
}

void GstQueuePlayer::handleError(GstMessage *message)
{
    const QueuePlayerItemPtr current = currentItem();
    if (!current)
        return;
    QueuePlayerItemPtr committed;
    {
        QMutexLocker lock(&m_mutex);
        committed = m_committedItem.lock();
    }
    // Once the playbin has moved its input on to the next item, the error is
    // that one's; the current item plays on, untouched, whatever becomes of
    // the next one.
    if (committed && m_items.size() >= 2 && m_items.at(1) == committed
        && current->status() == QueuePlayerItem::Status::ReadyToPlay) {
        // A decoding the playbin no longer reads from (one the next item was
        // redirected away from) has nothing more to say.
        if (committed->status() == QueuePlayerItem::Status::Failed || !readsFrom(m_playbin, message))
            return;
        // Held already when it failed, unless the playbin was still setting
        // it up then.
        holdDecoding(m_playbin, message);
        // Had it failed while the playbin was on its way to PLAYING, that step
        // failed with it; taken again, it leaves the held decoding out.
        GstState state = GST_STATE_NULL;
        gst_element_get_state(m_playbin, &state, nullptr, 0);
        if (m_playing && state != GST_STATE_PLAYING)
            gst_element_set_state(m_playbin, GST_STATE_PLAYING);
        if (m_redirects.follow(committed, message)) {
            GstStreamRedirects::refetch(message, m_redirects.location(committed));
        } else {
            committed->setStatus(QueuePlayerItem::Status::Failed);
            endWithoutNext(m_playbin);
        }
        return;
    }
    if (!m_redirects.follow(current, message)) {
        unload();
        current->setStatus(QueuePlayerItem::Status::Failed);
        updateTicker();
        return;
    }
    // The current item loads from where its redirect led, at the position it
    // was at or was being sought to.
    const double position = m_seeking.value_or(currentTime());
    loadCurrent();
    if (std::isfinite(position) && position > 0)
        m_pendingSeek = position;
}
