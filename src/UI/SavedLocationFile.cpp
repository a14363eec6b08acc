#include "SavedLocationFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "App/AccountFiles.h"
#include "Support/AtomicFile.h"

namespace {
// A saved place is a few kilobytes; anything far larger is not ours.
constexpr qint64 MaximumFileSize = 4 * 1024 * 1024;
} // namespace

SavedLocationFile::SavedLocationFile(QString filePath)
    : m_filePath(std::move(filePath))
{ }

SavedLocationFile &SavedLocationFile::shared()
{
    static SavedLocationFile file(AccountFiles::savedLocationPath());
    return file;
}

void SavedLocationFile::fill()
{
    if (m_filled)
        return;
    m_filled = true;
    // Opening a FIFO or a device of that name would block the window.
    QFile file(m_filePath);
    if (!QFileInfo(file).isFile() || file.size() > MaximumFileSize || !file.open(QIODevice::ReadOnly))
        return;
    m_latestData = file.readAll();
}

std::optional<SavedLocation> SavedLocationFile::restorable(const ServerConfig &config)
{
    fill();
    if (m_latestData.isEmpty())
        return std::nullopt;
    std::optional<SavedLocation> saved = SavedLocation::decode(m_latestData);
    if (!saved || saved->serverKey != SavedLocation::accountKey(config))
        return std::nullopt;
    return saved;
}

void SavedLocationFile::save(
    const std::optional<SidebarSelection> &selection, const NavigationPath &path, const ServerConfig &config)
{
    if (!selection)
        return;
    const QByteArray data = SavedLocation {SavedLocation::accountKey(config), *selection, path}.encode();
    fill();
    m_latestData = data;

    QDir().mkpath(QFileInfo(m_filePath).absolutePath());
    AtomicFile::write(m_filePath, data);
}

void SavedLocationFile::clear()
{
    fill();
    m_latestData.clear();
    QFile::remove(m_filePath);
}
