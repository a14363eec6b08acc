#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QVariantMap>
#include <QtQml/qqmlregistration.h>

#include <optional>

#include "Models/Album.h"

// The drag type this program exports, as a MIME format, and its JSON
// payload: albums, "application/x-co.quorvane.lirna.album", a JSON array of
// album objects in drag order (a single album object is read as well), with
// a "text/plain" stand-in of one drag text per line. (Playlist rows are
// reordered within their list, with no drag payload.)
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

public:
    using QObject::QObject;

    static QString albumFormat();

    static QByteArray encodeAlbums(const QList<Album> &albums);
    // Nothing for a payload that is not a non-empty list of albums, or in
    // which any one album does not read.
    static std::optional<QList<Album>> decodeAlbums(const QByteArray &json);
    // {albumFormat: the JSON text, "text/plain": the drag texts}, for Drag.mimeData.
    static QVariantMap albumsMimeMap(const QList<Album> &albums);
};
