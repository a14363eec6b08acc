#include "AtomicFile.h"

#include <QSaveFile>

#include <unistd.h>

bool AtomicFile::open(QSaveFile &file)
{
    return file.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
}

bool AtomicFile::commit(QSaveFile &file)
{
    // A file system that allocates late reports a full disk only here, and
    // the commit would ignore it.
    if (!file.isOpen() || file.error() != QFileDevice::NoError || !file.flush()
        || ::fsync(file.handle()) != 0) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

bool AtomicFile::write(const QString &path, const QByteArray &data)
{
    QSaveFile file(path);
    if (!open(file))
        return false;
    if (file.write(data) != data.size()) {
        file.cancelWriting();
        return false;
    }
    return commit(file);
}
