#include "SessionFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include "Support/AtomicFile.h"

using namespace Qt::StringLiterals;

QString SessionFile::path()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + u"/Lirna/session.json"_s;
}

std::optional<QByteArray> SessionFile::read()
{
    // Opening a FIFO or a device of that name would block the start-up.
    QFile file(path());
    if (!QFileInfo(file).isFile() || !file.open(QIODevice::ReadOnly) || file.size() > MaximumSize)
        return std::nullopt;
    QByteArray data = file.read(MaximumSize + 1);
    if (file.error() != QFileDevice::NoError || data.size() > MaximumSize)
        return std::nullopt;
    return data;
}

bool SessionFile::write(const QByteArray &data)
{
    const QString target = path();
    QDir().mkpath(QFileInfo(target).absolutePath());
    return AtomicFile::write(target, data);
}

void SessionFile::remove()
{
    QFile::remove(path());
}
