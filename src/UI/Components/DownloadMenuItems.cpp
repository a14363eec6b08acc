#include "DownloadMenuItems.h"

namespace DownloadMenuItems {

namespace {

using Action = DownloadMenuItem::Action;

DownloadMenuItem item(const QString &text, Action action, bool destructive = false)
{
    return DownloadMenuItem {text, true, destructive, action};
}

QList<DownloadMenuItem> running(const DownloadProgress &progress)
{
    return {
        DownloadMenuItem {QStringLiteral("Downloading… (%1/%2)").arg(progress.completed).arg(progress.total),
            false, false, Action::None},
        item(QStringLiteral("Cancel Download"), Action::Remove),
    };
}

QList<DownloadMenuItem> retry()
{
    return {
        item(QStringLiteral("Retry Download"), Action::Download),
        item(QStringLiteral("Cancel Download"), Action::Remove, true),
    };
}

DownloadMenuItem removeItem()
{
    return item(QStringLiteral("Remove Download"), Action::Remove, true);
}

} // namespace

QList<DownloadMenuItem> album(const std::optional<DownloadProgress> &progress, bool recorded)
{
    if (progress && !progress->failed)
        return running(*progress);
    // A recorded album offers only removal, even when its last run failed.
    if (recorded)
        return {removeItem()};
    if (progress)
        return retry();
    return {item(QStringLiteral("Download"), Action::Download)};
}

QList<DownloadMenuItem> playlist(
    const std::optional<DownloadProgress> &progress, const CollectionDownloadState &state, bool recorded)
{
    if (progress && !progress->failed)
        return running(*progress);
    if (state.kind() == CollectionDownloadState::Kind::Partial) {
        const QString text = state.downloaded() == 0 ? QStringLiteral("Download Playlist")
                                                     : moreSongsText(state.total() - state.downloaded());
        return {item(text, Action::Download), removeItem()};
    }
    if (recorded)
        return {removeItem()};
    if (progress)
        return retry();
    return {item(QStringLiteral("Download"), Action::Download)};
}

QString moreSongsText(int missing)
{
    return missing == 1 ? QStringLiteral("Download 1 More Song")
                        : QStringLiteral("Download %1 More Songs").arg(missing);
}

} // namespace DownloadMenuItems
