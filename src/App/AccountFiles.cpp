#include "AccountFiles.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QStandardPaths>

#include "Downloads/DownloadStore.h"
#include "Playback/SessionFile.h"
#include "Playback/SessionSnapshot.h"

using namespace Qt::StringLiterals;

namespace {

// A saved place is a few kilobytes; anything far larger is not ours.
constexpr qint64 MaximumLocationSize = 4 * 1024 * 1024;

void moveDownloads(const ServerConfig &from, const ServerConfig &to)
{
    const QString oldFolder = DownloadStore::directory(from);
    const QString newFolder = DownloadStore::directory(to);
    const QFileInfo old(oldFolder);
    if (oldFolder == newFolder || !old.isDir() || old.isSymLink())
        return;
    const QFileInfo current(newFolder);
    if (current.exists()) {
        // A folder the new key already has is taken over only when it holds
        // no file at all (a start that lost the old folder makes its empty
        // subfolders). Songs without a manifest are still somebody's songs.
        if (!current.isDir() || current.isSymLink()
            || QDirIterator(newFolder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories)
                   .hasNext())
            return;
        QDir(newFolder).removeRecursively();
    }
    QDir().rename(oldFolder, newFolder);
}

void moveSession(const ServerConfig &from, const ServerConfig &to)
{
    const std::optional<QByteArray> data = SessionFile::read();
    if (!data)
        return;
    std::optional<SessionSnapshot> snapshot = SessionSnapshot::fromJson(*data);
    if (!snapshot || snapshot->serverKey != from.accountKey())
        return;
    snapshot->serverKey = to.accountKey();
    if (const std::optional<QByteArray> moved = snapshot->toJson())
        SessionFile::write(*moved);
}

void moveLocation(const ServerConfig &from, const ServerConfig &to)
{
    QFile file(AccountFiles::savedLocationPath());
    if (!QFileInfo(file).isFile() || file.size() > MaximumLocationSize || !file.open(QIODevice::ReadOnly))
        return;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll());
    file.close();
    QJsonObject location = document.object();
    if (location.value("serverKey"_L1).toString() != from.accountKey())
        return;
    location.insert("serverKey"_L1, to.accountKey());
    const QByteArray data = QJsonDocument(location).toJson(QJsonDocument::Compact);
    QSaveFile out(file.fileName());
    if (out.open(QIODevice::WriteOnly) && out.write(data) == data.size())
        out.commit();
}

} // namespace

QString AccountFiles::savedLocationPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + u"/Lirna/location.json"_s;
}

void AccountFiles::moveAccount(const ServerConfig &from, const ServerConfig &to)
{
    if (from.accountKey() == to.accountKey())
        return;
    moveDownloads(from, to);
    moveSession(from, to);
    moveLocation(from, to);
}
