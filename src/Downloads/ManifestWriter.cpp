#include "ManifestWriter.h"

#include <QDir>
#include <QFileInfo>
#include <QMutexLocker>

#include <utility>

#include "Support/AtomicFile.h"

ManifestWriter::ManifestWriter(QString path)
    : m_path(std::move(path))
{
    m_pool.setMaxThreadCount(1);
}

ManifestWriter::~ManifestWriter()
{
    flush();
}

QFuture<bool> ManifestWriter::save(DownloadManifest manifest)
{
    QMutexLocker lock(&m_mutex);
    m_pending = std::move(manifest);
    if (!m_pendingResult) {
        m_pendingResult = std::make_shared<QPromise<bool>>();
        m_pendingResult->start();
    }
    QFuture<bool> result = m_pendingResult->future();
    if (!m_running) {
        m_running = true;
        m_pool.start([this] { drain(); });
    }
    return result;
}

void ManifestWriter::flush()
{
    m_pool.waitForDone();
}

bool ManifestWriter::isBusy() const
{
    QMutexLocker lock(&m_mutex);
    return m_running;
}

// Runs on the worker until nothing waits. The snapshot is let go as soon as
// it is encoded: while it is held, the caller's next change copies its maps.
void ManifestWriter::drain()
{
    for (;;) {
        QByteArray data;
        std::shared_ptr<QPromise<bool>> result;
        {
            std::optional<DownloadManifest> snapshot;
            {
                QMutexLocker lock(&m_mutex);
                if (!m_pending) {
                    m_running = false;
                    return;
                }
                snapshot = std::exchange(m_pending, std::nullopt);
                result = std::exchange(m_pendingResult, nullptr);
            }
            data = snapshot->toJson();
        }
        result->addResult(writeData(m_path, data));
        result->finish();
    }
}

bool ManifestWriter::write(const QString &path, const DownloadManifest &manifest)
{
    return writeData(path, manifest.toJson());
}

bool ManifestWriter::writeData(const QString &path, const QByteArray &data)
{
    QDir().mkpath(QFileInfo(path).path());
    return AtomicFile::write(path, data);
}
