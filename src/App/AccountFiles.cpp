#include "AccountFiles.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLockFile>
#include <QStandardPaths>

#include <algorithm>
#include <chrono>
#include <functional>

#include <unistd.h>

#include "Downloads/DownloadStore.h"
#include "Downloads/ManifestWriter.h"
#include "Playback/SessionFile.h"
#include "Playback/SessionSnapshot.h"
#include "Support/AtomicFile.h"

using namespace Qt::StringLiterals;

namespace {

// A saved place is a few kilobytes; anything far larger is not ours.
constexpr qint64 MaximumLocationSize = 4 * 1024 * 1024;

const QString ManifestName = u"manifest.json"_s;
const QString ArtworkName = u"artwork"_s;
// In the downloads folder, beside the account folders.
const QString LockName = u"move.lock"_s;
// A move is a few renames; a copy that holds the lock far longer is stuck.
constexpr std::chrono::seconds LockWait {30};

std::function<void()> &takeOverHook()
{
    static std::function<void()> hook;
    return hook;
}

bool isFolder(const QString &path)
{
    const QFileInfo info(path);
    return info.isDir() && !info.isSymLink();
}

bool isThere(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

// Removes the folders under `path`, deepest first, and `path` itself, each
// only while it is empty: rmdir refuses a folder that holds any entry, so
// whatever lies in them (put there by another copy of the program at this
// very moment, too) stays.
void removeEmptyFolders(const QString &path)
{
    QStringList folders;
    QDirIterator it(path, QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot | QDir::NoSymLinks,
        QDirIterator::Subdirectories);
    while (it.hasNext())
        folders.append(it.next());
    std::sort(folders.begin(), folders.end(),
        [](const QString &a, const QString &b) { return a.size() > b.size(); });
    folders.append(path);
    for (const QString &folder : std::as_const(folders))
        ::rmdir(QFile::encodeName(folder).constData());
}

bool holdsAnyFile(const QString &path)
{
    return QDirIterator(path, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories)
        .hasNext();
}

// The manifest of a folder: an empty one when there is none, nothing when
// one is there but cannot be read.
std::optional<DownloadManifest> readManifest(const QString &folder)
{
    const QString path = QDir(folder).filePath(ManifestName);
    if (!isThere(path))
        return DownloadManifest();
    QFile file(path);
    // Only a regular file is opened: a FIFO would block the start.
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return DownloadManifest::fromJson(data);
}

QString songPath(const QString &folder, const QString &id, const QString &suffix)
{
    const QString name = DownloadStore::songFileName(id, suffix);
    return name.isEmpty() ? QString() : QDir(folder).filePath(name);
}

// Both keys have downloads: the new folder's manifest takes in every entry
// and collection of the old one, then each song file the new folder lacks
// moves over. The merged manifest is written first, so that a stop halfway
// leaves every song listed; a later start finds the files still in the old
// folder and moves them then. False when something of the old folder could
// not be made reachable under the new key.
bool mergeDownloads(const QString &oldFolder, const QString &newFolder)
{
    const std::optional<DownloadManifest> old = readManifest(oldFolder);
    const std::optional<DownloadManifest> current = readManifest(newFolder);
    // A manifest that cannot be read may still list every download: neither
    // is written over. Songs without any manifest are not known either.
    if (!old || !current
        || (old->songs.isEmpty() && holdsAnyFile(oldFolder)
            && !isThere(QDir(oldFolder).filePath(ManifestName))))
        return false;

    DownloadManifest merged = *current;
    for (auto it = old->songs.cbegin(); it != old->songs.cend(); ++it) {
        auto known = merged.songs.find(it.key());
        if (known == merged.songs.end()) {
            merged.songs.insert(it.key(), it.value());
            continue;
        }
        known->owners.unite(it->owners);
        const QString ownFile = songPath(newFolder, it.key(), known->suffix);
        const QString oldFile = songPath(oldFolder, it.key(), it->suffix);
        if ((ownFile.isEmpty() || !isThere(ownFile)) && !oldFile.isEmpty() && QFileInfo::exists(oldFile)) {
            known->suffix = it->suffix;
            known->bytes = it->bytes;
        }
    }
    for (auto it = old->collections.cbegin(); it != old->collections.cend(); ++it) {
        if (!merged.collections.contains(it.key()))
            merged.collections.insert(it.key(), it.value());
    }
    if (merged != *current && !ManifestWriter::write(QDir(newFolder).filePath(ManifestName), merged))
        return false;

    bool allMoved = true;
    for (auto it = old->songs.cbegin(); it != old->songs.cend(); ++it) {
        const QString oldFile = songPath(oldFolder, it.key(), it->suffix);
        if (oldFile.isEmpty() || !isThere(oldFile))
            continue;
        const DownloadedSong &entry = merged.songs[it.key()];
        const QString target = songPath(newFolder, it.key(), entry.suffix);
        // A file the new folder has for the song serves; QFile::rename never
        // replaces one either.
        if (entry.suffix == it->suffix && !isThere(target) && !QFile::rename(oldFile, target))
            allMoved = false;
    }
    const QDir oldArtwork(QDir(oldFolder).filePath(ArtworkName));
    const QDir newArtwork(QDir(newFolder).filePath(ArtworkName));
    const QStringList covers = oldArtwork.entryList(QDir::Files | QDir::Hidden);
    if (!covers.isEmpty())
        QDir().mkpath(newArtwork.path());
    for (const QString &cover : covers) {
        if (!isThere(newArtwork.filePath(cover)))
            QFile::rename(oldArtwork.filePath(cover), newArtwork.filePath(cover));
    }
    if (!allMoved)
        return false;
    // Every song of the old folder now lies under the new key.
    QFile::remove(QDir(oldFolder).filePath(ManifestName));
    removeEmptyFolders(oldFolder);
    return true;
}

bool moveDownloads(const ServerConfig &from, const ServerConfig &to)
{
    const QString oldFolder = DownloadStore::directory(from);
    const QString newFolder = DownloadStore::directory(to);
    if (oldFolder == newFolder || !isFolder(oldFolder))
        return true;
    if (isThere(newFolder)) {
        if (!isFolder(newFolder))
            return false;
        if (const std::function<void()> &hook = takeOverHook())
            hook();
        // A start that lost the old folder left empty folders here.
        removeEmptyFolders(newFolder);
    }
    if (!isThere(newFolder) && QDir().rename(oldFolder, newFolder))
        return true;
    if (!isFolder(oldFolder))
        return true;
    if (!isFolder(newFolder))
        return false;
    return mergeDownloads(oldFolder, newFolder);
}

// False when the old key's saved session is there but could not be handed
// to the new key; it is then still the old key's, as it was.
bool moveSession(const ServerConfig &from, const ServerConfig &to)
{
    const std::optional<QByteArray> data = SessionFile::read();
    if (!data)
        return true;
    std::optional<SessionSnapshot> snapshot = SessionSnapshot::fromJson(*data);
    if (!snapshot || snapshot->serverKey != from.accountKey())
        return true;
    snapshot->serverKey = to.accountKey();
    const std::optional<QByteArray> moved = snapshot->toJson();
    return moved && SessionFile::write(*moved);
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
    AtomicFile::write(file.fileName(), data);
}

} // namespace

QString AccountFiles::savedLocationPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + u"/Lirna/location.json"_s;
}

AccountFiles::Move AccountFiles::moveAccount(const ServerConfig &from, const ServerConfig &to)
{
    if (from.accountKey() == to.accountKey())
        return Move::Done;
    // Two copies of the program started at once move the same files: one
    // after the other, each looking afresh once it holds the lock. One that
    // cannot get it (another copy holds it, or the disk has no room even for
    // the lock) moves nothing.
    const QString root = QFileInfo(DownloadStore::directory(to)).path();
    QDir().mkpath(root);
    QLockFile lock(QDir(root).filePath(LockName));
    if (!lock.tryLock(LockWait))
        return Move::NothingMoved;
    // The saved session goes first: while it cannot follow, nothing else
    // does, so that the run finds everything under the old key.
    if (!moveSession(from, to))
        return Move::NothingMoved;
    moveLocation(from, to);
    return moveDownloads(from, to) ? Move::Done : Move::DownloadsLeft;
}

void AccountFiles::setTakeOverHook(std::function<void()> hook)
{
    takeOverHook() = std::move(hook);
}
