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
// comes.
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
class KeyTurns : public QObject
{
public:
    KeyTurns();
    ~KeyTurns() override;

    // A key for `window`, on its way from the application's notify; returns
    // what delivering it returned (true for a key that waits its turn).
    bool deliver(QWindow *window, QKeyEvent *event);
    // Whether the bridge holds a key of ours, so that its answers matter.
    bool atBridge() const { return bool(m_atBridge); }
    // Called after the bridge ran one of its D-Bus answers: the held key is
    // now posted back to its window, or dropped.
    void bridgeAnswered();
    // Whether `receiver` is the bridge's object that holds keys.
    static bool isBridge(const QObject *receiver);
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
        std::unique_ptr<QKeyEvent> event;
    };

    bool offer(QWindow *window, QKeyEvent *event);
    bool goesPastBridge(QWindow *window, const QKeyEvent &event);
    void settle();
    void next();

    std::deque<Waiting> m_waiting;
    // A copy of the key the bridge holds, to know it when it comes back.
    std::unique_ptr<QKeyEvent> m_atBridge;
    quint64 m_turn = 0;
    QBasicTimer m_bound;
    // The key being offered to the bridge, and whether its window got it.
    const QEvent *m_offered = nullptr;
    bool m_passed = false;
    bool m_advancing = false;
    // Keys held down whose press went past the bridge.
    QSet<quint32> m_hiddenPresses;
};
