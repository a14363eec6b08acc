#include "DownloadBadgeState.h"

DownloadBadgeState DownloadBadgeState::decide(
    bool isDownloaded, const std::optional<DownloadProgress> &progress, const CollectionDownloadState &state)
{
    DownloadBadgeState badge;
    if (progress && progress->failed) {
        badge.kind = Kind::Failed;
        badge.symbol = QStringLiteral("exclamationmark.circle.fill");
        badge.tooltip = QStringLiteral("Download failed — open the “⋯” menu to retry");
    } else if (progress) {
        badge.kind = Kind::Running;
        badge.completed = progress->completed;
        badge.total = progress->total;
        badge.fraction = progress->total > 0
            ? qBound(0.0, double(progress->completed) / double(progress->total), 1.0)
            : 0.0;
        badge.tooltip = QStringLiteral("Downloading %1 of %2").arg(progress->completed).arg(progress->total);
    } else if (state.kind() == CollectionDownloadState::Kind::Partial) {
        badge.kind = Kind::Partial;
        badge.completed = state.downloaded();
        badge.total = state.total();
        badge.symbol = QStringLiteral("arrow.down.circle.dotted");
        badge.tooltip = QStringLiteral("%1 of %2 songs downloaded — open the “⋯” menu to finish")
                            .arg(state.downloaded())
                            .arg(state.total());
    } else if (isDownloaded) {
        badge.kind = Kind::Offline;
        badge.symbol = QStringLiteral("arrow.down.circle.fill");
        badge.tooltip = QStringLiteral("Available offline");
    }
    return badge;
}
