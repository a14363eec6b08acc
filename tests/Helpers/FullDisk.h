#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

#include <cerrno>
#include <csignal>
#include <cstring>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

// A folder whose file system runs out of space on demand. Where the test may
// mount, a 64 KiB tmpfs is mounted on the folder and fill() takes its last
// byte; elsewhere fill() sets the process's file size limit to zero, which
// fails every write to a file the same way (EFBIG instead of ENOSPC) and so
// the test runs either way.
class FullDisk
{
public:
    explicit FullDisk(const QString &folder)
        : m_folder(folder)
    {
        QDir().mkpath(folder);
        m_mounted = ::mount("tmpfs", QFile::encodeName(folder).constData(), "tmpfs", 0, "size=64k") == 0;
        if (!m_mounted)
            m_mountError = QString::fromLocal8Bit(std::strerror(errno));
        // Past the limit the kernel would otherwise end the process.
        std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &m_limit);
    }
    ~FullDisk()
    {
        release();
        if (m_mounted)
            ::umount2(QFile::encodeName(m_folder).constData(), MNT_DETACH);
    }
    FullDisk(const FullDisk &) = delete;
    FullDisk &operator=(const FullDisk &) = delete;

    bool isMounted() const { return m_mounted; }
    // Why the tmpfs could not be mounted; empty when it was.
    QString mountError() const { return m_mountError; }

    // From now on no file in the folder can grow.
    void fill()
    {
        if (!m_mounted) {
            rlimit none = m_limit;
            none.rlim_cur = 0;
            ::setrlimit(RLIMIT_FSIZE, &none);
            return;
        }
        const int fd
            = ::open(QFile::encodeName(fillerPath()).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const QByteArray block(4096, 'x');
        for (qsizetype size = block.size(); fd >= 0 && size > 0;) {
            const ssize_t written = ::write(fd, block.constData(), size_t(size));
            if (written < 0)
                size = size > 1 ? size / 2 : 0; // down to the last byte
        }
        if (fd >= 0)
            ::close(fd);
    }

    // From now on a file can grow to `bytes` and no further: a small file
    // still fits where a larger one finds no space.
    void leaveRoomFor(rlim_t bytes)
    {
        rlimit some = m_limit;
        some.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &some);
    }

    // Space again.
    void release()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_limit);
        if (m_mounted)
            QFile::remove(fillerPath());
    }

private:
    QString fillerPath() const { return QDir(m_folder).filePath(QStringLiteral("filler")); }

    QString m_folder;
    bool m_mounted = false;
    QString m_mountError;
    rlimit m_limit {};
};
