#pragma once

#include <QBasicTimer>
#include <QObject>
#include <QPointer>
#include <QSet>

#include <deque>
#include <memory>

class QKeyEvent;
class QWindow;

// Gives the keys the system sends the program's windows their turns: one at a
// time, in the order typed, each judged by the focus it meets when its turn
// comes. Pointer input keeps its place among them.
//
// While an assistive technology listens, Qt's AT-SPI bridge filters every key
// the system sends: it tells the bus's keystroke listeners of it, holds it
// until they answer (or its D-Bus call's time-out of 100 ms passes), then
// posts it to its window again, or drops it when a listener took it for
// itself. Left alone it took the keys that came meanwhile too, judged by the
// focus the held ones had not moved yet: a password typed right after Tab
// went to the bus; and keys that went past it overtook those it held. So it
// is given one key at a time: the keys that come while it holds one wait
// here, and the next goes once the held one is back or dropped.
//
// A key whose turn meets an input that hides what is typed (a password
// field) goes past the bridge: sent from within the program, which the bridge
// passes by. So does the release (or repeat) of a key whose press did, and a
// release that meets such an input.
//
// A click made after keys that wait must not move the focus under them: the
// keys would land in the field it chose and be judged by it (a password read
// out to the bus). So while keys wait, pointer input waits behind them too,
// all of it (moves, wheel and crossings as well as presses): the pointer's
// events then reach the window in the order made, and a press never meets
// the hover or grab of moves made after it. With nothing waiting it goes
// through at once, and so does everything when no listener holds keys.
//
// The bridge's answers come back as calls queued to its object. Should none
// be seen (a bridge that works otherwise than read), a key stays with it for
// a bound, counted in ticks of the program's own event loop. A stall of the
// program itself (its D-Bus thread stopped with it) counts as one tick, not
// as the bridge's silence: the answer already on its way, due within Qt's
// own time-out of one tick, is read before the next key is judged.
class KeyTurns : public QObject
{
public:
    // `bridgeClass`: the class of the bridge's object that holds keys.
    explicit KeyTurns(QByteArray bridgeClass);
    ~KeyTurns() override;

    // The class of Qt's AT-SPI bridge's object that holds keys.
    static constexpr char QtBridgeClass[] = "QSpiApplicationAdaptor";
    // The bound: this many ticks of this long, each counted from the turn
    // of the event loop that ran the one before (Qt's own D-Bus time-out is
    // one tick).
    static constexpr int BoundTicks = 10;
    static constexpr int TickMs = 100;

    // Whether `event` for a window takes its turn here: keys, and pointer
    // input with the crossings that go with it.
    static bool takesTurns(const QEvent *event);
    // Such an event for `window`, on its way from the application's notify;
    // returns what delivering it returned (true for one that waits its turn).
    bool deliver(QWindow *window, QEvent *event);
    // Whether the bridge holds a key of ours, so that its answers matter.
    bool atBridge() const { return bool(m_atBridge); }
    // Called after the bridge ran one of its D-Bus answers: the held key is
    // now posted back to its window, or dropped.
    void bridgeAnswered();
    // Whether `receiver` is the bridge's object that holds keys.
    bool isBridge(const QObject *receiver) const;
    // Whether `focus` hides or guards what is typed into it, as it tells
    // input methods (a field whose echo mode is not Normal does).
    static bool hidesInput(QObject *focus);

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void timerEvent(QTimerEvent *event) override;

private:
    struct Waiting
    {
        QPointer<QWindow> window;
        std::unique_ptr<QEvent> event;
    };

    bool offer(QWindow *window, QKeyEvent *event);
    bool goesPastBridge(QWindow *window, const QKeyEvent &event);
    void settle();
    void next();

    const QByteArray m_bridgeClass;
    std::deque<Waiting> m_waiting;
    // A copy of the key the bridge holds, to know it when it comes back.
    std::unique_ptr<QKeyEvent> m_atBridge;
    quint64 m_turn = 0;
    QBasicTimer m_bound;
    int m_ticks = 0;
    // The key being offered to the bridge, and whether its window got it.
    const QEvent *m_offered = nullptr;
    bool m_passed = false;
    bool m_advancing = false;
    // Keys held down whose press went past the bridge.
    QSet<quint32> m_hiddenPresses;
};
