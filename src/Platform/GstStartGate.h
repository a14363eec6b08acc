#pragma once

#include <QObject>

#include <functional>

// Holds back everything that starts GStreamer until the program's first
// window has shown (gst_init reads the plugin registry, and on a first launch
// builds it, which would compete with the window for the processor), and
// until the players have made their playbins (plugins are not loaded from two
// threads at once). Each close() is undone by one open(); open when none is
// left. Main thread only.
namespace GstStartGate {
void close();
void open();
bool isOpen();
// Runs `work` at once when the gate is open, else when it opens, unless
// `context` is gone by then.
void whenOpen(QObject *context, std::function<void()> work);
} // namespace GstStartGate
