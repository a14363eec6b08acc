#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QUuid>
#include <QVariantMap>
#include <QtQml/qqmlregistration.h>

#include <optional>

#include "Models/Album.h"

class QMimeData;

// The two drag types this program exports, as MIME formats, and their JSON
// payloads:
// - albums, "application/x-co.quorvane.lirna.album": a JSON array of album
//   objects in drag order (a single album object is read as well), with a
//   "text/plain" stand-in of one drag text per line;
// - a playlist row being reordered, "application/x-co.quorvane.lirna.playlist-entry":
//   {"id": "<the row's UUID, upper case>"}.
//
// In QML a drag source sets `Drag.keys: [DragPayload.albumFormat]` and
// `Drag.mimeData: viewModel.dragData(index)` (a map its view model builds
// with albumsMimeMap()). A drop target filters with the same `keys` and
// hands the payload text back to its view model, which decodes it here:
// `drop.getDataAsString(DragPayload.albumFormat)` for a drag from outside
// (Drag.Automatic), `drop.source.Drag.mimeData[DragPayload.albumFormat]`
// for a drag inside the window (Drag.Internal carries no data of its own).
class DragPayload : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

    Q_PROPERTY(QString albumFormat READ albumFormat CONSTANT)
    Q_PROPERTY(QString playlistEntryFormat READ playlistEntryFormat CONSTANT)

public:
    using QObject::QObject;

    static QString albumFormat();
    static QString playlistEntryFormat();

    static QByteArray encodeAlbums(const QList<Album> &albums);
    // Nothing for a payload that is not a non-empty list of albums, or in
    // which any one album does not read.
    static std::optional<QList<Album>> decodeAlbums(const QByteArray &json);
    static std::optional<QList<Album>> decodeAlbums(const QMimeData *data);
    // {albumFormat: the JSON text, "text/plain": the drag texts}, for Drag.mimeData.
    static QVariantMap albumsMimeMap(const QList<Album> &albums);
    static QMimeData *albumsMimeData(const QList<Album> &albums);

    static QByteArray encodePlaylistEntry(const QUuid &id);
    static std::optional<QUuid> decodePlaylistEntry(const QByteArray &json);
    static QVariantMap playlistEntryMimeMap(const QUuid &id);
};
