#pragma once

#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>

// A sine tone at `path`, written by sox as a 44.1 kHz stereo WAV file the
// first time it is asked for.
inline QString writeTone(const QString &path, double seconds, int frequency = 440)
{
    if (!QFile::exists(path)) {
        const int rc = QProcess::execute(QStringLiteral("sox"),
            {QStringLiteral("-n"), QStringLiteral("-r"), QStringLiteral("44100"), QStringLiteral("-c"),
                QStringLiteral("2"), path, QStringLiteral("synth"), QString::number(seconds),
                QStringLiteral("sine"), QString::number(frequency)});
        if (rc != 0)
            qFatal("sox failed");
    }
    return path;
}
