#include "SessionSnapshot.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cmath>

#include "Models/JsonFields.h"

using namespace Qt::StringLiterals;

namespace {

// One value as compact JSON text.
QByteArray compact(const QJsonValue &value)
{
    const QByteArray array = QJsonDocument(QJsonArray {value}).toJson(QJsonDocument::Compact);
    return array.mid(1, array.size() - 2);
}

} // namespace

SessionSnapshot SessionSnapshot::make(QString serverKey, const QList<Song> &queue, qsizetype currentIndex,
    double currentTime, bool isShuffling, const std::optional<QList<Song>> &unshuffledQueue,
    RepeatMode repeatMode, const std::optional<PlaybackSource> &source)
{
    // A queue that fits in the window is kept whole; a longer one keeps the
    // songs around the current one.
    const bool fits = queue.size() <= 2 * WindowRadius + 1;
    const qsizetype lo = fits ? 0 : std::max<qsizetype>(currentIndex - WindowRadius, 0);
    const qsizetype hi
        = fits ? queue.size() : std::min<qsizetype>(currentIndex + WindowRadius + 1, queue.size());
    const bool whole = hi - lo == queue.size();
    SessionSnapshot snapshot;
    snapshot.serverKey = std::move(serverKey);
    snapshot.queue = whole ? queue : queue.mid(lo, hi - lo);
    snapshot.currentIndex = currentIndex - lo;
    snapshot.currentTime = currentTime;
    snapshot.isShuffling = isShuffling;
    // The unshuffled order of a cut window would not match the songs kept.
    if (whole)
        snapshot.unshuffledQueue = unshuffledQueue;
    snapshot.repeatMode = repeatMode;
    snapshot.source = source;
    return snapshot;
}

std::optional<SessionSnapshot> SessionSnapshot::fromJson(const QByteArray &data)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(data, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject o = document.object();

    SessionSnapshot s;
    using namespace JsonFields;
    if (!required(o, "serverKey"_L1, s.serverKey) || !required(o, "queue"_L1, s.queue)
        || !readInteger(o.value("currentIndex"_L1), s.currentIndex)
        || !optional(o, "unshuffledQueue"_L1, s.unshuffledQueue))
        return std::nullopt;

    const QJsonValue time = o.value("currentTime"_L1);
    if (!time.isDouble() || !std::isfinite(time.toDouble()))
        return std::nullopt;
    s.currentTime = time.toDouble();

    const QJsonValue shuffling = o.value("isShuffling"_L1);
    if (!shuffling.isBool())
        return std::nullopt;
    s.isShuffling = shuffling.toBool();

    const std::optional<RepeatMode> repeat = RepeatModes::fromJson(o.value("repeatMode"_L1));
    if (!repeat)
        return std::nullopt;
    s.repeatMode = *repeat;

    const QJsonValue source = o.value("source"_L1);
    if (!source.isUndefined() && !source.isNull()) {
        s.source = PlaybackSource::fromJson(source);
        if (!s.source)
            return std::nullopt;
    }
    return s;
}

std::optional<QByteArray> SessionSnapshot::toJson() const
{
    // Written as NaN or infinity, the position would come back as null.
    if (!std::isfinite(currentTime))
        return std::nullopt;
    QList<std::pair<QByteArray, QJsonValue>> fields {
        {"serverKey", serverKey},
        {"queue", JsonFields::writeList(queue)},
        {"currentIndex", currentIndex},
        {"currentTime", currentTime},
        {"isShuffling", isShuffling},
    };
    if (unshuffledQueue)
        fields.append({"unshuffledQueue", JsonFields::writeList(*unshuffledQueue)});
    fields.append({"repeatMode", RepeatModes::toJson(repeatMode)});
    if (source)
        fields.append({"source", source->toJson()});

    QByteArray text = "{";
    for (const auto &[key, value] : std::as_const(fields)) {
        if (text.size() > 1)
            text += ',';
        text += compact(QString::fromLatin1(key)) + ':' + compact(value);
    }
    text += '}';
    return text;
}

double SessionSnapshot::startTime() const
{
    const std::optional<qint64> length = queue.at(currentIndex).duration;
    // A record without a length says nothing of where the song ends: the
    // place stands until the player has the song's own length.
    if (!length || *length <= 0)
        return std::max(currentTime, 0.0);
    return std::clamp(currentTime, 0.0, double(*length));
}
