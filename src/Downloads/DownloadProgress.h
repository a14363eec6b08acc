#pragma once

#include <QMetaType>
#include <QObject>

// How far one collection's download run got. Not stored.
struct DownloadProgress
{
    Q_GADGET
    Q_PROPERTY(int total MEMBER total CONSTANT)
    Q_PROPERTY(int completed MEMBER completed CONSTANT)
    Q_PROPERTY(bool failed MEMBER failed CONSTANT)

public:
    // Songs the run handles.
    int total = 0;
    // Songs done so far.
    int completed = 0;
    // The run stopped on a song that could not be fetched.
    bool failed = false;

    friend bool operator==(const DownloadProgress &, const DownloadProgress &) = default;
};

Q_DECLARE_METATYPE(DownloadProgress)
