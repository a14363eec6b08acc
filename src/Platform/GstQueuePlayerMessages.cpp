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
#include <utility>

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

// The decoding, the uridecodebin that the playbin made for an item, that
// `element` is in; null for any other element (the output's).
GstElement *decodingOf(GstElement *playbin, GstObject *element)
{
    GstObject *decoding = outermost(playbin, element);
    if (!decoding)
        return nullptr;
    GstElementFactory *factory
        = GST_IS_ELEMENT(decoding) ? gst_element_get_factory(GST_ELEMENT(decoding)) : nullptr;
    if (factory && qstrcmp(GST_OBJECT_NAME(factory), "uridecodebin") == 0)
        return GST_ELEMENT(decoding);
    gst_object_unref(decoding);
    return nullptr;
}

// A decoding that failed is kept out of the playbin's changes of state: each
// would open it again, at the address it failed at. The playbin takes it back
// when it reuses it for another item, and a decoding brings its children up
// before it replaces its source: its failed source is kept out of that too.
// Both hold until the decoding itself lets the source go.
void holdDecoding(GstElement *playbin, GstMessage *message)
{
    GstElement *decoding = decodingOf(playbin, GST_MESSAGE_SRC(message));
    if (!decoding)
        return;
    if (gst_object_has_as_ancestor(GST_OBJECT(decoding), GST_OBJECT(playbin)))
        gst_element_set_locked_state(decoding, TRUE);
    GstElement *source = nullptr;
    g_object_get(decoding, "source", &source, nullptr);
    if (source) {
        gst_element_set_locked_state(source, TRUE);
        gst_object_unref(source);
    }
    gst_object_unref(decoding);
}

// Whether two URIs name one address, however each escapes it (a source may
// give back its address escaped in its own way).
bool sameAddress(const char *uri, const char *other)
{
    GstUri *one = gst_uri_from_string(uri);
    GstUri *two = gst_uri_from_string(other);
    const bool same = one && two ? gst_uri_equal(one, two) : qstrcmp(uri, other) == 0;
    if (one)
        gst_uri_unref(one);
    if (two)
        gst_uri_unref(two);
    return same;
}

// Which item each source was made for (GstQueuePlayer::noteSource).
GQuark openedForQuark()
{
    static const GQuark quark = g_quark_from_static_string("lirna-opened-for");
    return quark;
}

void forgetOpenedFor(gpointer openedFor)
{
    delete static_cast<std::weak_ptr<QueuePlayerItem> *>(openedFor);
}

// The item whose decoding `message` comes from, by the source of that
// decoding; none when the message comes from no decoding.
GstQueuePlayer::Origin originOf(GstElement *playbin, GstMessage *message)
{
    GstElement *decoding = decodingOf(playbin, GST_MESSAGE_SRC(message));
    if (!decoding)
        return std::nullopt;
    std::weak_ptr<QueuePlayerItem> item;
    GObject *source = nullptr;
    if (g_object_get_qdata(G_OBJECT(GST_MESSAGE_SRC(message)), openedForQuark()))
        source = G_OBJECT(gst_object_ref(GST_MESSAGE_SRC(message)));
    else
        g_object_get(decoding, "source", &source, nullptr);
    if (source) {
        if (const auto *openedFor
            = static_cast<std::weak_ptr<QueuePlayerItem> *>(g_object_get_qdata(source, openedForQuark())))
            item = *openedFor;
        g_object_unref(source);
    }
    gst_object_unref(decoding);
    return item;
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

} // namespace

void GstQueuePlayer::noteSource(GstElement *source)
{
    GstStreamRedirects::setUpSource(source);
    gchar *uri = GST_IS_URI_HANDLER(source) ? gst_uri_handler_get_uri(GST_URI_HANDLER(source)) : nullptr;
    QMutexLocker lock(&m_mutex);
    // A source made anywhere but where an item was handed to the playbin
    // (a decoding opened again) belongs to no item.
    auto *openedFor = new std::weak_ptr<QueuePlayerItem>();
    if (uri && sameAddress(uri, m_openingUri.constData()))
        *openedFor = m_opening;
    g_object_set_qdata_full(G_OBJECT(source), openedForQuark(), openedFor, &forgetOpenedFor);
    g_free(uri);
}

void GstQueuePlayer::openingLocked(const QueuePlayerItemPtr &item, const QByteArray &uri)
{
    m_opening = item;
    m_openingUri = uri;
}

void GstQueuePlayer::postMessage(GstMessage *message)
{
    Origin origin;
    switch (GST_MESSAGE_TYPE(message)) {
    case GST_MESSAGE_EOS:
    case GST_MESSAGE_DURATION_CHANGED:
        break;
    case GST_MESSAGE_ERROR:
        // Held here, on the thread that failed, before any change of state
        // that the player or the playbin makes next.
        holdDecoding(m_playbin, message);
        origin = originOf(m_playbin, message);
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
        this, [this, held, generation, origin] { handleMessage(held.get(), generation, origin); },
        Qt::QueuedConnection);
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
        // Every buffer of the current item passed here before the playbin
        // opened the next one: a start now is the handed-over item's.
        if (m_hasCommitted)
            m_handOverSettled = true;
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
    openingLocked(m_nextItem.lock(), m_nextUri);
    g_object_set(m_playbin, "uri", m_nextUri.constData(), nullptr);
    m_committedItem = m_nextItem;
    m_hasCommitted = true;
    m_handOverSettled = false;
    const quint64 generation = m_generation.load();
    QMetaObject::invokeMethod(
        this,
        [this, generation] {
            if (generation == m_generation.load())
                watchHandOver();
        },
        Qt::QueuedConnection);
}

void GstQueuePlayer::handleMessage(GstMessage *message, quint64 generation, const Origin &origin)
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
        handleError(message, origin);
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
    // The pause after a late hand-over may settle before the item it waits
    // for has started; that item is ready once its stream starts.
    if (m_resumeAtStart)
        return;
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
    // A short item may have been handed over before it was ready.
    watchHandOver();
}

void GstQueuePlayer::handleStreamStart()
{
    if (m_awaitingFirstStart) {
        // The start of the freshly loaded item itself. The playbin may have
        // asked for the next URI already, long before this item plays out.
        m_awaitingFirstStart = false;
        if (std::exchange(m_resumeAtStart, false))
            handlePrerolled();
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
    m_handOverWatch.stop();
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

void GstQueuePlayer::handleError(GstMessage *message, const Origin &origin)
{
    const QueuePlayerItemPtr current = currentItem();
    if (!current)
        return;
    // An error of no decoding is the output's, whatever plays.
    if (const QueuePlayerItemPtr item = origin ? origin->lock() : current; item != current) {
        handleOtherError(item, message);
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

void GstQueuePlayer::handleOtherError(const QueuePlayerItemPtr &item, GstMessage *message)
{
    // Only the decoding the playbin reads from after the current item has
    // anything to say: not one the next item was redirected away from, nor an
    // older one.
    if (!hasCommittedNext() || !readsFrom(m_playbin, message))
        return;
    if (!item || m_items.size() < 2 || m_items.at(1) != item) {
        // Its item is no longer wanted, and its error goes with it; the
        // current item ends after its last buffer, and the one wanted now
        // loads then.
        QMutexLocker lock(&m_mutex);
        if (!std::exchange(m_handOverSettled, true)) {
            lock.unlock();
            endWithoutNext();
        }
        return;
    }
    // Once the playbin has moved its input on to the next item, the current
    // item plays on, untouched, whatever becomes of the next one.
    if (item->status() == QueuePlayerItem::Status::Failed)
        return;
    // Held already when it failed, unless the playbin was still setting it up
    // then.
    holdDecoding(m_playbin, message);
    // Had it failed while the playbin was on its way to PLAYING, that step
    // failed with it; taken again, it leaves the held decoding out.
    GstState state = GST_STATE_NULL;
    gst_element_get_state(m_playbin, &state, nullptr, 0);
    if (m_playing && state != GST_STATE_PLAYING)
        gst_element_set_state(m_playbin, GST_STATE_PLAYING);
    if (m_redirects.follow(item, message)) {
        const QUrl location = m_redirects.location(item);
        {
            QMutexLocker lock(&m_mutex);
            openingLocked(item, location.toEncoded());
        }
        GstStreamRedirects::refetch(message, location);
    } else {
        item->setStatus(QueuePlayerItem::Status::Failed);
        endWithoutNext();
    }
}

// Every buffer of the current item passed the playbin's audio filter before
// the next one was opened: the current item ends right after them.
void GstQueuePlayer::endWithoutNext()
{
    {
        QMutexLocker lock(&m_mutex);
        m_handOverSettled = true;
    }
    GstElement *filter = nullptr;
    g_object_get(m_playbin, "audio-filter", &filter, nullptr);
    if (!filter)
        return;
    if (GstPad *pad = gst_element_get_static_pad(filter, "sink")) {
        gst_pad_send_event(pad, gst_event_new_eos());
        gst_object_unref(pad);
    }
    gst_object_unref(filter);
}

void GstQueuePlayer::watchHandOver()
{
    qint64 end = -1;
    {
        QMutexLocker lock(&m_mutex);
        if (!m_hasCommitted || m_handOverSettled)
            return;
        end = m_streamEnd;
    }
    // Paused, the sound does not end; play() watches again.
    if (!m_playing || !m_prerolled)
        return;
    gint64 position = -1;
    if (!gst_element_query_position(m_playbin, GST_FORMAT_TIME, &position) || position < 0) {
        m_handOverWatch.start(50);
        return;
    }
    if (const qint64 left = end - position; left > 10 * GST_MSECOND) {
        m_handOverWatch.start(int(left / GST_MSECOND));
        return;
    }
    endBeforeHandOver();
}

void GstQueuePlayer::endBeforeHandOver()
{
    if (m_items.isEmpty())
        return;
    QueuePlayerItemPtr previous;
    QueuePlayerItemPtr committed;
    {
        QMutexLocker lock(&m_mutex);
        if (!m_hasCommitted || m_handOverSettled)
            return;
        committed = m_committedItem.lock();
        m_committedItem.reset();
        m_hasCommitted = false;
        // The next start in the playbin is the handed-over item's own.
        m_loadedItemStarted = false;
        previous = m_items.takeFirst();
        if (const qint64 length = m_lengthAtCommit > 0 ? m_lengthAtCommit : m_streamEnd;
            std::isnan(previous->duration()) && length > 0)
            previous->setDuration(double(length) / GST_SECOND);
        setNextLocked();
    }
    if (committed && !m_items.isEmpty() && m_items.first() == committed) {
        // The handed-over item goes on loading where the playbin opened it,
        // now as the current item: paused until it prerolls, as a fresh load
        // is, so that none of its sound is late.
        m_prerolled = false;
        m_awaitingFirstStart = true;
        m_resumeAtStart = true;
        m_pendingSeek.reset();
        m_seeking.reset();
        gst_element_set_state(m_playbin, GST_STATE_PAUSED);
        updateTicker();
    } else {
        loadCurrent();
    }
    Q_EMIT itemDidPlayToEnd(previous);
}
