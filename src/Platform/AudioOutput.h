#pragma once

#include <QList>
#include <QMetaType>
#include <QString>

#include <functional>

typedef struct _GstElement GstElement;

// One audio output of the system (a sound card, a headset, a network speaker
// the sound server offers), as the player can open it.
struct AudioOutput
{
    // Stable while the output exists; empty for the system's default output.
    QString id;
    // What the user sees in the output menu.
    QString displayName;
    // Makes a new (floating) GStreamer sink playing into this output; empty
    // for the system's default output.
    std::function<GstElement *()> makeSink;

    bool isSystemDefault() const { return id.isEmpty(); }

    // Two outputs are the same when the user could not tell them apart.
    friend bool operator==(const AudioOutput &a, const AudioOutput &b)
    {
        return a.id == b.id && a.displayName == b.displayName;
    }
};

Q_DECLARE_METATYPE(AudioOutput)
