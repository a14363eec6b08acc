#pragma once

#include <QByteArray>
#include <QString>

class QSaveFile;

// Writing a file whole or not at all. A buffered QSaveFile only fills its
// buffer for small data; the real write happens while committing, and a
// write that fails there (a full disk) still renames the short file over
// the old one and reports success. These write unbuffered, check every byte
// and the sync to disk, and only then put the new file in place.
namespace AtomicFile {

// Opens `file` for a whole-file write: no buffer between the caller's writes
// and the disk.
bool open(QSaveFile &file);
// Puts the file in place when everything written reached the disk; drops it
// otherwise, leaving the previous file as it was.
bool commit(QSaveFile &file);

// Writes `data` to `path` (its folder must exist). False on any failure,
// which leaves the previous file as it was.
bool write(const QString &path, const QByteArray &data);

} // namespace AtomicFile
