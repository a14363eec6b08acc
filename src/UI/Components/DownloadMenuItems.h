#pragma once

#include <QList>
#include <QString>

#include <optional>

#include "Downloads/CollectionDownloadState.h"
#include "Downloads/DownloadProgress.h"

// The download items of an album's or a playlist's menu: one or two plain
// items, decided from the collection's run, its record and (for a playlist)
// its song-by-song state. An active run shows only its count and a way to
// cancel; a failed run offers a retry unless a record or a partial playlist
// comes first.
struct DownloadMenuItem
{
    enum class Action { None, Download, Remove };

    QString text;
    bool enabled = true;
    bool destructive = false;
    Action action = Action::None;

    friend bool operator==(const DownloadMenuItem &, const DownloadMenuItem &) = default;
};

namespace DownloadMenuItems {

QList<DownloadMenuItem> album(const std::optional<DownloadProgress> &progress, bool recorded);
QList<DownloadMenuItem> playlist(
    const std::optional<DownloadProgress> &progress, const CollectionDownloadState &state, bool recorded);
// "Download 1 More Song", "Download 8 More Songs".
QString moreSongsText(int missing);

} // namespace DownloadMenuItems
