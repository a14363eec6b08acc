#pragma once

class QQuickWindow;

// The start-up benchmark's probe (bench/bench_startup). With
// LIRNA_EXIT_AFTER_FIRST_FRAME set it prints the monotonic clock
// (steady_clock, nanoseconds) at the window's first frame as
// "first-frame <ns> <cpu ns>" (the CPU time of all its threads so far) and
// quits. With LIRNA_EXIT_AFTER_HOME set it prints the
// first frame the same way, then "home-complete <ns>" at the first frame that
// shows Home's featured card and the first tile of each of its four rows, all
// with their covers, and quits (after 60 s without, it quits all the same).
namespace StartupProbe {
void attachIfAsked(QQuickWindow *window);
}
