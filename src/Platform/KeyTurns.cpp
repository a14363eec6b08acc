#include "KeyTurns.h"

#include <QGuiApplication>
#include <QInputMethodQueryEvent>
#include <QKeyEvent>
#include <QWindow>

namespace {

// Posted after an answer of the bridge has run: the bridge posts a key it
// gives back before it, so a held key not back by then was dropped.
class AnswerRan : public QEvent
{
public:
    explicit AnswerRan(quint64 turn)
        : QEvent(type())
        , turn(turn)
    { }
    static Type type()
    {
        static const Type registered = Type(registerEventType());
        return registered;
    }
    const quint64 turn;
};

bool isKey(const QEvent *event)
{
    return event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease;
}

bool sameKey(const QKeyEvent &a, const QKeyEvent &b)
{
    return a.type() == b.type() && a.key() == b.key() && a.modifiers() == b.modifiers()
        && a.nativeScanCode() == b.nativeScanCode() && a.nativeVirtualKey() == b.nativeVirtualKey()
        && a.text() == b.text() && a.isAutoRepeat() == b.isAutoRepeat();
}

// Delivery as the application does it, past GuiApplication's own notify.
bool applicationNotify(QObject *receiver, QEvent *event)
{
    return qGuiApp->QGuiApplication::notify(receiver, event);
}

} // namespace

KeyTurns::KeyTurns(QByteArray bridgeClass)
    : m_bridgeClass(std::move(bridgeClass))
{ }

KeyTurns::~KeyTurns() = default;

bool KeyTurns::takesTurns(const QEvent *event)
{
    // Enter comes as a pointer event; its Leave goes with it.
    return isKey(event) || event->isPointerEvent() || event->type() == QEvent::Leave;
}

bool KeyTurns::deliver(QWindow *window, QEvent *event)
{
    if (!event->spontaneous()) {
        // The bridge posts the key it held back to its window.
        if (m_atBridge && isKey(event) && sameKey(*m_atBridge, *static_cast<QKeyEvent *>(event))) {
            settle();
            const bool result = applicationNotify(window, event);
            next();
            return result;
        }
        return applicationNotify(window, event);
    }
    if (m_atBridge || !m_waiting.empty()) {
        // A copy stays spontaneous, so the bridge still tells of a key. The
        // system's event counts as handled, so that Qt makes nothing of it
        // now (mouse events from a touch nobody took); the copy's turn comes.
        m_waiting.push_back({window, std::unique_ptr<QEvent>(event->clone())});
        event->accept();
        return true;
    }
    return isKey(event) ? offer(window, static_cast<QKeyEvent *>(event)) : applicationNotify(window, event);
}

bool KeyTurns::offer(QWindow *window, QKeyEvent *event)
{
    if (goesPastBridge(window, *event)) {
        // Sending marks the key as not spontaneous, which the bridge passes by.
        return QCoreApplication::sendEvent(window, event);
    }
    // The bridge filters the whole application, ahead of a window's own
    // filters: the window's filter seeing the key tells it was not held.
    const QEvent *outerOffered = std::exchange(m_offered, event);
    const bool outerPassed = std::exchange(m_passed, false);
    const QPointer<QWindow> target(window);
    window->installEventFilter(this);
    const bool result = applicationNotify(window, event);
    if (target)
        target->removeEventFilter(this);
    if (!m_passed) {
        m_atBridge.reset(event->clone());
        ++m_turn;
        m_ticks = 0;
        m_bound.start(TickMs, this);
    }
    m_offered = outerOffered;
    m_passed = outerPassed;
    return result;
}

bool KeyTurns::goesPastBridge(QWindow *window, const QKeyEvent &event)
{
    const bool hides = hidesInput(window->focusObject());
    const quint32 id = event.nativeScanCode() ? event.nativeScanCode() : quint32(event.key());
    if (event.type() == QEvent::KeyPress && !event.isAutoRepeat()) {
        if (hides)
            m_hiddenPresses.insert(id);
        else
            m_hiddenPresses.remove(id);
        return hides;
    }
    const bool pressHidden = m_hiddenPresses.contains(id);
    if (event.type() == QEvent::KeyRelease && !event.isAutoRepeat())
        m_hiddenPresses.remove(id);
    return hides || pressHidden;
}

void KeyTurns::bridgeAnswered()
{
    if (!m_atBridge)
        return;
    m_bound.stop();
    QCoreApplication::postEvent(this, new AnswerRan(m_turn));
}

void KeyTurns::settle()
{
    m_atBridge.reset();
    m_bound.stop();
}

void KeyTurns::next()
{
    // A key delivered below may run an event loop that gives another key its
    // turn; the outer loop goes on from there.
    if (m_advancing)
        return;
    m_advancing = true;
    while (!m_atBridge && !m_waiting.empty()) {
        Waiting waiting = std::move(m_waiting.front());
        m_waiting.pop_front();
        if (!waiting.window)
            continue;
        if (isKey(waiting.event.get()))
            offer(waiting.window, static_cast<QKeyEvent *>(waiting.event.get()));
        else
            applicationNotify(waiting.window, waiting.event.get());
    }
    m_advancing = false;
}

bool KeyTurns::event(QEvent *event)
{
    if (event->type() == AnswerRan::type()) {
        // Not back before this: a listener took the key for itself.
        if (m_atBridge && static_cast<AnswerRan *>(event)->turn == m_turn) {
            settle();
            next();
        }
        return true;
    }
    return QObject::event(event);
}

bool KeyTurns::eventFilter(QObject *, QEvent *event)
{
    if (event == m_offered)
        m_passed = true;
    return false;
}

void KeyTurns::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != m_bound.timerId())
        return QObject::timerEvent(event);
    // A timer overdue after a stall fires once and is due again a tick from
    // then, so the ticks count the turns the program ran.
    if (++m_ticks < BoundTicks)
        return;
    // No answer seen: the key, if it comes back, is delivered when it does.
    settle();
    next();
}

bool KeyTurns::isBridge(const QObject *receiver) const
{
    return m_bridgeClass == receiver->metaObject()->className();
}

bool KeyTurns::hidesInput(QObject *focus)
{
    if (!focus)
        return false;
    QInputMethodQueryEvent query(Qt::ImHints);
    QCoreApplication::sendEvent(focus, &query);
    const auto hints = Qt::InputMethodHints(query.value(Qt::ImHints).toInt());
    return hints.testAnyFlags(Qt::ImhHiddenText | Qt::ImhSensitiveData);
}
