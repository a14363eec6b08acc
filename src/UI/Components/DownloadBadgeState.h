#pragma once

#include <QString>

#include <optional>

#include "Downloads/CollectionDownloadState.h"
#include "Downloads/DownloadProgress.h"

// What the download badge of an album or a playlist shows, decided from the
// collection's record, its run and its song-by-song state. A failed run wins
// over everything; a running one shows its ring; a partial collection asks to
// be finished; a recorded one is available offline; otherwise nothing shows.
struct DownloadBadgeState
{
    enum class Kind { Nothing, Failed, Running, Partial, Offline };

    Kind kind = Kind::Nothing;
    // The run's counts (Running) or the downloaded and total songs (Partial).
    int completed = 0;
    int total = 0;
    // The ring's value from 0 to 1; 0 when the run has no songs.
    double fraction = 0;
    QString symbol;
    QString tooltip;

    static DownloadBadgeState decide(bool isDownloaded, const std::optional<DownloadProgress> &progress,
        const CollectionDownloadState &state);
};
