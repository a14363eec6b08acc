#pragma once

#include <QByteArray>
#include <QFuture>
#include <QMutex>
#include <QPromise>
#include <QString>
#include <QThreadPool>

#include <memory>
#include <optional>

#include "DownloadManifest.h"

// Writes one account's "manifest.json" on a worker thread. The caller hands
// over a snapshot, which costs no copy (the manifest's maps are shared until
// the caller changes its own); the encoding and the write happen off the
// caller's thread. Saves coalesce: while one write runs, a newer snapshot
// replaces the one waiting, so only the newest is written next and writes
// never overtake each other. Each write is atomic: a reader, or a start after
// a crash, finds the old file or the new one, never a part of one.
class ManifestWriter
{
public:
    explicit ManifestWriter(QString path);
    // Finishes what was handed over, so that a store made next for the same
    // account reads the newest state.
    ~ManifestWriter();

    ManifestWriter(const ManifestWriter &) = delete;
    ManifestWriter &operator=(const ManifestWriter &) = delete;

    QString path() const { return m_path; }

    // Tells, once written, whether the snapshot (or a newer one that took
    // its place while it waited) is on the disk.
    QFuture<bool> save(DownloadManifest manifest);
    // Blocks until the newest snapshot handed over is written (or failed).
    void flush();
    // Whether a snapshot is waiting or being written.
    bool isBusy() const;

    // Encodes and writes at once, on the calling thread, creating the folder;
    // false on any failure, which leaves the previous file as it was.
    static bool write(const QString &path, const DownloadManifest &manifest);

private:
    static bool writeData(const QString &path, const QByteArray &data);
    void drain();

    const QString m_path;
    mutable QMutex m_mutex;
    std::optional<DownloadManifest> m_pending;
    // Shared by every save that the waiting snapshot stands for.
    std::shared_ptr<QPromise<bool>> m_pendingResult;
    bool m_running = false;
    // One thread: the writes of this file run one after another.
    QThreadPool m_pool;
};
