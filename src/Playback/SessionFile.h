#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The file "session.json" in the application's "Lirna" data folder, which
// holds the saved playback session. Writes are atomic: the file is either the
// old one or the new one, never a half-written mix.
class SessionFile
{
public:
    SessionFile() = delete;

    // A saved session holds at most two windows of 1001 songs; anything far
    // larger is not ours and is not read into memory.
    static constexpr qint64 MaximumSize = 32 * 1024 * 1024;

    static QString path();
    // The file's bytes; none when it is missing, unreadable or too large.
    static std::optional<QByteArray> read();
    // Creates the folder when needed; false when nothing was written.
    static bool write(const QByteArray &data);
    // A missing file is not a failure.
    static void remove();
};
